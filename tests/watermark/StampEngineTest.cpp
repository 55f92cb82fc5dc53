#include "StampFixtures.h"

#include <limits>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using namespace vd;
using namespace vd::test;

constexpr std::uint32_t kGrey = 0x808080, kRed = 0xff0000, kWhite = 0xffffff, kBlack = 0x000000;

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
        double width, height, aspect; // the photo's size and the logo's width ÷ height
        double logoWidth, logoHeight, x, y;
    };
    const double inset = 600.0 / 128;
    for (const Case& c : { Case { "centred", {}, 4000, 3000, 1, 600, 600, 1700, 1200 }, Case { "centred, portrait", {}, 3000, 4000, 1, 600, 600, 1200, 1700 },
             Case { "bottom left", { .flags = { 1, 0, 0, 1 } }, 4000, 3000, 1, 600, 600, 14 * inset, 3000 - 14 * inset - 600 },
             Case { "top right", topRight, 4000, 3000, 1, 600, 600, 4000 - (10 + 14) * inset - 600, (6 + 14) * inset },
             Case { "both ways", both, 4000, 3000, 1, 600, 600, 1000 - 300, 2400 - 300 },
             Case { "pixel margin", pixels, 6000, 4000, 1, 800, 800, 6000 - 65 - 800, 4000 - 65 - 800 },
             // A logo that is not square keeps its proportions with its longer side as the size.
             Case { "wide logo", {}, 4000, 3000, 3, 600, 200, 1700, 1400 }, Case { "tall logo", bottomRight(20), 4000, 3000, 0.5, 300, 600, 4000 - 11 - 300, 3000 - 11 - 600 } }) {
        SCOPED_TRACE(c.name);
        const LogoPlacement placed = logoPlacement(c.placement, c.width, c.height, c.aspect);
        EXPECT_DOUBLE_EQ(placed.width, c.logoWidth);
        EXPECT_DOUBLE_EQ(placed.height, c.logoHeight);
        EXPECT_DOUBLE_EQ(placed.x, c.x);
        EXPECT_DOUBLE_EQ(placed.y, c.y);
    }
}

TEST(PlacementFile, ReadsEveryFieldAndRefusesNonsenseNamingTheFile)
{
    const auto json = nlohmann::json::parse(R"({"flags":[1,0,0,1],"percent":[10,90],"margins":[2,0,0,4],
        "sizePercent":30,"opacity":0.5,"rotationDegrees":-15,"stickerFrameWidth":90,"marginPixels":7})");
    auto placement = PlacementDescription::fromJson(json, "p.json");
    ASSERT_TRUE(placement.has_value()) << placement.error().message;
    EXPECT_EQ(placement->toJson(), json) << "every field read, and written back";

    for (const char* bad : { R"([])", R"({"flags":[1,0,0]})", R"({"flags":[0.5,0,0,0]})", R"({"opacity":"high"})",
             R"({"opacity":2})", R"({"sizePercent":0})", R"({"stickerFrameWidth":-1})" }) {
        auto refused = PlacementDescription::fromJson(nlohmann::json::parse(bad), "bad.json");
        ASSERT_FALSE(refused.has_value()) << bad;
        EXPECT_NE(refused.error().message.find("bad.json"), std::string::npos);
    }

    // What the apply screen measures goes through the same check, values that never were JSON
    // included: each is refused by name.
    ASSERT_TRUE(PlacementDescription {}.check("placement"));
    const auto nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [field, measured] : { std::pair { "\"sizePercent\" 2.4e+08 is out of range", PlacementDescription { .sizePercent = 2.4e8 } },
             { "\"margins\"", { .margins = { 0, 0, 0, nan } } }, { "\"percent\"", { .percent = { 50, std::numeric_limits<double>::infinity() } } } }) {
        auto refused = measured.check("placement");
        ASSERT_FALSE(refused) << field;
        EXPECT_NE(refused.error().message.find(field), std::string::npos) << refused.error().message;
    }
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
        const Image out = stampedImage(StampEngine(wide, placement, { .lossless = lossless }), source, folder / "out.jpg");
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

