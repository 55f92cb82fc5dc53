#include "PhotoFixtures.h"

#include <TestSupport.h>

#include <watermark/StampBatch.h>

#include <gtest/gtest.h>

using namespace vd;

namespace {

std::size_t filesIn(const std::filesystem::path& folder)
{
    std::size_t count = 0;
    if (std::filesystem::exists(folder))
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
            ++count;
    return count;
}

std::vector<std::filesystem::path> photos(const vd::test::TemporaryFolder& folder, int count)
{
    std::vector<std::filesystem::path> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(folder / ("IMG_" + std::to_string(i) + ".jpg"));
        vd::test::writeUniformJpeg(paths.back(), 64, 48, 0x808080);
    }
    return paths;
}

}

TEST(StampBatchCancel, CancellingMidwayStopsAndSaysSoLeavingOnlyFinishedPhotos)
{
    vd::test::TemporaryFolder folder;
    const auto selection = photos(folder, 8);
    StampBatch batch(std::make_shared<StampEngine>(vd::test::opaqueLogo(20, Color::rgba(1, 0, 0)), PlacementDescription {}), folder / "out", 1);
    std::size_t reports = 0;
    const StampSummary summary = batch.run(selection, [&](const StampProgress&) {
        if (++reports == 1)
            batch.cancel();
    });
    EXPECT_TRUE(summary.cancelled);
    EXPECT_LT(summary.saved, selection.size());
    EXPECT_EQ(summary.failed, 0u);
    EXPECT_EQ(reports, summary.saved);
    EXPECT_EQ(filesIn(folder / "out"), summary.saved) << "no half-written photo is left behind";
}

TEST(StampBatchCancel, CancellingOnceTheLastPhotoIsSavedIsNoCancellation)
{
    vd::test::TemporaryFolder folder;
    const auto selection = photos(folder, 3);
    StampBatch batch(std::make_shared<StampEngine>(vd::test::opaqueLogo(20, Color::rgba(1, 0, 0)), PlacementDescription {}), folder / "out", 2);
    const StampSummary summary = batch.run(selection, [&](const StampProgress& progress) {
        if (progress.done == progress.count)
            batch.cancel(); // too late: everything is already done
    });
    EXPECT_FALSE(summary.cancelled);
    EXPECT_EQ(summary.saved, 3u);
    EXPECT_EQ(filesIn(folder / "out"), 3u);
}
