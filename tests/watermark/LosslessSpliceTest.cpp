// Lossless stamping of baseline photos, whose untouched MCUs are copied as coded: wherever the
// logo lies (first MCU, last MCU, whole rows), however the file is coded (restart intervals that
// end mid-row, Huffman tables with only the codes the photo used), the result decodes without a
// single warning and keeps every block outside the logo's MCUs.

#include "StampFixtures.h"

#include <TestSupport.h>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <lcms2.h>
#include <platform/foundation/Files.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegCoefficients.h>
#include <platform/graphics/JpegSplice.h>
#include <watermark/StampEngine.h>

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
    jpeg_start_decompress(&cinfo);
    std::vector<std::uint8_t> row(static_cast<size_t>(cinfo.output_width) * cinfo.output_components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW pointer = row.data();
        jpeg_read_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_decompress(&cinfo);
    const int warnings = static_cast<int>(error.num_warnings);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return warnings;
}

PlacementDescription corner(bool left, bool top, double sizePercent)
{
    return { .flags = { left ? 1.0 : 0.0, left ? 0.0 : 1.0, top ? 1.0 : 0.0, top ? 0.0 : 1.0 }, .sizePercent = sizePercent, .marginPixels = 0 };
}

}

TEST_F(LosslessSplice, EveryLogoPositionAndCodingKeepsTheOtherBlocksAndDecodesCleanly)
{
    const Image logo = vd::test::opaqueLogo(80, Color::rgba(0, 1, 0));
    struct Position {
        const char* label;
        int width, height;
        PlacementDescription placement;
    };
    // 163 × 245 with a logo as wide as the photo: every row of MCUs it covers is changed from
    // edge to edge, so runs of changed MCUs wrap from one row to the next.
    const Position positions[] = {
        { "top left, the first MCU", 203, 157, corner(true, true, 25) },
        { "bottom right, the last MCU", 203, 157, corner(false, false, 25) },
        { "whole rows", 163, 245, corner(true, false, 100) },
    };
    const std::pair<const char*, SourceStyle> styles[] = {
        { "4:2:0", {} },
        { "restart every 3 MCUs", { .restartMcus = 3 } },
        { "own Huffman tables", { .optimizeCoding = true } },
        { "both", { .restartMcus = 5, .optimizeCoding = true } },
        { "4:4:4, restart every 7", { .hSampling = 1, .vSampling = 1, .restartMcus = 7 } },
    };
    for (const Position& position : positions)
        for (const auto& [label, style] : styles) {
            SCOPED_TRACE(std::string(position.label) + ", " + label);
            const auto source = folder / "photo.jpg";
            writeSource(source, position.width, position.height, style);
            auto stamped = stampToFile(losslessEngine(logo, position.placement), source, folder / "out.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            EXPECT_TRUE(stamped->lossless);
            EXPECT_TRUE(stamped->notice.empty()) << stamped->notice;
            EXPECT_EQ(decodingWarnings(folder / "out.jpg"), 0);
            const BlockChanges changes = changedBlocks(source, folder / "out.jpg", *stamped);
            EXPECT_EQ(changes.outside, 0);
            EXPECT_GT(changes.inside, 0);

            const Box box = greenBox(decodeStored(folder / "out.jpg"));
            EXPECT_NEAR(box.right - box.left + 1, stamped->placement.width, 2);
            EXPECT_NEAR(box.bottom - box.top + 1, stamped->placement.height, 2);
            EXPECT_NEAR(box.left, stamped->placement.x, 1);
            EXPECT_NEAR(box.top, stamped->placement.y, 1);
        }
}

// Only the MCUs under the logo are decoded to their coefficients; every other one is passed over
// as fast as it can be. Wherever an MCU lies after a run of passed-over ones, its coefficients
// are the ones libjpeg decodes, whatever the quality (quality 100 fills blocks to their last
// coefficient), tables and restart intervals: a single bit lost while passing over shows.
TEST_F(LosslessSplice, TheMcusReadAreTheOnesLibjpegDecodesWhereverTheyLie)
{
    const std::pair<const char*, SourceStyle> styles[] = {
        { "4:2:0", {} },
        { "quality 100, own tables", { .quality = 100, .optimizeCoding = true } },
        { "restart every 4 MCUs", { .quality = 98, .restartMcus = 4 } },
        { "own tables", { .optimizeCoding = true } },
        { "4:4:4, quality 100", { .hSampling = 1, .vSampling = 1, .quality = 100 } },
    };
    for (const auto& [label, style] : styles) {
        SCOPED_TRACE(label);
        const auto source = folder / "photo.jpg";
        writeSource(source, 203, 157, style);
        auto splice = JpegSplice::open(source);
        auto whole = JpegCoefficients::open(source);
        ASSERT_TRUE(splice.has_value() && whole.has_value());
        JpegSplice& jpeg = **splice;
        ASSERT_TRUE(jpeg.spliceable());
        const int total = jpeg.mcuColumns() * jpeg.mcuRows();
        const std::vector<int> mcus { 0, total / 3, total / 2 + 1, total - 1 };
        ASSERT_TRUE(jpeg.readMcus(mcus));
        int blocks = 0, differing = 0;
        for (const int mcu : mcus)
            for (int c = 0; c < 3; ++c) {
                const JpegComponentLayout& layout = jpeg.component(c);
                for (int by = 0; by < layout.vSampling; ++by)
                    for (int bx = 0; bx < layout.hSampling; ++bx) {
                        const int row = mcu / jpeg.mcuColumns() * layout.vSampling + by;
                        const int column = mcu % jpeg.mcuColumns() * layout.hSampling + bx;
                        const std::int16_t* read = jpeg.block(c, row, column);
                        ASSERT_NE(read, nullptr);
                        ++blocks;
                        differing += std::equal(read, read + 64, (*whole)->block(c, row, column)) ? 0 : 1;
                    }
            }
        EXPECT_EQ(differing, 0) << "of " << blocks << " blocks";
        EXPECT_EQ(jpeg.block(0, 1, jpeg.mcuColumns() * jpeg.component(0).hSampling / 2), nullptr) << "a block not asked for";
    }
}

namespace {

using LosslessStamp = FolderTest;

}

TEST_F(LosslessStamp, KeepsEveryBlockOutsideTheLogoAndPlacesTheLogoAsTheNormalModeForEveryOrientationAndSampling)
{
    const Image logo = vd::test::opaqueLogo(90, Color::rgba(0, 1, 0));
    const StampEngine lossless = losslessEngine(logo, bottomRight(30));
    const StampEngine normal(logo, bottomRight(30));
    // 203 × 157: the last block row and column are partial whatever the sampling.
    for (auto [h, v] : { std::pair { 2, 2 }, std::pair { 2, 1 }, std::pair { 1, 1 } }) {
        const auto base = folder / "base.jpg";
        writeSource(base, 203, 157, { .hSampling = h, .vSampling = v });
        const Image sourcePixels = decodeStored(base);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE("sampling " + std::to_string(h) + "×" + std::to_string(v) + ", orientation " + std::to_string(orientation));
            const auto source = folder / "photo.jpg";
            std::filesystem::copy_file(base, source, std::filesystem::copy_options::overwrite_existing);
            setOrientation(source, orientation);
            auto stamped = stampToFile(lossless, source, folder / "lossless.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            EXPECT_TRUE(stamped->lossless);
            EXPECT_TRUE(stamped->notice.empty()) << stamped->notice;
            const auto& region = stamped->redrawn;
            ASSERT_GT(region.width, 0);
            // Bit for bit: every coefficient block outside the redrawn MCUs is the source's.
            const BlockChanges changes = changedBlocks(base, folder / "lossless.jpg", *stamped, 1);
            EXPECT_EQ(changes.outside, 0);
            EXPECT_GT(changes.inside, 0);

            // Decoded: every pixel outside the redrawn MCUs and the one pixel the decoder's chroma
            // smoothing reaches across their edge equals the source's decode.
            const Image out = decodeStored(folder / "lossless.jpg");
            ASSERT_EQ(out.pixelWidth(), 203);
            ASSERT_EQ(out.pixelHeight(), 157);
            int differingPixels = 0;
            for (int y = 0; y < 157; ++y)
                for (int x = 0; x < 203; ++x) {
                    const bool near = x >= region.x - 1 && x <= region.x + region.width && y >= region.y - 1 && y <= region.y + region.height;
                    if (!near && out.pixelAt(x, y) != sourcePixels.pixelAt(x, y))
                        ++differingPixels;
                }
            EXPECT_EQ(differingPixels, 0);

            // The Orientation tag stays, and a viewer shows the logo where the normal mode puts it.
            auto metadata = ImageMetadata::readFromFile(folder / "lossless.jpg");
            ASSERT_TRUE(metadata.has_value());
            EXPECT_EQ(metadata->orientation(), orientation);
            EXPECT_EQ(metadata->exifValue("Exif.Image.Software"), std::optional<std::string>(kStampSoftware));
            EXPECT_EQ(metadata->exifValue("Exif.Image.Make"), std::optional<std::string>("Test Camera"));
            ASSERT_TRUE(stampToFile(normal, source, folder / "normal.jpg").has_value());
            const Box expected = greenBox(decodeStored(folder / "normal.jpg"));
            const Box got = greenBox(uprightImage(out, orientation));
            ASSERT_GE(expected.right, 0);
            EXPECT_NEAR(got.left, expected.left, 1);
            EXPECT_NEAR(got.right, expected.right, 1);
            EXPECT_NEAR(got.top, expected.top, 1);
            EXPECT_NEAR(got.bottom, expected.bottom, 1);
        }
    }
}

TEST_F(LosslessStamp, KeepsTheSourcesSizeAndWorksOnProgressiveRestartAndArithmeticSources)
{
    const Image logo = vd::test::opaqueLogo(60, Color::rgba(0, 1, 0));
    const StampEngine lossless = losslessEngine(logo, bottomRight(10));
    const std::pair<const char*, SourceStyle> styles[] = { { "baseline", {} }, { "progressive", { .progressive = true } }, { "restart markers", { .restartRows = 2 } }, { "arithmetic", { .arithmetic = true } } };
    for (const auto& [label, style] : styles) {
        SCOPED_TRACE(label);
        const auto source = folder / "photo.jpg";
        writeSource(source, 1200, 901, style);
        auto stamped = stampToFile(lossless, source, folder / "out.jpg");
        ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
        EXPECT_TRUE(stamped->lossless);
        EXPECT_NEAR(double(std::filesystem::file_size(folder / "out.jpg")) / double(std::filesystem::file_size(source)), 1.0, 0.02);
        auto in = JpegCoefficients::open(source);
        auto out = JpegCoefficients::open(folder / "out.jpg");
        ASSERT_TRUE(in.has_value() && out.has_value());
        EXPECT_EQ((*out)->isProgressive(), style.progressive);
        EXPECT_EQ((*out)->isArithmetic(), style.arithmetic);
        EXPECT_EQ((*out)->restartInterval(), (*in)->restartInterval());
        // The top left block is far from the logo.
        EXPECT_TRUE(std::equal((*out)->block(0, 0, 0), (*out)->block(0, 0, 0) + 64, (*in)->block(0, 0, 0)));
        const Box box = greenBox(decodeStored(folder / "out.jpg"));
        EXPECT_NEAR(box.right, 1200 - 11 - 1, 1);
        EXPECT_NEAR(box.bottom, 901 - 11 - 1, 1);
    }
}

TEST_F(LosslessStamp, PhotosItCannotStampLosslesslyGetTheNormalModeWithANotice)
{
    const StampEngine lossless = losslessEngine(vd::test::opaqueLogo(60, Color::rgba(0, 1, 0)), bottomRight(20));
    writeSource(folder / "grey.jpg", 200, 150, { .greyscale = true });
    setOrientation(folder / "grey.jpg", 6);
    auto stamped = stampToFile(lossless, folder / "grey.jpg", folder / "out.jpg");
    ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
    EXPECT_FALSE(stamped->lossless);
    EXPECT_NE(stamped->notice.find("greyscale"), std::string::npos) << stamped->notice;
    EXPECT_NE(stamped->notice.find("normal mode"), std::string::npos) << stamped->notice;
    EXPECT_EQ(decodeStored(folder / "out.jpg").pixelWidth(), 150); // turned upright as usual
    EXPECT_EQ(ImageMetadata::readFromFile(folder / "out.jpg")->orientation(), 1);

    auto png = encodePng(vd::test::opaqueLogo(50, Color::rgba(0, 0, 1)));
    ASSERT_TRUE(files::writeAtomically(folder / "photo.png", *png).has_value());
    stamped = stampToFile(lossless, folder / "photo.png", folder / "out.jpg");
    ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
    EXPECT_FALSE(stamped->lossless);
    EXPECT_NE(stamped->notice.find("JPEG"), std::string::npos) << stamped->notice;

    // A damaged JPEG, or one whose data ends early, is an error naming the file, not a silent
    // fallback.
    writeText(folder / "broken.jpg", "\xff\xd8\xff\xe0 not really a JPEG");
    writeSource(folder / "photo.jpg", 1600, 1200, { .quality = 95 });
    for (const auto& [damaged, reason] : { std::pair { folder / "broken.jpg", "" }, { cutShort(folder / "photo.jpg", folder / "truncated.jpg", 2.0 / 3), "ends early" } }) {
        stamped = stampToFile(lossless, damaged, folder / "out.jpg");
        ASSERT_FALSE(stamped.has_value());
        EXPECT_NE(stamped.error().message.find(damaged.filename().string() + ": "), std::string::npos) << stamped.error().message;
        EXPECT_NE(stamped.error().message.find(reason), std::string::npos) << stamped.error().message;
    }
}

namespace {

Image greenLogo(double width, double height) { return paintedLogo(width, height, { { { 0, 0, width, height }, Color::rgba(0, 1, 0) } }); }

using StampFidelity = FolderTest;

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
    return savedProfile(profile);
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