// Any viewer, whether it reads EXIF or XMP, must show the stamped pixels as they are.
TEST_F(StampEngineFiles, TurnedPhotosAreStampedUprightAndWrittenWithOrientationOneInExifAndXmp)
{
    // Stored 300 × 200, grey with a red patch towards the top left, away from every edge;
    // displayed turned by the EXIF orientation.
    auto redPatch = [](int x, int y) { return x >= 30 && x < 130 && y >= 20 && y < 90 ? kRed : kGrey; };
    const StampEngine engine(opaqueLogo(50, Color::rgba(0, 0, 1)), { .flags = { 0, 1, 0, 1 }, .sizePercent = 25, .marginPixels = 0 });
    // Each orientation with a point of the red patch once upright.
    for (const auto& [orientation, redX, redY] : { std::tuple { 6, 150, 50 }, { 8, 50, 250 }, { 3, 200, 130 }, { 5, 50, 50 }, { 7, 120, 200 }, { 4, 50, 150 }, { 2, 250, 50 } }) {
        const auto source = folder / ("turned" + std::to_string(orientation) + ".jpg");
        writeJpeg(source, 300, 200, redPatch);
        editMetadata(source, [&](Exiv2::Image& image) {
            image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
            image.xmpData()["Xmp.tiff.Orientation"] = std::to_string(orientation);
            image.xmpData()["Xmp.dc.title"] = "lang=\"x-default\" Turned";
        });
        const auto target = folder / ("out" + std::to_string(orientation) + ".jpg");
        auto stamped = stampToFile(engine, source, target);
        ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
        EXPECT_EQ(stamped->sourceOrientation, orientation);
        const Image out = decodeStored(target);
        const bool quarterTurn = orientation >= 5;
        ASSERT_EQ(out.pixelWidth(), quarterTurn ? 200 : 300);
        ASSERT_EQ(out.pixelHeight(), quarterTurn ? 300 : 200);
        EXPECT_TRUE(near(rgbAt(out, redX, redY), kRed)) << "orientation " << orientation;
        // The logo (side 25 % of 200 = 50) covers the bottom-right corner of the upright photo to
        // its last row and column.
        const int w = out.pixelWidth(), h = out.pixelHeight();
        expectColours(out, { { w - 1, h - 1, 0x0000ff }, { w - 50, h - 1, 0x0000ff }, { w - 1, h - 50, 0x0000ff }, { w - 51, h - 1, kGrey }, { w - 1, h - 51, kGrey } });
        auto metadata = ImageMetadata::readFromFile(target);
        ASSERT_TRUE(metadata.has_value());
        EXPECT_EQ(metadata->orientation(), 1);
        expectExif(*metadata, { { "Exif.Photo.PixelXDimension", quarterTurn ? "200" : "300" }, { "Exif.Photo.PixelYDimension", quarterTurn ? "300" : "200" } });
        EXPECT_EQ(metadata->xmpValue("Xmp.tiff.Orientation"), "1");
        EXPECT_NE(metadata->xmpValue("Xmp.dc.title").value_or("").find("Turned"), std::string::npos);
    }
}

