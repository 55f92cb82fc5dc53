#include <PhotoFixtures.h>
#include "CameraJpeg.h"

#include <TestSupport.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/RunLoop.h>
#include <platform/photos/ImageManager.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <ranges>
#include <sched.h>
#include <sys/resource.h>
#include <thread>

using namespace vd;
using namespace vd::test;

namespace {

class ImageManagerFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeJpeg(folder / "large.jpg", 4000, 3000, [](int x, int) { return x < 2000 ? 0xff0000u : 0x0000ffu; });
        writeJpeg(folder / "turned.jpg", 300, 200, [](int x, int y) { return x < 150 && y < 100 ? 0xff0000u : 0x808080u; });
    }
    TemporaryFolder folder;
};

}

TEST_F(ImageManagerFiles, ImagesAreFittedToTheTargetUprightAndNeverEnlarged)
{
    ImageManager manager(8u << 20, 1);
    const Image thumbnail = request(manager, assetAt(folder / "large.jpg"), { 200, 200 });
    ASSERT_EQ(std::pair(thumbnail.pixelWidth(), thumbnail.pixelHeight()), std::pair(200, 150));
    EXPECT_EQ(thumbnail.name(), "large.jpg") << "a picture says which photo it shows";
    EXPECT_TRUE(near(rgbAt(thumbnail, 50, 75), 0xff0000) && near(rgbAt(thumbnail, 150, 75), 0x0000ff));

    EXPECT_EQ(request(manager, assetAt(folder / "large.jpg"), { 200, 200 }, ImageContentMode::AspectFill).pixelHeight(), 200);

    const Image upright = request(manager, assetAt(folder / "turned.jpg", 6), kImageManagerMaximumSize);
    ASSERT_EQ(std::pair(upright.pixelWidth(), upright.pixelHeight()), std::pair(200, 300));
    EXPECT_TRUE(near(rgbAt(upright, 150, 50), 0xff0000)); // the stored top-left is now top-right

    const Image small = request(manager, assetAt(folder / "turned.jpg", 8), { 1000, 1000 });
    EXPECT_TRUE(small.pixelWidth() == 200 && near(rgbAt(small, 50, 250), 0xff0000)) << "never enlarged";

    PhotoAsset gone = assetAt(folder / "turned.jpg");
    gone.path = folder / "gone.jpg";
    EXPECT_TRUE(request(manager, gone, { 50, 50 }).isEmpty());
}

TEST_F(ImageManagerFiles, AsynchronousRequestsArriveOnTheMainRunLoopUnlessCancelled)
{
    ImageManager manager(8u << 20, 2);
    const auto mainThread = std::this_thread::get_id();
    int delivered = 0;
    bool onMain = false;
    manager.requestImageForAsset(assetAt(folder / "large.jpg"), { 100, 100 }, ImageContentMode::AspectFit, {}, [&](Image image) {
        ++delivered;
        onMain = std::this_thread::get_id() == mainThread && image.pixelWidth() == 100 && image.name() == "large.jpg";
    });
    const ImageRequestId cancelled = manager.requestImageForAsset(assetAt(folder / "turned.jpg"), { 64, 64 }, ImageContentMode::AspectFit, {}, [&](Image) { delivered += 100; });
    manager.cancelImageRequest(cancelled);
    EXPECT_TRUE(delivered == 0 && ImageManager::busy()); // nothing before the loop runs, and that is known
    RunLoop::main().runUntil([&] { return delivered > 0; }, 20);
    RunLoop::main().runUntil([] { return false; }, 0.2);
    EXPECT_TRUE(delivered == 1 && onMain && !ImageManager::busy()) << "the cancelled request is counted out too";

    // A prepared request: its handlers get what `prepare` made of each picture, the camera's
    // stand-in too, made off the main loop; the cache keeps the pictures as decoded.
    ASSERT_TRUE(files::writeAtomically(folder / "camera.jpg", cameraPhoto().bytes()));
    std::atomic<bool> preparedOnMain { false };
    ImageRequestOptions prepared;
    prepared.prepare = [&](const Image& image) {
        preparedOnMain = preparedOnMain || std::this_thread::get_id() == mainThread;
        const int wider = image.pixelWidth() + 1; // a picture one pixel wider says it was prepared
        return Image::fromBuffer({ wider, 1, std::vector<std::uint32_t>(static_cast<std::size_t>(wider), 0xff000000u), true });
    };
    std::vector<int> widths;
    prepared.degradedHandler = [&](Image image) { widths.push_back(-image.pixelWidth()); };
    auto ask = [&](const ImageRequestOptions& options) {
        const std::size_t before = widths.size();
        manager.requestImageForAsset(assetAt(folder / "camera.jpg"), { 400, 400 }, ImageContentMode::AspectFit, options, [&](Image image) { widths.push_back(image.pixelWidth()); });
        RunLoop::main().runUntil([&] { return widths.size() > before && widths.back() > 0; }, 20);
    };
    ask(prepared);
    prepared.degradedHandler = {};
    ask(prepared); // from the cache, prepared again
    ask({});
    EXPECT_EQ(widths, (std::vector<int> { -161, 401, 401, 400 }));
    EXPECT_FALSE(preparedOnMain);

    // Cancelled after its stand-in, from a manager with nothing cached: the photo's decode is dropped.
    ImageManager other(8u << 20, 1);
    ImageRequestId id = 0;
    ImageRequestOptions quick;
    quick.degradedHandler = [&](Image image) { widths.push_back(-image.pixelWidth()), other.cancelImageRequest(id); };
    widths.clear();
    id = other.requestImageForAsset(assetAt(folder / "camera.jpg"), { 400, 400 }, ImageContentMode::AspectFit, quick, [&](Image image) { widths.push_back(image.pixelWidth()); });
    RunLoop::main().runUntil([&] { return !widths.empty(); }, 20);
    RunLoop::main().runUntil([] { return false; }, 0.5);
    EXPECT_EQ(widths, std::vector<int> { -160 });
}

