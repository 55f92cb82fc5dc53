#include "PhotoFixtures.h"

#include <TestSupport.h>

#include <platform/graphics/ImageMetadata.h>
#include <watermark/StampEngine.h>

#include <gtest/gtest.h>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using namespace vd;
using vd::test::near;
using vd::test::rgbAt;

namespace {

constexpr std::uint32_t kGrey = 0x808080;
constexpr std::uint32_t kRed = 0xff0000;
constexpr std::uint32_t kBlue = 0x0000ff;
constexpr std::uint32_t kWhite = 0xffffff;
constexpr std::uint32_t kBlack = 0x000000;

// Photos here are made of uniform 16-pixel blocks, which JPEG keeps nearly exact, so a pixel
// can be checked right at a block's edge.
class StampEdges : public ::testing::Test {
protected:
    Image stamp(const StampEngine& engine, const std::filesystem::path& source)
    {
        const auto target = folder / ("stamped-" + source.filename().string());
        std::FILE* out = std::fopen(target.c_str(), "wb");
        auto stamped = engine.stampPhoto(source, out);
        std::fclose(out);
        EXPECT_TRUE(stamped.has_value()) << (stamped ? "" : stamped.error().message);
        auto image = decodeImageFile(target);
        EXPECT_TRUE(image.has_value());
        return image ? *image : Image {};
    }

    vd::test::TemporaryFolder folder;
};

// A logo whose left half is red and right half blue.
Image redBlueLogo(int side)
{
    const double s = side;
    DrawingContext context({ s, s }, DrawingContext::Opacity::Transparent, 1.0);
    context.fill({ 0, 0, s / 2, s }, Color::rgba(1, 0, 0));
    context.fill({ s / 2, 0, s / 2, s }, Color::rgba(0, 0, 1));
    return context.takeImage();
}

}

TEST_F(StampEdges, ALogoTurnedAQuarterClockwiseHasItsLeftHalfOnTop)
{
    PlacementDescription placement; // centred
    placement.sizePercent = 50;
    placement.rotationDegrees = 90;
    StampEngine engine(redBlueLogo(64), placement);
    const auto source = folder / "photo.jpg";
    vd::test::writeUniformJpeg(source, 256, 256, kGrey);
    const Image out = stamp(engine, source);
    ASSERT_EQ(out.pixelWidth(), 256);
    // The logo covers 64…192 both ways: red above the centre, blue below it.
    EXPECT_TRUE(near(rgbAt(out, 128, 80), kRed)) << std::hex << rgbAt(out, 128, 80);
    EXPECT_TRUE(near(rgbAt(out, 128, 176), kBlue)) << std::hex << rgbAt(out, 128, 176);
    EXPECT_TRUE(near(rgbAt(out, 80, 100), kRed));
    EXPECT_TRUE(near(rgbAt(out, 176, 100), kRed));
    EXPECT_TRUE(near(rgbAt(out, 128, 40), kGrey));

    placement.rotationDegrees = -90; // anticlockwise: the red half goes below
    const Image back = stamp(StampEngine(redBlueLogo(64), placement), source);
    EXPECT_TRUE(near(rgbAt(back, 128, 176), kRed));
    EXPECT_TRUE(near(rgbAt(back, 128, 80), kBlue));
}

TEST_F(StampEdges, ALogoAgainstTheBottomRightCornerCoversThePhotosLastRowAndColumn)
{
    PlacementDescription placement;
    placement.flags = { 0, 1, 0, 1 };
    placement.marginPixels = 0;
    placement.sizePercent = 25;
    StampEngine engine(vd::test::opaqueLogo(40, Color::rgba(1, 0, 0)), placement);
    const auto source = folder / "photo.jpg";
    vd::test::writeUniformJpeg(source, 128, 64, kGrey);
    const Image out = stamp(engine, source);
    ASSERT_EQ(out.pixelHeight(), 64);
    // The logo is 16 pixels square at 112…128 × 48…64.
    for (int x : { 112, 120, 127 })
        EXPECT_TRUE(near(rgbAt(out, x, 63), kRed)) << "last row, x " << x << ": " << std::hex << rgbAt(out, x, 63);
    for (int y : { 48, 56, 62 })
        EXPECT_TRUE(near(rgbAt(out, 127, y), kRed)) << "last column, y " << y << ": " << std::hex << rgbAt(out, 127, y);
    EXPECT_TRUE(near(rgbAt(out, 111, 63), kGrey));
    EXPECT_TRUE(near(rgbAt(out, 127, 47), kGrey));
}

TEST_F(StampEdges, APhotoStoredUpsideDownHasItsStoredLastRowOnTop)
{
    // Stored 64 × 528 (three blocks of rows on the way upright): the last 8 stored rows white,
    // 8 grey rows at 256, black elsewhere; EXIF orientation 3 shows it turned half round.
    const auto source = folder / "upside-down.jpg";
    vd::test::writeJpeg(source, 64, 528, [](int, int y) { return y >= 520 ? kWhite : (y >= 256 && y < 264 ? kGrey : kBlack); });
    vd::test::editMetadata(source, [](Exiv2::Image& image) { image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(3); });
    PlacementDescription placement;
    placement.flags = { 1, 0, 0, 1 };
    placement.marginPixels = 0;
    placement.sizePercent = 10; // a 6-pixel logo in the bottom-left corner, away from the rows checked
    const Image out = stamp(StampEngine(vd::test::opaqueLogo(10, Color::rgba(1, 0, 0)), placement), source);
    ASSERT_EQ(out.pixelWidth(), 64);
    ASSERT_EQ(out.pixelHeight(), 528);
    for (int x : { 16, 40, 63 }) {
        EXPECT_TRUE(near(rgbAt(out, x, 0), kWhite)) << "first row, x " << x << ": " << std::hex << rgbAt(out, x, 0);
        EXPECT_TRUE(near(rgbAt(out, x, 7), kWhite)) << x;
        EXPECT_TRUE(near(rgbAt(out, x, 8), kBlack)) << x;
        EXPECT_TRUE(near(rgbAt(out, x, 263), kBlack)) << x;
        EXPECT_TRUE(near(rgbAt(out, x, 264), kGrey)) << x;
        EXPECT_TRUE(near(rgbAt(out, x, 271), kGrey)) << x;
        EXPECT_TRUE(near(rgbAt(out, x, 272), kBlack)) << x;
        EXPECT_TRUE(near(rgbAt(out, x, 527), kBlack)) << x;
    }
}

