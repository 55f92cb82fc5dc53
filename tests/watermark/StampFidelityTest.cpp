#include "StampFixtures.h"

#include <TestSupport.h>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <platform/graphics/JpegCoefficients.h>

using namespace vd;
using namespace vd::test;

namespace {

Image greenLogo(double width, double height) { return paintedLogo(width, height, { { { 0, 0, width, height }, Color::rgba(0, 1, 0) } }); }

using StampFidelity = FolderTest;

}

TEST_F(StampFidelity, A300By100LogoComesOutThreeTimesAsWideAsTallInBothModes)
{
    const auto source = folder / "photo.jpg";
    writeSource(source, 600, 400, SourceStyle {});
    const StampEngine normal(greenLogo(300, 100), bottomRight(50)); // 200 × 66⅔ pixels
    const StampEngine lossless = losslessEngine(greenLogo(300, 100), bottomRight(50));
    for (const StampEngine* engine : { &normal, &lossless }) {
        SCOPED_TRACE(engine == &normal ? "normal" : "lossless");
        auto stamped = stampToFile(*engine, source, folder / "out.jpg");
        ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
        EXPECT_DOUBLE_EQ(stamped->placement.width, 200);
        EXPECT_NEAR(stamped->placement.height, 66.67, 0.01);
        const Box box = greenBox(decodeStored(folder / "out.jpg"));
        EXPECT_NEAR(box.right, 600 - 11 - 1, 1);
        EXPECT_NEAR(box.bottom, 400 - 11 - 1, 1);
        EXPECT_NEAR(box.right - box.left + 1, 200, 1);
        EXPECT_NEAR(box.bottom - box.top + 1, 66.67, 1);
    }
}

TEST_F(StampFidelity, TheNormalModeEncodesAtQuality100AndTheLosslessModeKeepsTheSourcesTables)
{
    const auto source = folder / "photo.jpg";
    writeSource(source, 320, 240, { .quality = 75 });
    const StampEngine normal(greenLogo(50, 50), bottomRight(20));
    ASSERT_TRUE(stampToFile(normal, source, folder / "normal.jpg").has_value());
    auto written = JpegCoefficients::open(folder / "normal.jpg");
    ASSERT_TRUE(written.has_value());
    for (int c = 0; c < (*written)->componentCount(); ++c) {
        for (std::uint16_t step : (*written)->component(c).quantisation)
            EXPECT_EQ(step, 1) << "component " << c; // quality 100: every step is 1
        EXPECT_EQ((*written)->component(c).hSampling, 1); // 4:4:4
    }
    auto stamped = stampToFile(losslessEngine(greenLogo(50, 50), bottomRight(20)), source, folder / "lossless.jpg");
    ASSERT_TRUE(stamped.has_value());
    changedBlocks(source, folder / "lossless.jpg", *stamped); // the same tables, component by component
}

