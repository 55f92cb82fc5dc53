#include <platform/foundation/RunLoop.h>

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using vd::RunLoop;

TEST(RunLoop, VirtualClockFiresTimersAtTheirOwnTimesInOrderRepeatingUntilCancelled)
{
    RunLoop loop;
    loop.setClock(RunLoop::Clock::Virtual);
    std::vector<std::pair<int, double>> fired;
    loop.postAfter(0.3, [&] { fired.push_back({ 3, loop.now() }); });
    loop.postAfter(0.1, [&] { fired.push_back({ 1, loop.now() }); });
    loop.postAfter(0.2, [&] {
        fired.push_back({ 2, loop.now() });
        loop.postAfter(0.05, [&] { fired.push_back({ 25, loop.now() }); });
    });
    loop.advance(0.26);
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_EQ(std::tuple(fired[0].first, fired[1].first, fired[2].first), std::tuple(1, 2, 25));
    EXPECT_DOUBLE_EQ(fired[2].second, 0.25) << "a timer set from a timer counts from its own time";
    loop.advance(1);
    EXPECT_EQ(fired.size(), 4u);

    // Repeating timers, and cancel.
    int ticks = 0;
    const auto id = loop.scheduleTimer(0.1, true, [&] { ++ticks; });
    loop.advance(0.35);
    loop.cancel(id);
    loop.advance(1);
    EXPECT_EQ(ticks, 3);
    loop.cancel(id); // twice is harmless
}

TEST(RunLoop, TasksPostedFromWorkersRunInOrderOnTheLoopThreadUntilQuit)
{
    RunLoop loop;
    std::vector<int> order;
    const auto loopThread = std::this_thread::get_id();
    bool sameThread = true;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            loop.post([&, i] {
                sameThread = sameThread && std::this_thread::get_id() == loopThread;
                order.push_back(i);
            });
    });
    worker.join();
    EXPECT_TRUE(loop.runUntil([&] { return order.size() == 100; }, 5) && sameThread);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(order[i], i);

    // On the real clock it runs until quit.
    int fired = 0;
    loop.postAfter(0.01, [&] { ++fired, loop.quit(); });
    loop.run();
    EXPECT_EQ(fired, 1);
}
