#include "StampFixtures.h"

#include <TestSupport.h>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <platform/graphics/DrawingContext.h>
#include <watermark/ImageUtilities.h>
#include <watermark/PlacementDescription.h>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using namespace vd;
using namespace vd::test;

namespace {

constexpr std::uint32_t kGrey = 0x808080;
constexpr std::uint32_t kRed = 0xff0000;

const PlacementDescription kBottomLeft { .flags = { 1, 0, 0, 1 } };

}

// The logo's side is the photo's short side times the percentage; an aligned edge keeps its
// margin plus the sticker's 14-point inset, both scaled from the sticker's frame to the photo; a
// free or doubly aligned logo sits at its percentages; a pixel margin replaces the preview's.
TEST(LogoPlacement, SideMarginsAndPercentagesOnEitherOrientation)
{
    const PlacementDescription topRight { .flags = { 0, 1, 1, 0 }, .margins = { 0, 10, 6, 0 } };
    const PlacementDescription both { .flags = { 1, 1, 1, 1 }, .percent = { 25, 80 }, .margins = { 3, 3, 3, 3 } };
    const PlacementDescription pixels { .flags = { 0, 1, 0, 1 }, .marginPixels = 65 };
    struct Case {
        const char* name;
        PlacementDescription placement;
        double width, height, side, x, y;
    };
    const double inset = 600.0 / 128;
    for (const Case& c : { Case { "centred", {}, 4000, 3000, 600, 1700, 1200 }, Case { "centred, portrait", {}, 3000, 4000, 600, 1200, 1700 },
             Case { "bottom left", kBottomLeft, 4000, 3000, 600, 14 * inset, 3000 - 14 * inset - 600 },
             Case { "top right", topRight, 4000, 3000, 600, 4000 - (10 + 14) * inset - 600, (6 + 14) * inset },
             Case { "both ways", both, 4000, 3000, 600, 1000 - 300, 2400 - 300 }, Case { "pixel margin", pixels, 6000, 4000, 800, 6000 - 65 - 800, 4000 - 65 - 800 } }) {
        SCOPED_TRACE(c.name);
        const LogoPlacement placed = logoPlacement(c.placement, c.width, c.height);
        EXPECT_DOUBLE_EQ(placed.side, c.side);
        EXPECT_DOUBLE_EQ(placed.x, c.x);
        EXPECT_DOUBLE_EQ(placed.y, c.y);
    }
    // A logo that is not square keeps its proportions with its longer side as the size.
    const LogoPlacement wide = logoPlacement({}, 4000, 3000, 3.0);
    EXPECT_DOUBLE_EQ(wide.width, 600);
    EXPECT_DOUBLE_EQ(wide.height, 200);
    EXPECT_DOUBLE_EQ(wide.y + wide.height / 2, 1500);
    const LogoPlacement tall = logoPlacement(bottomRight(20), 4000, 3000, 0.5);
    EXPECT_DOUBLE_EQ(tall.width, 300);
    EXPECT_DOUBLE_EQ(tall.x, 4000 - 11 - 300);
    EXPECT_DOUBLE_EQ(tall.y, 3000 - 11 - 600);
}

