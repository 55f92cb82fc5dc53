// Lossless stamping, which copies a baseline photo's untouched MCUs as coded: wherever the logo
// lies (first MCU, last MCU, whole rows), however the file is coded (restart intervals that end
// mid-row, Huffman tables with only the codes the photo used, progressive, arithmetic), the MCUs
// read are the ones libjpeg decodes, and the result decodes without a single warning, keeps every
// block outside the logo's MCUs, and is coded as its source was and about as large.

#include "StampFixtures.h"

#include <platform/graphics/JpegSplice.h>

using namespace vd;
using namespace vd::test;

namespace {

using LosslessSplice = FolderTest;

// libjpeg's own count of what it found wrong while decoding the whole file (corrupt data,
// extraneous bytes, a restart marker out of place…).
int decodingWarnings(const std::filesystem::path& path)
{
    jpeg_decompress_struct cinfo {};
    jpeg_error_mgr error {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_read_coefficients(&cinfo); // every entropy-coded segment and marker, where the faults show
    jpeg_finish_decompress(&cinfo);
    const int warnings = static_cast<int>(error.num_warnings);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return warnings;
}

// Only the MCUs under the logo are decoded to their coefficients; every other one is passed over
// as fast as it can be. The blocks of MCUs that lie after runs of passed-over ones, as read, that
// differ from what libjpeg decodes (a single bit lost while passing over shows); -1 when the
// photo cannot be spliced.
int misreadBlocks(const std::filesystem::path& source)
{
    auto splice = JpegSplice::open(source);
    auto whole = JpegCoefficients::open(source);
    if (!splice || !whole || !(*splice)->spliceable())
        return -1;
    JpegSplice& jpeg = **splice;
    const int total = jpeg.mcuColumns() * jpeg.mcuRows();
    const std::vector<int> mcus { 0, total / 3, total / 2 + 1, total - 1 };
    EXPECT_TRUE(jpeg.readMcus(mcus));
    int differing = 0;
    for (const int mcu : mcus)
        for (int c = 0; c < 3; ++c) {
            const JpegComponentLayout& layout = jpeg.component(c);
            for (int b = 0; b < layout.vSampling * layout.hSampling; ++b) {
                const int row = mcu / jpeg.mcuColumns() * layout.vSampling + b / layout.hSampling;
                const int column = mcu % jpeg.mcuColumns() * layout.hSampling + b % layout.hSampling;
                const std::int16_t* read = jpeg.block(c, row, column);
                differing += !read || !std::equal(read, read + 64, (*whole)->block(c, row, column));
            }
        }
    EXPECT_EQ(jpeg.block(0, 1, jpeg.mcuColumns() * jpeg.component(0).hSampling / 2), nullptr) << "a block not asked for";
    return differing;
}

}

TEST_F(LosslessSplice, EveryLogoPositionAndCodingReadsTheMcusAsLibjpegKeepsTheOtherBlocksAndDecodesCleanly)
{
    const Image logo = opaqueLogo(80, Color::rgba(0, 1, 0));
    // Where the logo lies, on a photo of width × height. 163 × 245 with a logo as wide as the photo: every row of MCUs it covers is changed from
    // edge to edge, so runs of changed MCUs wrap from one row to the next. On a large photo the
    // copy's size is the source's within 2 %.
    const std::tuple<const char*, int, int, PlacementDescription> positions[] = {
        { "top left, the first MCU", 203, 157, { .flags = { 1, 0, 1, 0 }, .sizePercent = 25, .marginPixels = 0 } },
        { "bottom right, the last MCU", 203, 157, bottomRight(25, 0) },
        { "whole rows", 163, 245, { .flags = { 1, 0, 0, 1 }, .sizePercent = 100, .marginPixels = 0 } },
        { "large", 1200, 901, bottomRight(10) },
    };
    const std::pair<const char*, SourceStyle> styles[] = {
        { "4:2:0", {} },
        { "restart every 3 MCUs", { .restartMcus = 3 } },
        { "own Huffman tables", { .optimizeCoding = true } },
        { "both", { .restartMcus = 5, .optimizeCoding = true } },
        { "4:4:4, restart every 7", { .hSampling = 1, .vSampling = 1, .restartMcus = 7 } },
        { "progressive", { .progressive = true } },
        { "restart every 2 rows", { .restartRows = 2 } },
        { "arithmetic", { .arithmetic = true } },
        // Quality 100 fills blocks to their last coefficient.
        { "quality 100, own tables", { .quality = 100, .optimizeCoding = true } },
        { "quality 98, restart every 4 MCUs", { .quality = 98, .restartMcus = 4 } },
        { "4:4:4, quality 100", { .hSampling = 1, .vSampling = 1, .quality = 100 } },
    };
    for (const auto& [where, width, height, placement] : positions)
        for (const auto& [label, style] : styles) {
            SCOPED_TRACE(std::string(where) + ", " + label);
            const auto source = folder / "photo.jpg";
            writeSource(source, width, height, style);
            EXPECT_EQ(misreadBlocks(source), style.progressive || style.arithmetic ? -1 : 0);
            auto stamped = stampToFile(StampEngine(logo, placement, { .lossless = true }), source, folder / "out.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            EXPECT_TRUE(stamped->lossless);
            EXPECT_TRUE(stamped->notice.empty()) << stamped->notice;
            EXPECT_EQ(decodingWarnings(folder / "out.jpg"), 0);
            const BlockChanges changes = changedBlocks(source, folder / "out.jpg", *stamped);
            EXPECT_EQ(changes.outside, 0);
            EXPECT_GT(changes.inside, 0);
            auto coded = JpegCoefficients::open(folder / "out.jpg");
            ASSERT_TRUE(coded.has_value());
            EXPECT_TRUE((*coded)->isProgressive() == style.progressive && (*coded)->isArithmetic() == style.arithmetic);
            const double sizeRatio = double(std::filesystem::file_size(folder / "out.jpg")) / double(std::filesystem::file_size(source));
            EXPECT_TRUE(width < 1000 || std::abs(sizeRatio - 1) < 0.02) << sizeRatio;

            const Rect box = greenBox(decodeStored(folder / "out.jpg"));
            const auto& logo = stamped->placement;
            for (const auto& [got, expected] : { std::pair { box.minX(), logo.x }, { box.minY(), logo.y }, { box.maxX(), logo.x + logo.width }, { box.maxY(), logo.y + logo.height } })
                EXPECT_NEAR(got, expected, 2);
        }
}

using LosslessStamp = FolderTest;

TEST_F(LosslessStamp, KeepsEveryBlockOutsideTheLogoAndPlacesTheLogoAsTheNormalModeForEveryOrientationAndSampling)
{
    const Image logo = opaqueLogo(90, Color::rgba(0, 1, 0));
    const StampEngine lossless(logo, bottomRight(30), { .lossless = true }), normal(logo, bottomRight(30));
    // 203 × 157: the last block row and column are partial whatever the sampling.
    for (auto [h, v] : { std::pair { 2, 2 }, std::pair { 2, 1 }, std::pair { 1, 1 } }) {
        const auto base = folder / "base.jpg", source = folder / "photo.jpg";
        writeSource(base, 203, 157, { .hSampling = h, .vSampling = v });
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE("sampling " + std::to_string(h) + "×" + std::to_string(v) + ", orientation " + std::to_string(orientation));
            std::filesystem::copy_file(base, source, std::filesystem::copy_options::overwrite_existing);
            setOrientation(source, orientation);
            auto stamped = stampToFile(lossless, source, folder / "lossless.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            EXPECT_TRUE(stamped->lossless);
            EXPECT_TRUE(stamped->notice.empty()) << stamped->notice;
            // Bit for bit: every coefficient block outside the redrawn MCUs is the source's.
            const BlockChanges changes = changedBlocks(base, folder / "lossless.jpg", *stamped, 1);
            EXPECT_EQ(changes.outside, 0);
            EXPECT_GT(changes.inside, 0);

            // The Orientation tag stays, and a viewer shows the logo where the normal mode puts it.
            auto metadata = ImageMetadata::readFromFile(folder / "lossless.jpg");
            ASSERT_TRUE(metadata.has_value());
            EXPECT_EQ(metadata->orientation(), orientation);
            expectExif(*metadata, { { "Exif.Image.Software", kStampSoftware }, { "Exif.Image.Make", "Test Camera" } });
            ASSERT_TRUE(stampToFile(normal, source, folder / "normal.jpg").has_value());
            const Rect expected = greenBox(decodeStored(folder / "normal.jpg")), got = greenBox(uprightImage(decodeStored(folder / "lossless.jpg"), orientation));
            ASSERT_FALSE(expected.isEmpty());
            for (const auto& [a, b] : { std::pair { got.minX(), expected.minX() }, { got.maxX(), expected.maxX() }, { got.minY(), expected.minY() }, { got.maxY(), expected.maxY() } })
                EXPECT_NEAR(a, b, 1);
        }
    }
}

using StampFidelity = FolderTest;

TEST_F(StampFidelity, ALogoTurnedBy30DegreesTurnsClockwiseOnTheUprightPhotoInBothModes)
{
    // A bar along the top of a transparent square: which way it tilts tells which way it turned.
    const Image topBar = paintedLogo(100, 100, { { { 0, 0, 100, 20 }, Color::rgba(0, 1, 0) } });
    const auto source = folder / "photo.jpg";
    for (int orientation : { 1, 6 }) {
        writeSource(source, 400, 300, SourceStyle {});
        setOrientation(source, orientation);
        for (const bool lossless : { false, true }) {
            SCOPED_TRACE(std::string(lossless ? "lossless" : "normal") + ", orientation " + std::to_string(orientation));
            const StampEngine engine(topBar, { .sizePercent = 60, .rotationDegrees = 30 }, { .lossless = lossless });
            const Image out = stampedImage(engine, source, folder / "out.jpg");
            const Image shown = lossless ? uprightImage(out, orientation) : out;
            // Turned clockwise, the bar's left end rises and its right end sinks: its highest
            // pixel lies left of the centre and its lowest right of it.
            const Rect box = greenBox(shown);
            ASSERT_FALSE(box.isEmpty());
            auto firstGreenIn = [&](int row) { return boundsWhere(shown, [&](std::uint32_t, int x, int y) { return y == row && isLogoGreen(shown, x, y); }).x(); };
            EXPECT_LT(firstGreenIn(static_cast<int>(box.minY())), shown.pixelWidth() / 2 - 20);
            EXPECT_GT(firstGreenIn(static_cast<int>(box.maxY()) - 1), shown.pixelWidth() / 2 + 20);
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
    return savedProfile(profile);
}

}

using ColourManagedLogo = FolderTest;

// The logo's colours are sRGB: on a photo with another profile they are converted into it (the
// red of sRGB is #ea3323 in Display P3's numbers), and the photo keeps its profile. The normal
// mode keeps them within a step or two.
TEST_F(ColourManagedLogo, ADisplayP3PhotoCarriesTheSrgbRedConvertedIntoP3AndOthersTheLogosOwnColours)
{
    for (const auto& [label, profile, expected] : { std::tuple<const char*, std::vector<std::uint8_t>, std::uint32_t> { "Display P3", displayP3(), 0xea3323 }, { "sRGB", srgbProfile(), 0xff0000 }, { "no profile", {}, 0xff0000 } })
        for (const bool lossless : { false, true }) {
            SCOPED_TRACE(std::string(label) + (lossless ? ", lossless" : ""));
            writeSource(folder / "photo.jpg", 300, 200, { .quality = 95, .iccProfile = profile });
            const Image out = stampedImage(StampEngine(opaqueLogo(100, Color::rgba(1, 0, 0)), { .sizePercent = 50 }, { .lossless = lossless }), folder / "photo.jpg", folder / "out.jpg");
            // Quality 100 keeps the colour within a step or two; the source's 4:2:0 chroma a few more.
            EXPECT_TRUE(near(rgbAt(out, 150, 100), expected, lossless ? 6 : 2)) << std::hex << rgbAt(out, 150, 100) << " instead of " << expected;
            EXPECT_EQ(ImageMetadata::readFromFile(folder / "out.jpg").value().iccProfile(), profile);
            // The normal mode writes at quality 100 (every quantisation step 1) in 4:4:4; the
            // lossless mode keeps the source's 4:2:0 and quality 95.
            auto written = JpegCoefficients::open(folder / "out.jpg");
            ASSERT_TRUE(written.has_value());
            for (int component = 0; component < 3; ++component) {
                const JpegComponentLayout& layout = (*written)->component(component);
                EXPECT_EQ(std::ranges::all_of(layout.quantisation, [](int step) { return step == 1; }) && layout.hSampling == 1, !lossless) << component;
            }
        }
}
