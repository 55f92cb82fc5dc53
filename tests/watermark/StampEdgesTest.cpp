#include "StampFixtures.h"

#include <TestSupport.h>
#include <gtest/gtest.h>
#include <platform/graphics/DrawingContext.h>
#include <watermark/ImageUtilities.h>

using namespace vd;
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using namespace vd;
using namespace vd::test;

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
    Image stamp(const StampEngine& engine, const std::filesystem::path& source) { return stampedImage(engine, source, folder / ("stamped-" + source.filename().string())); }

    TemporaryFolder folder;
};

}

TEST_F(StampEdges, ALogoTurnedAQuarterClockwiseHasItsLeftHalfOnTop)
{
    // A logo whose left half is red and right half blue, centred, covering 64…192 both ways.
    const Image redBlue = paintedLogo(64, 64, { { { 0, 0, 32, 64 }, Color::rgba(1, 0, 0) }, { { 32, 0, 32, 64 }, Color::rgba(0, 0, 1) } });
    const auto source = folder / "photo.jpg";
    writeUniformJpeg(source, 256, 256, kGrey);
    const Image out = stamp(StampEngine(redBlue, { .sizePercent = 50, .rotationDegrees = 90 }), source);
    ASSERT_EQ(out.pixelWidth(), 256);
    expectColours(out, { { 128, 80, kRed }, { 128, 176, kBlue }, { 80, 100, kRed }, { 176, 100, kRed }, { 128, 40, kGrey } });
    // Anticlockwise: the red half goes below.
    expectColours(stamp(StampEngine(redBlue, { .sizePercent = 50, .rotationDegrees = -90 }), source), { { 128, 176, kRed }, { 128, 80, kBlue } });
}

TEST_F(StampEdges, ALogoAgainstTheBottomRightCornerCoversThePhotosLastRowAndColumn)
{
    const auto source = folder / "photo.jpg";
    writeUniformJpeg(source, 128, 64, kGrey);
    const Image out = stamp(StampEngine(opaqueLogo(40, Color::rgba(1, 0, 0)), { .flags = { 0, 1, 0, 1 }, .sizePercent = 25, .marginPixels = 0 }), source);
    ASSERT_EQ(out.pixelHeight(), 64);
    // The logo is 16 pixels square at 112…128 × 48…64.
    expectColours(out, { { 112, 63, kRed }, { 120, 63, kRed }, { 127, 63, kRed }, { 127, 48, kRed }, { 127, 56, kRed }, { 127, 62, kRed }, { 111, 63, kGrey }, { 127, 47, kGrey } });
}

TEST_F(StampEdges, APhotoStoredUpsideDownHasItsStoredLastRowOnTop)
{
    // Stored 64 × 528 (three blocks of rows on the way upright): the last 8 stored rows white,
    // 8 grey rows at 256, black elsewhere; EXIF orientation 3 shows it turned half round.
    const auto source = folder / "upside-down.jpg";
    writeJpeg(source, 64, 528, [](int, int y) { return y >= 520 ? kWhite : (y >= 256 && y < 264 ? kGrey : kBlack); });
    editMetadata(source, [](Exiv2::Image& image) { image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(3); });
    // A 6-pixel logo in the bottom-left corner, away from the rows checked.
    const Image out = stamp(StampEngine(opaqueLogo(10, Color::rgba(1, 0, 0)), { .flags = { 1, 0, 0, 1 }, .sizePercent = 10, .marginPixels = 0 }), source);
    ASSERT_EQ(out.pixelWidth(), 64);
    ASSERT_EQ(out.pixelHeight(), 528);
    for (int x : { 16, 40, 63 })
        expectColours(out, { { x, 0, kWhite }, { x, 7, kWhite }, { x, 8, kBlack }, { x, 263, kBlack }, { x, 264, kGrey }, { x, 271, kGrey }, { x, 272, kBlack }, { x, 527, kBlack } });
}

TEST_F(StampEdges, APhotoWhoseXmpSaysTurnedIsWrittenUprightWithXmpOrientationOne)
{
    const auto source = folder / "turned.jpg";
    writeJpeg(source, 320, 160, [](int x, int) { return x < 160 ? kRed : kGrey; });
    editMetadata(source, [](Exiv2::Image& image) {
        image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(6);
        image.xmpData()["Xmp.tiff.Orientation"] = "6";
        image.xmpData()["Xmp.dc.title"] = "lang=\"x-default\" Turned";
    });
    // A small logo in the middle, away from the pixels looked at. Turned a quarter clockwise,
    // the red left half of the stored picture is now on top.
    const Image image = stamp(StampEngine(opaqueLogo(10, Color::rgba(1, 0, 0)), {}), source);
    ASSERT_EQ(image.pixelWidth(), 160);
    ASSERT_EQ(image.pixelHeight(), 320);
    expectColours(image, { { 80, 40, kRed }, { 80, 280, kGrey } });
    // Any viewer, whether it reads EXIF or XMP, must show these pixels as they are.
    auto metadata = ImageMetadata::readFromFile(folder / "stamped-turned.jpg");
    ASSERT_TRUE(metadata.has_value());
    EXPECT_EQ(metadata->orientation(), 1);
    EXPECT_EQ(metadata->xmpValue("Xmp.tiff.Orientation"), "1");
    EXPECT_NE(metadata->xmpValue("Xmp.dc.title").value_or("").find("Turned"), std::string::npos);
}