TEST(PlacementFile, ReadsEveryFieldAndRefusesNonsenseNamingTheFile)
{
    const auto json = nlohmann::json::parse(R"({"flags":[1,0,0,1],"percent":[10,90],"margins":[2,0,0,4],
        "sizePercent":30,"opacity":0.5,"rotationDegrees":-15,"stickerFrameWidth":90})");
    auto placement = PlacementDescription::fromJson(json, "p.json");
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(placement->flags, (std::array<double, 4> { 1, 0, 0, 1 }));
    EXPECT_EQ(placement->margins[3], 4);
    EXPECT_EQ(placement->stickerFrameWidth, 90);
    auto back = PlacementDescription::fromJson(placement->toJson(), "again");
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->percent, placement->percent);

    for (const char* bad : { R"([])", R"({"flags":[1,0,0]})", R"({"flags":[0.5,0,0,0]})", R"({"opacity":"high"})",
             R"({"opacity":2})", R"({"sizePercent":0})", R"({"stickerFrameWidth":-1})", R"({"percent":[1e999,0]})" }) {
        auto parsed = nlohmann::json::parse(bad, nullptr, false);
        if (parsed.is_discarded())
            continue;
        auto refused = PlacementDescription::fromJson(parsed, "bad.json");
        ASSERT_FALSE(refused.has_value()) << bad;
        EXPECT_NE(refused.error().message.find("bad.json"), std::string::npos);
    }

    // What the apply screen measures goes through the same check, values that never were JSON
    // included: each is refused by name.
    PlacementDescription measured;
    ASSERT_TRUE(measured.check("placement"));
    measured.sizePercent = 2.4e8;
    auto tooLarge = measured.check("placement");
    ASSERT_FALSE(tooLarge);
    EXPECT_NE(tooLarge.error().message.find("\"sizePercent\" 2.4e+08 is out of range"), std::string::npos) << tooLarge.error().message;
    measured.sizePercent = 20;
    measured.margins[3] = std::numeric_limits<double>::quiet_NaN();
    ASSERT_FALSE(measured.check("placement"));
    EXPECT_NE(measured.check("placement").error().message.find("\"margins\""), std::string::npos);
    measured.margins[3] = 0;
    measured.percent[1] = std::numeric_limits<double>::infinity();
    ASSERT_FALSE(measured.check("placement"));
    EXPECT_NE(measured.check("placement").error().message.find("\"percent\""), std::string::npos);
}

using StampEngineFiles = FolderTest;

TEST_F(StampEngineFiles, NonSquareLogosKeepTheirShapeUnturnedAndTurnedInBothModes)
{
    // A 200 × 100 logo on a 2000 × 2000 photo at 20 %: 400 × 200 pixels about the centre, as it
    // shows aspect-fit in the sticker's square on the apply screen, whichever the mode.
    const Image wide = paintedLogo(200, 100, { { { 0, 0, 200, 100 }, Color::rgba(1, 0, 0) } });
    const auto source = folder / "photo.jpg";
    writeUniformJpeg(source, 2000, 2000, kGrey);
    for (const auto& [degrees, lossless] : { std::pair { 0.0, false }, { 90.0, false }, { 0.0, true }, { 90.0, true } }) {
        SCOPED_TRACE(std::to_string(degrees) + (lossless ? ", lossless" : ""));
        const PlacementDescription placement { .rotationDegrees = degrees };
        const Image out = stampedImage(lossless ? losslessEngine(wide, placement) : StampEngine(wide, placement), source, folder / "out.jpg");
        // Centre (1000, 1000); the long side 400 lies across (unturned) or along (turned) the photo.
        const int along = degrees == 0 ? 190 : 90, across = degrees == 0 ? 90 : 190;
        // Not stretched to the square: grey just past the short side and the long side.
        expectColours(out, { { 1000 + along, 1000, kRed }, { 1000 - along, 1000, kRed }, { 1000, 1000 + across, kRed },
                               { 1000, 1000 + (degrees == 0 ? 110 : 210), kGrey }, { 1000 + (degrees == 0 ? 210 : 110), 1000, kGrey } });
    }
}

TEST_F(StampEngineFiles, OpacityAndRotationAreApplied)
{
    const StampEngine engine(opaqueLogo(100, Color::rgba(1, 0, 0)), { .sizePercent = 50, .opacity = 0.5, .rotationDegrees = 45 });
    writeUniformJpeg(folder / "photo.jpg", 400, 400, 0x000000);
    const Image out = stampedImage(engine, folder / "photo.jpg", folder / "out.jpg");
    // A half-opaque red diamond: its centre is half red, the corners of its square stay black.
    expectColours(out, { { 200, 200, 0x800000 }, { 105, 105, 0x000000 }, { 200, 110, 0x800000 } });
}