TEST_F(StampFidelity, ALogoTurnedBy30DegreesTurnsClockwiseOnTheUprightPhotoInBothModes)
{
    // A bar along the top of a transparent square: which way it tilts tells which way it turned.
    const Image topBar = paintedLogo(100, 100, { { { 0, 0, 100, 20 }, Color::rgba(0, 1, 0) } });
    const PlacementDescription placement { .sizePercent = 60, .rotationDegrees = 30 };
    const StampEngine normal(topBar, placement);
    const StampEngine lossless = losslessEngine(topBar, placement);
    const auto source = folder / "photo.jpg";
    for (int orientation : { 1, 6 }) {
        writeSource(source, 400, 300, SourceStyle {});
        setOrientation(source, orientation);
        for (const StampEngine* engine : { &normal, &lossless }) {
            SCOPED_TRACE(std::string(engine == &normal ? "normal" : "lossless") + ", orientation " + std::to_string(orientation));
            auto stamped = stampToFile(*engine, source, folder / "out.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            const Image shown = engine == &normal ? decodeStored(folder / "out.jpg") : uprightImage(decodeStored(folder / "out.jpg"), orientation);
            // Turned clockwise, the bar's left end rises and its right end sinks: its highest
            // pixel lies left of the centre and its lowest right of it.
            const int centre = shown.pixelWidth() / 2;
            int highestX = -1, lowestX = -1;
            for (int y = 0; y < shown.pixelHeight() && highestX < 0; ++y)
                for (int x = 0; x < shown.pixelWidth() && highestX < 0; ++x)
                    highestX = isLogoGreen(shown, x, y) ? x : -1;
            const Box box = greenBox(shown);
            for (int x = 0; x < shown.pixelWidth() && lowestX < 0; ++x)
                lowestX = isLogoGreen(shown, x, box.bottom) ? x : -1;
            ASSERT_GE(highestX, 0);
            EXPECT_LT(highestX, centre - 20);
            EXPECT_GT(lowestX, centre + 20);
        }
    }
}

namespace {

// Display P3: the DCI-P3 primaries, D65 white and the sRGB tone curve.
std::vector<std::uint8_t> displayP3()
{
    const cmsCIExyY white { 0.3127, 0.3290, 1.0 };
    const cmsCIExyYTRIPLE primaries { { 0.680, 0.320, 1.0 }, { 0.265, 0.690, 1.0 }, { 0.150, 0.060, 1.0 } };
    const cmsFloat64Number srgbCurve[5] = { 2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045 };
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = { curve, curve, curve };
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// Little CMS's own answer: the sRGB colour in the profile's numbers.
std::uint32_t inProfile(std::uint32_t rgb, const std::vector<std::uint8_t>& profile)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE target = cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
    cmsHTRANSFORM transform = cmsCreateTransform(srgb, TYPE_RGB_8, target, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    const std::uint8_t in[3] = { static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb) };
    std::uint8_t out[3];
    cmsDoTransform(transform, in, out, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(target);
    cmsCloseProfile(srgb);
    return static_cast<std::uint32_t>(out[0]) << 16 | static_cast<std::uint32_t>(out[1]) << 8 | out[2];
}

using ColourManagedLogo = FolderTest;

}

TEST_F(ColourManagedLogo, ADisplayP3PhotoCarriesTheSrgbRedConvertedIntoP3AndKeepsItsProfile)
{
    const std::vector<std::uint8_t> p3 = displayP3();
    const std::uint32_t expected = inProfile(0xff0000, p3);
    ASSERT_FALSE(near(expected, 0xff0000, 8)); // P3's red lies well outside sRGB's
    const auto source = folder / "p3.jpg";
    writeSource(source, 300, 200, { .quality = 95, .iccProfile = p3 });
    const PlacementDescription centred { .sizePercent = 50 };
    const StampEngine normal(opaqueLogo(100, Color::rgba(1, 0, 0)), centred);
    const StampEngine lossless = losslessEngine(opaqueLogo(100, Color::rgba(1, 0, 0)), centred);
    for (const StampEngine* engine : { &normal, &lossless }) {
        SCOPED_TRACE(engine == &normal ? "normal" : "lossless");
        const Image out = stampedImage(*engine, source, folder / "out.jpg");
        // Quality 100 keeps the colour within a step or two; the source's 4:2:0 chroma a few more.
        EXPECT_TRUE(near(rgbAt(out, 150, 100), expected, engine == &normal ? 2 : 6)) << std::hex << rgbAt(out, 150, 100) << " instead of " << expected;
        EXPECT_EQ(ImageMetadata::readFromFile(folder / "out.jpg")->iccProfile(), p3);
    }
}

TEST_F(ColourManagedLogo, PhotosInSrgbOrWithoutAProfileGetTheLogosOwnColours)
{
    const StampEngine normal(opaqueLogo(100, Color::rgba(1, 0, 0)), { .sizePercent = 50 });
    for (const auto& [label, style] : { std::pair { "no profile", SourceStyle {} }, std::pair { "sRGB", SourceStyle { .iccProfile = srgbProfile() } } }) {
        SCOPED_TRACE(label);
        writeSource(folder / "photo.jpg", 300, 200, style);
        EXPECT_TRUE(near(rgbAt(stampedImage(normal, folder / "photo.jpg", folder / "out.jpg"), 150, 100), 0xff0000, 2));
    }
}
