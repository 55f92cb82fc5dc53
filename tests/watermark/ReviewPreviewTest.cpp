#include "ReviewSupport.h"

#include <platform/foundation/ContentHash.h>
#include <watermark/BatchPlacements.h>

#include <cstdio>

using namespace vd;
namespace fs = std::filesystem;

namespace {

constexpr int kCell = 120;

// Bottom right, 10 preview points in from both edges, as a person leaves it on the apply screen.
PlacementDescription common(double rotation)
{
    PlacementDescription placement;
    placement.flags = { 0, 1, 0, 1 };
    placement.margins = { 0, 10, 0, 10 };
    placement.sizePercent = 20;
    placement.stickerFrameWidth = 128;
    placement.rotationDegrees = rotation;
    return placement;
}

// Dragged to the top left and made larger on one photo only.
PlacementDescription topLeft()
{
    PlacementDescription placement;
    placement.flags = { 1, 0, 1, 0 };
    placement.margins = { 4, 0, 6, 0 };
    placement.sizePercent = 30;
    placement.stickerFrameWidth = 150;
    return placement;
}

}

// Each grid cell shows the logo where the stamped photo has it: for every shape of photo, turned
// or not, with the common placement or an adjustment of its own, the logo found in the cell and
// the logo found in the stamped output agree within one cell pixel.
TEST(ReviewGrid, EveryCellShowsTheLogoWhereTheStampedPhotoHasIt)
{
    struct Shape {
        const char* name;
        int width, height;
    };
    const Shape shapes[] = { { "4x3", 800, 600 }, { "3x4", 600, 800 }, { "1x1", 600, 600 }, { "3x1", 900, 300 }, { "1x3", 300, 900 }, { "16x9", 960, 540 } };
    test::TemporaryFolder folder;
    const Image logo = test::opaqueLogo(64, Color::rgba(0, 0.85, 0.1));

    for (double rotation : { 0.0, 30.0 })
        for (const Shape& shape : shapes) {
            const fs::path photo = folder / (std::string(shape.name) + ".jpg");
            test::writeUniformJpeg(photo, shape.width, shape.height, 0x808080);
            // Every photo but the square one gets an adjustment of its own in the turned round.
            BatchPlacements placements;
            placements.common = common(rotation);
            const bool adjusted = rotation != 0.0 && shape.width != shape.height;
            if (adjusted)
                placements.adjustments.push_back({ photo.filename().string(), *ContentHash::ofFile(photo), topLeft() });
            placements.adjustments.push_back({ photo.filename().string(), "another content", common(90) });
            const PlacementEngines engines(logo, placements, {});
            const auto engine = engines.engineFor(photo);
            ASSERT_EQ(engine == engines.common(), !adjusted) << shape.name;

            const fs::path stamped = folder / (std::string(shape.name) + "-stamped.jpg");
            auto result = test::stampToFile(*engine, photo, stamped);
            ASSERT_TRUE(result) << result.error().message;

            const Image cell = engine->previewOn(review::thumbnail(test::decodeStored(photo), kCell), shape.width, shape.height);
            const double scale = double(cell.pixelWidth()) / shape.width;
            const review::Edges inOutput = review::greenEdges(test::decodeStored(stamped));
            const review::Edges inCell = review::greenEdges(cell);
            const LogoPlacement placed = engine->placementOn(shape.width, shape.height);
            SCOPED_TRACE(std::string(shape.name) + (rotation != 0.0 ? " turned" : "") + (adjusted ? " adjusted" : ""));
            ASSERT_GE(inOutput.right, 0);
            ASSERT_GE(inCell.right, 0);
            EXPECT_NEAR(inCell.left, inOutput.left * scale, 1.0);
            EXPECT_NEAR(inCell.top, inOutput.top * scale, 1.0);
            EXPECT_NEAR(inCell.right, inOutput.right * scale, 1.0);
            EXPECT_NEAR(inCell.bottom, inOutput.bottom * scale, 1.0);
            // And where the one placement rule said it would be, on the photo itself.
            EXPECT_NEAR(inOutput.left, placed.x, 3.0);
            EXPECT_NEAR(inOutput.bottom, placed.y + placed.height, 3.0);
            if (adjusted) {
                EXPECT_LT(inOutput.left, shape.width / 4.0);
                EXPECT_LT(inOutput.top, shape.height / 4.0);
            } else {
                EXPECT_GT(inOutput.left, shape.width / 2.0);
                EXPECT_GT(inOutput.top, shape.height / 2.0);
            }
        }
    EXPECT_EQ(1u, PlacementEngines(logo, { common(0), false, { { "absent.jpg", "hash", topLeft() } } }, {}).unusedAdjustments().size());
}
