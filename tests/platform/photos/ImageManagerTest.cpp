#include "../../watermark/PhotoFixtures.h"

#include <TestSupport.h>

#include <platform/foundation/RunLoop.h>
#include <platform/photos/ImageManager.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace vd;
using vd::test::near;
using vd::test::rgbAt;

namespace {

PhotoAsset assetAt(const std::filesystem::path& path, int orientation = 1)
{
    PhotoAsset asset;
    asset.localIdentifier = path.filename().string();
    asset.path = path;
    asset.fileSize = static_cast<std::int64_t>(std::filesystem::file_size(path));
    asset.orientation = orientation;
    return asset;
}

class ImageManagerFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        vd::test::writeJpeg(folder / "large.jpg", 4000, 3000, [](int x, int) { return x < 2000 ? 0xff0000u : 0x0000ffu; });
        vd::test::writeJpeg(folder / "turned.jpg", 300, 200, [](int x, int y) { return x < 150 && y < 100 ? 0xff0000u : 0x808080u; });
    }
    vd::test::TemporaryFolder folder;
};

}

TEST_F(ImageManagerFiles, ImagesAreFittedToTheTargetUprightAndNeverEnlarged)
{
    ImageManager manager(8u << 20, 1);
    Image thumbnail;
    manager.requestImageForAsset(assetAt(folder / "large.jpg"), { 200, 200 }, ImageContentMode::AspectFit, { true }, [&](Image image) { thumbnail = image; });
    ASSERT_EQ(thumbnail.pixelWidth(), 200);
    ASSERT_EQ(thumbnail.pixelHeight(), 150);
    EXPECT_EQ(thumbnail.name(), "large.jpg") << "a picture says which photo it shows";
    EXPECT_TRUE(near(rgbAt(thumbnail, 50, 75), 0xff0000));
    EXPECT_TRUE(near(rgbAt(thumbnail, 150, 75), 0x0000ff));

    Image filled;
    manager.requestImageForAsset(assetAt(folder / "large.jpg"), { 200, 200 }, ImageContentMode::AspectFill, { true }, [&](Image image) { filled = image; });
    EXPECT_EQ(filled.pixelHeight(), 200);

    Image upright;
    manager.requestImageForAsset(assetAt(folder / "turned.jpg", 6), kImageManagerMaximumSize, ImageContentMode::AspectFit, { true }, [&](Image image) { upright = image; });
    ASSERT_EQ(upright.pixelWidth(), 200);
    ASSERT_EQ(upright.pixelHeight(), 300);
    EXPECT_TRUE(near(rgbAt(upright, 150, 50), 0xff0000)); // the stored top-left is now top-right

    Image small;
    manager.requestImageForAsset(assetAt(folder / "turned.jpg", 8), { 1000, 1000 }, ImageContentMode::AspectFit, { true }, [&](Image image) { small = image; });
    EXPECT_EQ(small.pixelWidth(), 200);
    EXPECT_TRUE(near(rgbAt(small, 50, 250), 0xff0000));

    Image missing = thumbnail;
    PhotoAsset gone = assetAt(folder / "turned.jpg");
    gone.path = folder / "gone.jpg";
    manager.requestImageForAsset(gone, { 50, 50 }, ImageContentMode::AspectFit, { true }, [&](Image image) { missing = image; });
    EXPECT_TRUE(missing.isEmpty());
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
    EXPECT_EQ(delivered, 0); // nothing before the loop runs
    RunLoop::main().runUntil([&] { return delivered > 0; }, 20);
    RunLoop::main().runUntil([] { return false; }, 0.2);
    EXPECT_EQ(delivered, 1);
    EXPECT_TRUE(onMain);
}

TEST_F(ImageManagerFiles, DecodingThreadsRunBelowTheMainThreadsPriority)
{
    // The nice value of each thread of this process: field 19 of /proc/self/task/*/stat.
    auto niceValues = [] {
        std::vector<int> values;
        for (auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream in(task.path() / "stat");
            std::string line;
            std::getline(in, line);
            std::istringstream rest(line.substr(line.rfind(')') + 2));
            std::string field;
            for (int i = 0; i < 17 && rest >> field; ++i) {
            }
            values.push_back(std::stoi(field));
        }
        return values;
    };
    auto background = [&] {
        const auto values = niceValues();
        return std::count(values.begin(), values.end(), ImageManager::kWorkerNiceness);
    };
    const auto before = background();
    ImageManager manager(8u << 20, 2);
    int delivered = 0;
    manager.requestImageForAsset(assetAt(folder / "large.jpg"), { 50, 50 }, ImageContentMode::AspectFit, {}, [&](Image) { ++delivered; });
    RunLoop::main().runUntil([&] { return delivered > 0 && background() == before + 2; }, 20);
    EXPECT_EQ(background(), before + 2) << "both workers";
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), 0) << "the calling thread keeps its own";
}

TEST_F(ImageManagerFiles, TheCacheStaysWithinItsBytes)
{
    CachingImageManager manager(100'000, 1);
    std::vector<PhotoAsset> assets;
    for (int i = 0; i < 6; ++i) {
        const auto path = folder / ("p" + std::to_string(i) + ".jpg");
        vd::test::writeUniformJpeg(path, 400, 300, 0x123456);
        assets.push_back(assetAt(path));
    }
    for (const PhotoAsset& asset : assets)
        manager.requestImageForAsset(asset, { 100, 100 }, ImageContentMode::AspectFit, { true }, [](Image) {});
    EXPECT_LE(manager.cachedBytes(), 100'000u);
    EXPECT_GT(manager.cachedBytes(), 0u);
    manager.stopCachingImagesForAllAssets();
    EXPECT_EQ(manager.cachedBytes(), 0u);
    manager.startCachingImagesForAssets(assets, { 50, 50 }, ImageContentMode::AspectFit);
    RunLoop::main().runUntil([&] { return manager.cachedBytes() >= 50u * 38 * 4 * 6; }, 20);
    EXPECT_LE(manager.cachedBytes(), 100'000u);
}
