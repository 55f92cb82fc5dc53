#include "StampFixtures.h"

#include <TestSupport.h>

#include <gtest/gtest.h>
#include <lcms2.h>

using namespace vd;
using namespace vd::test;

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

class ColourManagedLogo : public ::testing::Test {
protected:
    TemporaryFolder folder;
};

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
