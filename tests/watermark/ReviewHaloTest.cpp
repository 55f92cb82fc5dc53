#include "ReviewSupport.h"

#include <watermark/StampEngine.h>

#include <cstdio>

using namespace vd;
namespace fs = std::filesystem;

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
