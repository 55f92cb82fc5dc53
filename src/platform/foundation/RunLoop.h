#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

namespace vd {

// The main run loop: tasks posted from any thread run in order on the loop's thread; timers fire
// on its clock. The real clock follows the steady clock; the virtual clock moves only when
// advance() is called, so a headless run that waits 0.4 s sees the end state without sleeping.
class RunLoop {
public:
    using Task = std::function<void()>;
    using TimerId = std::uint64_t;
    enum class Clock { Real, Virtual };

    static RunLoop& main(); // the process's main loop, created on first use

    RunLoop();

    void setClock(Clock clock); // switch before scheduling anything; the virtual clock starts at 0
    Clock clock() const { return m_clock; }
    double now() const; // seconds on this loop's clock

    void post(Task task);                                             // thread-safe; runs on the next turn
    TimerId postAfter(double seconds, Task task);                     // one-shot timer
    TimerId scheduleTimer(double interval, bool repeats, Task task); // first fire after interval
    void cancel(TimerId id);                                          // no-op for unknown or fired ids

    // Runs every posted task and every timer already due; returns how many ran.
    int runPending();
    // Seconds until the next timer is due (0 when overdue), nothing when no timer is scheduled.
    std::optional<double> secondsUntilNextTimer() const;
    bool hasPendingTasks() const;

    // Virtual clock: moves time forward by seconds, firing timers at their own times in order.
    // Real clock: runs the loop, sleeping between events, until that much time has passed.
    void advance(double seconds);
    // Real clock: runs until quit() is called. Returns at once on the virtual clock.
    void run();
    void quit();
    // Blocks (real time) until a task is posted or maxSeconds pass; for hosts and for waiting on
    // worker threads.
    void waitForWork(double maxSeconds);
    // Runs the loop until done() is true or realTimeout seconds of real time have passed; returns done().
    bool runUntil(const std::function<bool()>& done, double realTimeout);

    // Called (from the posting thread) after every post, so a host blocked in its own event wait can wake.
    void setWakeHandler(std::function<void()> handler);

private:
    struct Timer {
        double fireAt { 0 };
        double interval { 0 };
        bool repeats { false };
        Task task;
    };

    double realNow() const;
    bool fireOneDueTimer(double upTo);
    int runPostedTasks();

    Clock m_clock { Clock::Real };
    double m_virtualNow { 0 };
    double m_realOrigin { 0 };
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    std::map<TimerId, Timer> m_timers;
    TimerId m_nextTimerId { 1 };
    bool m_quit { false };
    std::function<void()> m_wakeHandler;
};

}