TEST_F(StampEngineFiles, TurnedPhotosAreStampedUprightAndWrittenWithOrientationOne)
{
    // Stored 300 × 200 with a red top-left quarter; displayed turned by the EXIF orientation.
    auto redCorner = [](int x, int y) { return x < 150 && y < 100 ? kRed : kGrey; };
    const StampEngine engine(opaqueLogo(50, Color::rgba(0, 0, 1)), { .flags = { 0, 1, 0, 1 }, .sizePercent = 25, .marginPixels = 0 });
    struct Case {
        int orientation;
        int redX, redY; // a point of the red quarter once upright (200 × 300)
    };
    for (const Case c : { Case { 6, 150, 50 }, Case { 8, 50, 250 }, Case { 3, 200, 130 }, Case { 5, 50, 50 }, Case { 7, 120, 200 }, Case { 4, 50, 150 }, Case { 2, 250, 50 } }) {
        const auto source = folder / ("turned" + std::to_string(c.orientation) + ".jpg");
        writeJpeg(source, 300, 200, redCorner);
        editMetadata(source, [&](Exiv2::Image& image) { image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(c.orientation); });
        const auto target = folder / ("out" + std::to_string(c.orientation) + ".jpg");
        auto stamped = stampToFile(engine, source, target);
        ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
        EXPECT_EQ(stamped->sourceOrientation, c.orientation);
        const Image out = decodeStored(target);
        const bool quarterTurn = c.orientation >= 5;
        ASSERT_EQ(out.pixelWidth(), quarterTurn ? 200 : 300);
        ASSERT_EQ(out.pixelHeight(), quarterTurn ? 300 : 200);
        EXPECT_TRUE(near(rgbAt(out, c.redX, c.redY), kRed)) << "orientation " << c.orientation;
        // The logo (side 25 % of 200 = 50) sits in the bottom-right corner of the upright photo.
        EXPECT_TRUE(near(rgbAt(out, out.pixelWidth() - 10, out.pixelHeight() - 10), 0x0000ff));
        auto metadata = ImageMetadata::readFromFile(target);
        ASSERT_TRUE(metadata.has_value());
        EXPECT_EQ(metadata->orientation(), 1);
        expectExif(*metadata, { { "Exif.Photo.PixelXDimension", quarterTurn ? "200" : "300" }, { "Exif.Photo.PixelYDimension", quarterTurn ? "300" : "200" } });
    }
}

TEST_F(StampEngineFiles, UnreadablePhotosFailWithTheirNameAndReason)
{
    StampEngine engine(opaqueLogo(10, Color::rgba(1, 0, 0)), PlacementDescription {});
    const auto good = folder / "good.jpg";
    writeUniformJpeg(good, 640, 480, kGrey);
    const auto truncated = cutShort(good, folder / "truncated.jpg", 0.5);
    const auto text = folder / "notes.jpg", empty = folder / "empty.jpg", hostile = folder / "hostile.jpg", unreadable = folder / "coding.jpg";
    writeText(text, "this is not a picture");
    writeText(empty, "");
    // The start-of-frame marker changed: a header claiming 60000 × 60000 pixels must be refused
    // before anything that size exists; a coding libjpeg does not read (SOF 0xc8) is said in
    // words a person understands.
    auto patched = [&](const std::filesystem::path& to, const std::function<void(std::uint8_t*)>& change) {
        auto bytes = *files::readAll(good);
        for (size_t i = 0; i + 8 < bytes.size(); ++i)
            if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
                change(&bytes[i]);
                break;
            }
        files::writeAtomically(to, bytes);
    };
    patched(hostile, [](std::uint8_t* sof) { sof[5] = 0xEA, sof[6] = 0x60, sof[7] = 0xEA, sof[8] = 0x60; });
    patched(unreadable, [](std::uint8_t* sof) { sof[1] = 0xC8; });
    struct Case {
        std::filesystem::path path;
        const char* reason;
    };
    for (const Case& c : { Case { truncated, "ends early" }, Case { text, "" }, Case { empty, "" }, Case { hostile, "larger than allowed" },
             Case { folder / "missing.jpg", "no such file" }, Case { folder.path(), "not a regular file" },
             Case { unreadable, "coding.jpg: uses a JPEG coding this program cannot read (arithmetic or lossless, SOF 0xc8)" } }) {
        auto stamped = stampToFile(engine, c.path, folder / "out.jpg");
        ASSERT_FALSE(stamped.has_value()) << c.path;
        EXPECT_NE(stamped.error().message.find(c.path.string()), std::string::npos) << stamped.error().message;
        EXPECT_NE(stamped.error().message.find(c.reason), std::string::npos) << stamped.error().message;
    }
}

namespace {

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