TEST_F(StampEngineFiles, UnreadablePhotosFailWithTheirNameAndReason)
{
    const auto good = folder / "good.jpg";
    writeUniformJpeg(good, 640, 480, kGrey);
    const auto truncated = cutShort(good, folder / "truncated.jpg", 0.5), unended = folder / "unended.jpg";
    // Every row there, then zeros where the end-of-image marker should be (a copy cut short in a
    // file already of its full size).
    auto rowsWithoutEnd = *files::readAll(good);
    rowsWithoutEnd.resize(rowsWithoutEnd.size() - 2);
    rowsWithoutEnd.resize(rowsWithoutEnd.size() + 256);
    files::writeAtomically(unended, rowsWithoutEnd);
    const auto text = folder / "notes.jpg", empty = folder / "empty.jpg", hostile = folder / "hostile.jpg", unreadable = folder / "coding.jpg";
    writeText(text, "this is not a picture");
    writeText(empty, "");
    writeText(folder / "broken.jpg", "\xff\xd8\xff\xe0 not really a JPEG");
    writePng(folder / "photo.png", 300, 200, { "RGB", PNG_COLOR_TYPE_RGB, 8, false, false }, [](int x, int y) { return std::array<int, 4> { x, y, x ^ y, 255 }; });
    // The start-of-frame marker changed: a header claiming 60000 × 60000 pixels must be refused
    // before anything that size exists; a coding libjpeg does not read (SOF 0xc8) is said in
    // words a person understands.
    auto patched = [&](const std::filesystem::path& to, const std::function<void(std::uint8_t*)>& change) {
        auto bytes = *files::readAll(good);
        const std::uint8_t sof[] = { 0xFF, 0xC0 };
        change(&*std::search(bytes.begin(), bytes.end(), sof, sof + 2));
        files::writeAtomically(to, bytes);
    };
    patched(hostile, [](std::uint8_t* sof) { sof[5] = 0xEA, sof[6] = 0x60, sof[7] = 0xEA, sof[8] = 0x60; });
    patched(unreadable, [](std::uint8_t* sof) { sof[1] = 0xC8; });
    for (const auto& [path, reason] : { std::pair<std::filesystem::path, const char*> { truncated, "ends early" }, { unended, "ends early" }, { text, "" }, { empty, "" }, { folder / "broken.jpg", "" },
             { hostile, "60000×60000 pixels" }, { cutShort(folder / "photo.png", folder / "damaged.png", 0.5), "" }, { folder / "missing.jpg", "no such file" },
             { folder.path(), "not a regular file" }, { unreadable, "coding.jpg: uses a JPEG coding this program cannot read (arithmetic or lossless, SOF 0xc8)" } })
        for (const bool lossless : { false, true }) { // a damaged JPEG is no reason to fall back to the normal mode
            auto stamped = stampToFile(StampEngine(opaqueLogo(10, Color::rgba(1, 0, 0)), {}, { .lossless = lossless }), path, folder / "out.jpg");
            ASSERT_FALSE(stamped.has_value()) << path << (lossless ? ", lossless" : "");
            EXPECT_NE(stamped.error().message.find(path.string() + ": "), std::string::npos) << stamped.error().message;
            EXPECT_NE(stamped.error().message.find(reason), std::string::npos) << stamped.error().message;
        }
}

using StampEdges = FolderTest;

TEST_F(StampEdges, APhotoStoredUpsideDownHasItsStoredLastRowOnTop)
{
    // Stored 64 × 528 (three blocks of rows on the way upright): the last 8 stored rows white,
    // 8 grey rows at 256, black elsewhere; EXIF orientation 3 shows it turned half round.
    const auto source = folder / "upside-down.jpg";
    writeJpeg(source, 64, 528, [](int, int y) { return y >= 520 ? kWhite : (y >= 256 && y < 264 ? kGrey : kBlack); });
    setOrientation(source, 3);
    // A 6-pixel logo in the bottom-left corner, away from the rows checked.
    const Image out = stampedImage(StampEngine(opaqueLogo(10, Color::rgba(1, 0, 0)), { .flags = { 1, 0, 0, 1 }, .sizePercent = 10, .marginPixels = 0 }), source, folder / "out.jpg");
    ASSERT_EQ(out.pixelWidth(), 64);
    ASSERT_EQ(out.pixelHeight(), 528);
    for (int x : { 16, 40, 63 })
        expectColours(out, { { x, 0, kWhite }, { x, 7, kWhite }, { x, 8, kBlack }, { x, 263, kBlack }, { x, 264, kGrey }, { x, 271, kGrey }, { x, 272, kBlack }, { x, 527, kBlack } });
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