TEST_F(ImageManagerFiles, DecodingThreadsRunBelowTheMainThreadsPriority)
{
    // Each thread of this process with its nice value and whether it runs only in idle time.
    struct Thread {
        int nice { 0 };
        bool idle { false };
    };
    auto threads = [] {
        std::map<std::string, Thread> found;
        for (auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            const auto id = static_cast<id_t>(std::stoi(task.path().filename().string()));
            if (const int policy = ::sched_getscheduler(static_cast<pid_t>(id)); policy >= 0) // not a thread that ended meanwhile
                found[task.path().filename().string()] = { ::getpriority(PRIO_PROCESS, id), policy == SCHED_IDLE };
        }
        return found;
    };
    const int mainNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    // A manager made by a thread at each nice value, from the program's own (under `nice` or
    // not) to the lowest: its two decoding threads sit strictly below that thread.
    for (const int creatorNice : { mainNice, std::min(19, mainNice + 5), 19 }) {
        SCOPED_TRACE("made at nice " + std::to_string(creatorNice));
        const auto before = threads();
        std::unique_ptr<ImageManager> manager;
        std::thread([&] {
            ASSERT_EQ(::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), creatorNice), 0);
            manager = std::make_unique<ImageManager>(8u << 20, 2);
        }).join();
        auto workers = [&] {
            auto added = threads();
            std::erase_if(added, [&](const auto& entry) { return before.contains(entry.first); });
            return added;
        };
        auto settled = [&] {
            const auto added = workers();
            return added.size() == 2 && std::ranges::all_of(added | std::views::values, [&](const Thread& t) { return t.nice != creatorNice || t.idle; });
        };
        RunLoop::main().runUntil(settled, 20);
        const auto added = workers();
        ASSERT_EQ(added.size(), 2u);
        for (const auto& [id, worker] : added) {
            EXPECT_GT(worker.nice, std::min(creatorNice, 18)) << "below the thread that made it, or at the lowest";
            if (creatorNice < 19)
                EXPECT_EQ(worker.nice, std::min(19, creatorNice + ImageManager::kWorkerNicenessAbove));
            else
                EXPECT_TRUE(worker.idle) << "no nice value is lower: decoding waits for idle time";
        }
        int delivered = 0;
        manager->requestImageForAsset(assetAt(folder / "large.jpg"), { 50, 50 }, ImageContentMode::AspectFit, {}, [&](Image) { ++delivered; });
        EXPECT_TRUE(RunLoop::main().runUntil([&] { return delivered > 0; }, 20)) << "and it still decodes";
    }
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), mainNice) << "the calling thread keeps its own";
}

TEST_F(ImageManagerFiles, TheCacheStaysWithinItsBytes)
{
    CachingImageManager manager(100'000, 1);
    std::vector<PhotoAsset> assets;
    for (int i = 0; i < 6; ++i) {
        const auto path = folder / ("p" + std::to_string(i) + ".jpg");
        writeUniformJpeg(path, 400, 300, 0x123456);
        assets.push_back(assetAt(path));
    }
    for (const PhotoAsset& asset : assets)
        manager.requestImageForAsset(asset, { 100, 100 }, ImageContentMode::AspectFit, { true }, [](Image) {});
    EXPECT_TRUE(manager.cachedBytes() > 0 && manager.cachedBytes() <= 100'000u) << manager.cachedBytes();
    manager.stopCachingImagesForAllAssets();
    EXPECT_EQ(manager.cachedBytes(), 0u);
    manager.startCachingImagesForAssets(assets, { 50, 50 }, ImageContentMode::AspectFit);
    RunLoop::main().runUntil([&] { return manager.cachedBytes() >= 50u * 38 * 4 * 6; }, 20);
    EXPECT_LE(manager.cachedBytes(), 100'000u);
}
