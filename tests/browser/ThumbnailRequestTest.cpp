#include "../platform/photos/CameraJpeg.h"

#include <TestSupport.h>
#include <PhotoFixtures.h>

#include <browser/ThumbnailRequest.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/RunLoop.h>
#include <platform/ui/controls/ImageView.h>

#include <gtest/gtest.h>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>

using namespace vd;
using vd::test::assetAt;

namespace {

class ThumbnailRequests : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeUniformJpeg(folder / "red.jpg", 900, 600, 0xd02020);
        test::writeUniformJpeg(folder / "blue.jpg", 900, 600, 0x2020d0);
        const std::vector<std::uint8_t> broken { 0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01 };
        ASSERT_TRUE(files::writeAtomically(folder / "broken.jpg", broken));
    }

    test::TemporaryFolder folder;
    std::shared_ptr<ImageManager> manager { std::make_shared<ImageManager>(8u << 20, 1) };
    std::shared_ptr<ImageView> view { View::make<ImageView>() };
};

}

TEST_F(ThumbnailRequests, TheViewShowsThePhotoLastAskedForAndNeverAnEarlierOne)
{
    browser::ThumbnailRequest request;
    std::vector<std::pair<std::string, bool>> finished;
    auto note = [&finished](std::string name) {
        return [&finished, name](const Image&, bool stillShown) { finished.emplace_back(name, stillShown); };
    };
    request.show(assetAt(folder / "red.jpg"), manager, { 90, 90 }, view, note("red"));
    request.show(assetAt(folder / "blue.jpg"), manager, { 90, 90 }, view, note("blue"));
    EXPECT_TRUE(view->image().isEmpty() && request.representedAssetIdentifier() == "blue.jpg");
    RunLoop::main().runUntil([&] { return !request.isPending(); }, 20);
    RunLoop::main().runUntil([] { return false; }, 0.3);
    ASSERT_FALSE(view->image().isEmpty());
    EXPECT_TRUE(test::near(test::rgbAt(view->image(), 40, 30), 0x2020d0));
    EXPECT_EQ(finished, (std::vector<std::pair<std::string, bool>> { { "blue", true } })) << "the red request was dropped";

    // A cell shown again for another photo clears its picture before the new one arrives.
    request.show(assetAt(folder / "red.jpg"), manager, { 90, 90 }, view, note("red"));
    EXPECT_TRUE(view->image().isEmpty()) << "no stale picture";
    RunLoop::main().runUntil([&] { return !request.isPending(); }, 20);
    EXPECT_TRUE(test::near(test::rgbAt(view->image(), 40, 30), 0xd02020));

    // The same photo asked for again while the earlier picture (now from the cache) is on its way:
    // that delivery is the earlier request's, no longer shown, and the later one is still awaited.
    finished.clear();
    request.show(assetAt(folder / "red.jpg"), manager, { 90, 90 }, view, note("earlier"));
    request.show(assetAt(folder / "red.jpg"), manager, { 90, 90 }, view, note("later"));
    RunLoop::main().runUntil([&] { return finished.size() == 2; }, 20);
    EXPECT_EQ(finished, (std::vector<std::pair<std::string, bool>> { { "earlier", false }, { "later", true } }));
}

TEST_F(ThumbnailRequests, ACancelledRequestLeavesTheViewAloneAndAnUnreadablePhotoIsReported)
{
    browser::ThumbnailRequest request;
    int calls = 0;
    request.show(assetAt(folder / "red.jpg"), manager, { 90, 90 }, view, [&](const Image&, bool) { ++calls; });
    request.cancel();
    EXPECT_FALSE(request.isPending());
    RunLoop::main().runUntil([] { return false; }, 0.5);
    EXPECT_TRUE(calls == 0 && view->image().isEmpty());

    std::optional<std::pair<Image, bool>> finish; // the picture, and whether it is still shown
    request.show(assetAt(folder / "broken.jpg"), manager, { 90, 90 }, view, [&](const Image& image, bool stillShown) { finish = { image, stillShown }; });
    RunLoop::main().runUntil([&] { return finish.has_value(); }, 20);
    ASSERT_TRUE(finish);
    EXPECT_TRUE(finish->first.isEmpty() && finish->second && view->image().isEmpty()) << "reported unreadable, nothing shown";

    // A request outliving its cell's interest still tells whether the photo reads.
    bool gone = false;
    {
        browser::ThumbnailRequest shortLived;
        shortLived.show(assetAt(folder / "blue.jpg"), manager, { 90, 90 }, view, [&](const Image&, bool) { gone = true; });
    }
    RunLoop::main().runUntil([] { return false; }, 0.5);
    EXPECT_FALSE(gone) << "a cell that went away cancelled its request";
}

TEST_F(ThumbnailRequests, ACameraPhotoShowsItsThumbnailFirstAndThenThePhoto)
{
    test::CameraJpeg camera;
    camera.main = test::jpegBytes(1200, 800, [](int, int) { return 0xd02020u; });
    camera.thumbnail = test::jpegBytes(160, 120, [](int, int y) { return y < 6 || y >= 113 ? 0u : 0x20c020u; });
    ASSERT_TRUE(files::writeAtomically(folder / "camera.jpg", camera.bytes()));
    // A host draws the screen after every turn of the loop. Two deliveries that reach the loop in
    // one turn show only the last, so each delivery here waits until the turn that ran the one
    // before has been looked at: every picture the view gets is seen, in order.
    struct Gate {
        std::mutex mutex;
        std::condition_variable looked;
        int posted = 0, seen = 0;
    };
    auto gate = std::make_shared<Gate>(); // shared with a delivery still on its way at the end
    RunLoop::main().setWakeHandler([gate, mainThread = std::this_thread::get_id()] {
        if (std::this_thread::get_id() == mainThread)
            return;
        std::unique_lock lock(gate->mutex);
        const int mine = ++gate->posted;
        gate->looked.wait_for(lock, std::chrono::seconds(5), [&] { return gate->seen >= mine; });
    });
    browser::ThumbnailRequest request;
    std::vector<int> widths;
    request.show(assetAt(folder / "camera.jpg"), manager, { 400, 400 }, view);
    auto look = [&](bool last) {
        std::lock_guard lock(gate->mutex);
        if (last)
            gate->seen = std::numeric_limits<int>::max(); // what comes after the last look waits no more
        else if (!RunLoop::main().hasPendingTasks())
            gate->seen = gate->posted; // every delivery announced so far has run and been looked at
        gate->looked.notify_all();
    };
    RunLoop::main().runUntil([&] {
        if (!view->image().isEmpty() && (widths.empty() || widths.back() != view->image().pixelWidth()))
            widths.push_back(view->image().pixelWidth());
        look(false);
        return !request.isPending();
    }, 20);
    look(true);
    RunLoop::main().setWakeHandler({});
    EXPECT_EQ(widths, (std::vector<int> { 160, 400 })) << "the stand-in first, then the photo";
    EXPECT_TRUE(test::near(test::rgbAt(view->image(), 200, 130), 0xd02020));
}