TEST_F(StampEdges, ALogoThatWouldNotShowFailsThePhotoAndOnePartlyOutsideIsStampedWithANotice)
{
    const auto source = folder / "photo.jpg";
    writeUniformJpeg(source, 400, 300, kGrey);
    // A 40-pixel logo whose outer quarter on each side is transparent.
    const Image framed = paintedLogo(40, 40, { { { 10, 10, 20, 20 }, Color::rgba(1, 0, 0) } });
    struct Case {
        const char* label;
        PlacementDescription placement;
        const char* error;  // the reason the photo fails, or none
        const char* notice; // the notice of a stamped photo
    };
    const Case cases[] = {
        { "opacity 0", { .opacity = 0 }, "its opacity is 0", nullptr },
        { "a margin that puts it past the corner", { .flags = { 0, 1, 0, 1 }, .marginPixels = 99999 }, "wholly outside the photo", nullptr },
        { "a margin just past the far edge", { .flags = { 1, 0, 1, 0 }, .marginPixels = 400 }, "wholly outside the photo", nullptr },
        { "a third of a pixel", { .sizePercent = 0.1 }, "under one pixel", nullptr },
        { "only its clear margin on the photo", { .percent = { -6, 50 } }, "the part of it on the photo is transparent", nullptr },
        { "centred on the right edge", { .percent = { 100, 50 } }, nullptr, "partly outside the photo" },
        { "flush with the bottom-right corner", { .flags = { 0, 1, 0, 1 }, .marginPixels = 0 }, nullptr, nullptr },
        { "faint but there", { .opacity = 0.02 }, nullptr, nullptr },
    };
    for (const Case& each : cases)
        for (bool lossless : { false, true }) {
            SCOPED_TRACE(std::string(each.label) + (lossless ? ", lossless" : ""));
            auto stamped = stampToFile(StampEngine(framed, each.placement, { .lossless = lossless }), source, folder / "stamped.jpg");
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

namespace {
// Red on the left half, blue on the right half; the top-left quarter is green.
Image marker()
{
    DrawingContext context({ 100, 100 }, DrawingContext::Opacity::Transparent, 1.0);
    context.fill({ 0, 0, 50, 100 }, Color::rgba(1, 0, 0));
    context.fill({ 50, 0, 50, 100 }, Color::rgba(0, 0, 1));
    context.fill({ 0, 0, 50, 50 }, Color::rgba(0, 1, 0));
    return context.takeImage();
}
std::uint32_t rgb(std::uint32_t argb) { return argb & 0xffffff; }
}

TEST(ImageRotation, FortyFiveDegreesGivesTheBoundingBoxWithTransparentCorners)
{
    const Image turned = imageRotatedByDegrees(marker(), 45, false);
    EXPECT_NEAR(turned.size().width, 141.42, 0.6);
    EXPECT_NEAR(turned.size().height, 141.42, 0.6);
    EXPECT_EQ(turned.pixelAt(1, 1) >> 24, 0u);
    EXPECT_EQ(turned.pixelAt(70, 70) >> 24, 255u);
}

TEST(ImageRotation, QuarterTurnIsClockwiseAndFlipMirrorsLeftToRight)
{
    const Image turned = imageRotatedByDegrees(marker(), 90, false);
    ASSERT_EQ(turned.pixelWidth(), 100);
    // Clockwise: the green top-left quarter moves to the top-right.
    EXPECT_EQ(rgb(turned.pixelAt(75, 25)), 0x00ff00u);
    EXPECT_EQ(rgb(turned.pixelAt(25, 75)), 0x0000ffu);
    const Image flipped = imageRotatedByDegrees(marker(), 90, true);
    // Mirrored before turning: green ends at the bottom-right.
    EXPECT_EQ(rgb(flipped.pixelAt(75, 75)), 0x00ff00u);
    EXPECT_EQ(rgb(flipped.pixelAt(25, 25)), 0x0000ffu);
}

TEST(ImageRotation, EmptyImageGivesEmptyImage) { EXPECT_TRUE(imageRotatedByDegrees(Image {}, 30, false).isEmpty()); }