TEST_F(StampEdges, APhotoWhoseXmpSaysTurnedIsWrittenUprightWithXmpOrientationOne)
{
    const auto source = folder / "turned.jpg";
    vd::test::writeJpeg(source, 320, 160, [](int x, int) { return x < 160 ? kRed : kGrey; });
    vd::test::editMetadata(source, [](Exiv2::Image& image) {
        image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(6);
        image.xmpData()["Xmp.tiff.Orientation"] = "6";
        image.xmpData()["Xmp.dc.title"] = "lang=\"x-default\" Turned";
    });
    PlacementDescription placement; // a small logo in the middle, away from the pixels looked at
    const auto target = folder / "stamped.jpg";
    std::FILE* out = std::fopen(target.c_str(), "wb");
    auto stamped = StampEngine(vd::test::opaqueLogo(10, Color::rgba(1, 0, 0)), placement).stampPhoto(source, out);
    std::fclose(out);
    ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
    // Turned a quarter clockwise, the red left half of the stored picture is now on top.
    auto image = decodeImageFile(target);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->pixelWidth(), 160);
    ASSERT_EQ(image->pixelHeight(), 320);
    EXPECT_TRUE(near(rgbAt(*image, 80, 40), kRed));
    EXPECT_TRUE(near(rgbAt(*image, 80, 280), kGrey));
    // Any viewer, whether it reads EXIF or XMP, must show these pixels as they are.
    auto metadata = ImageMetadata::readFromFile(target);
    ASSERT_TRUE(metadata.has_value());
    EXPECT_EQ(metadata->orientation(), 1);
    EXPECT_EQ(metadata->xmpValue("Xmp.tiff.Orientation"), "1");
    EXPECT_NE(metadata->xmpValue("Xmp.dc.title").value_or("").find("Turned"), std::string::npos);
}

TEST_F(StampEdges, ALogoThatWouldNotShowFailsThePhotoAndOnePartlyOutsideIsStampedWithANotice)
{
    const auto source = folder / "photo.jpg";
    vd::test::writeUniformJpeg(source, 400, 300, kGrey);
    // A 40-pixel logo whose outer quarter on each side is transparent.
    DrawingContext context({ 40, 40 }, DrawingContext::Opacity::Transparent, 1.0);
    context.fill({ 10, 10, 20, 20 }, Color::rgba(1, 0, 0));
    const Image framed = context.takeImage();
    struct Case {
        const char* label;
        PlacementDescription placement;
        const char* error;  // the reason the photo fails, or none
        const char* notice; // the notice of a stamped photo
    };
    auto placed = [](std::array<double, 4> flags, std::optional<double> margin, double size, double opacity, std::array<double, 2> percent = { 50, 50 }) {
        PlacementDescription placement;
        placement.flags = flags;
        placement.marginPixels = margin;
        placement.sizePercent = size;
        placement.opacity = opacity;
        placement.percent = percent;
        return placement;
    };
    const Case cases[] = {
        { "opacity 0", placed({ 0, 0, 0, 0 }, {}, 20, 0), "its opacity is 0", nullptr },
        { "a margin that puts it past the corner", placed({ 0, 1, 0, 1 }, 99999, 20, 1), "wholly outside the photo", nullptr },
        { "a margin just past the far edge", placed({ 1, 0, 1, 0 }, 400, 20, 1), "wholly outside the photo", nullptr },
        { "a third of a pixel", placed({ 0, 0, 0, 0 }, {}, 0.1, 1), "under one pixel", nullptr },
        { "only its clear margin on the photo", placed({ 0, 0, 0, 0 }, {}, 20, 1, { -6, 50 }), "the part of it on the photo is transparent", nullptr },
        { "centred on the right edge", placed({ 0, 0, 0, 0 }, {}, 20, 1, { 100, 50 }), nullptr, "partly outside the photo" },
        { "flush with the bottom-right corner", placed({ 0, 1, 0, 1 }, 0, 20, 1), nullptr, nullptr },
        { "faint but there", placed({ 0, 0, 0, 0 }, {}, 20, 0.02), nullptr, nullptr },
    };
    for (const Case& each : cases) {
        for (bool lossless : { false, true }) {
            SCOPED_TRACE(std::string(each.label) + (lossless ? ", lossless" : ""));
            StampEngineOptions options;
            options.lossless = lossless;
            const StampEngine engine(framed, each.placement, options);
            const auto target = folder / "stamped.jpg";
            std::FILE* out = std::fopen(target.c_str(), "wb");
            auto stamped = engine.stampPhoto(source, out);
            std::fclose(out);
            if (each.error) {
                ASSERT_FALSE(stamped.has_value());
                EXPECT_NE(stamped.error().message.find(each.error), std::string::npos) << stamped.error().message;
                EXPECT_NE(stamped.error().message.find("photo.jpg"), std::string::npos) << stamped.error().message;
                continue;
            }
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            EXPECT_EQ(stamped->notice.find("partly outside") != std::string::npos, each.notice != nullptr) << stamped->notice;
        }
    }
}
