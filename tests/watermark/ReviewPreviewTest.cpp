#include "ReviewSupport.h"

#include <cstdio>
#include <platform/foundation/ContentHash.h>
#include <watermark/BatchPlacements.h>
#include <watermark/StampEngine.h>

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

namespace {

int brightness(std::uint32_t pixel)
{
    return int((pixel >> 16) & 0xFF) + int((pixel >> 8) & 0xFF) + int(pixel & 0xFF);
}

}

// Adapting to each photo: a logo that stands out less than 3:1 from the photo under it gets a
// soft halo of the tone that stands out from the photo, on the stamped photo and on its cell in
// the grid alike; a logo that is readable gets none, and without adapting nothing changes.
TEST(AdaptHalo, ALogoTooCloseToThePhotoGetsAHaloOfTheContrastingTone)
{
    struct Case {
        const char* name;
        std::uint32_t logo, photo;
        bool adapt;
        HaloTone expected;
    };
    const Case cases[] = {
        { "white on white", 0xFFFFFF, 0xFFFFFF, true, HaloTone::Dark },
        { "black on black", 0x000000, 0x000000, true, HaloTone::Light },
        { "dark grey on black", 0x202020, 0x000000, true, HaloTone::Light },
        { "white on mid-grey", 0xFFFFFF, 0x808080, true, HaloTone::None },
        { "white on black", 0xFFFFFF, 0x000000, true, HaloTone::None },
        { "white on white, not adapting", 0xFFFFFF, 0xFFFFFF, false, HaloTone::None },
    };
    test::TemporaryFolder folder;
    PlacementDescription placement; // centred, 20 % of the short side
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path photo = folder / "photo.jpg";
        test::writeUniformJpeg(photo, 600, 400, c.photo);
        const Color colour = Color::rgba(((c.logo >> 16) & 0xFF) / 255.0, ((c.logo >> 8) & 0xFF) / 255.0, (c.logo & 0xFF) / 255.0);
        StampEngineOptions options;
        options.adapt = c.adapt;
        const StampEngine engine(test::opaqueLogo(50, colour), placement, options);
        const Image source = test::decodeStored(photo);
        EXPECT_EQ(engine.haloToneOn(source, 600, 400), c.expected);

        const fs::path stamped = folder / "stamped.jpg";
        auto result = test::stampToFile(engine, photo, stamped);
        ASSERT_TRUE(result) << result.error().message;
        const Image output = test::decodeStored(stamped);
        const Image cell = engine.previewOn(review::thumbnail(source, 300), 600, 400);
        // Just outside the logo's left edge, and far from it.
        const int beside = int(std::floor(result->placement.x)) - 2;
        const int middle = 200;
        const int photoLevel = brightness(c.photo);
        for (const auto& [picture, scale] : { std::pair { output, 1.0 }, std::pair { cell, 0.5 } }) {
            const int near = brightness(picture.pixelAt(int(beside * scale), int(middle * scale)));
            const int far = brightness(picture.pixelAt(int(20 * scale), int(middle * scale)));
            EXPECT_NEAR(far, photoLevel, 24) << "the photo away from the logo is untouched";
            switch (c.expected) {
            case HaloTone::Dark: EXPECT_LT(near, photoLevel - 200) << "scale " << scale; break;
            case HaloTone::Light: EXPECT_GT(near, photoLevel + 200) << "scale " << scale; break;
            case HaloTone::None: EXPECT_NEAR(near, photoLevel, 24) << "scale " << scale; break;
            }
        }
    }
    EXPECT_NEAR(contrastRatio(relativeLuminance(0xFFFFFF), relativeLuminance(0x000000)), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(relativeLuminance(0x808080), relativeLuminance(0xFFFFFF)), 3.95, 0.01);
}

// Adapting is part of what a stamp is: a batch run again with it must not take the copies made
// without it for its own.
TEST(AdaptHalo, AdaptingChangesTheStampIdentity)
{
    PlacementDescription placement;
    StampEngineOptions adapting;
    adapting.adapt = true;
    const Image logo = test::opaqueLogo(20, Color::rgba(1, 1, 1));
    EXPECT_NE(StampEngine(logo, placement).stampHash(), StampEngine(logo, placement, adapting).stampHash());
}
