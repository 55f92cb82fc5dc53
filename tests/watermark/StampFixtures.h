#pragma once

// Photos written with libjpeg itself (sampling, scan mode and coding of choice) and ways to find
// a logo in a stamped result, for the stamping engine's tests.

#include <CommandSupport.h>
#include <PhotoFixtures.h>
#include <TestSupport.h>

#include <platform/foundation/ContentHash.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegCoefficients.h>
#include <watermark/StampBatch.h>
#include <watermark/StampEngine.h>
#include <watermark/StampProvenance.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <lcms2.h>
#include <nlohmann/json.hpp>
#include <png.h>
#include <sys/file.h>
#include <tuple>

namespace vd::test {

// A test with a temporary folder of its own.
struct FolderTest : ::testing::Test {
    TemporaryFolder folder;
};

struct SourceStyle {
    int hSampling { 2 }; // of luma; chroma is 1×1
    int vSampling { 2 };
    int quality { 90 };
    bool progressive { false };
    bool arithmetic { false };
    int restartRows { 0 };
    int restartMcus { 0 };         // a restart interval in MCUs, which may end mid-row
    bool optimizeCoding { false }; // Huffman tables made for the picture: codes only for what it uses
    bool greyscale { false };
    std::vector<std::uint8_t> iccProfile;
};

// A photo-like picture with no strong green anywhere, so a green logo can be found in it.
inline std::uint32_t scenery(int x, int y)
{
    const int r = 128 + static_cast<int>(60 * std::sin(x / 9.0));
    const int g = 60 + static_cast<int>(30 * std::cos(y / 7.0));
    const int b = 128 + static_cast<int>(50 * std::sin((x + y) / 13.0));
    return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
}

// Written with libjpeg itself, to choose what the platform's encoder does not offer.
inline void writeSource(const std::filesystem::path& path, int width, int height, const SourceStyle& style)
{
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr error {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = style.greyscale ? 1 : 3;
    cinfo.in_color_space = style.greyscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, style.quality, TRUE);
    if (!style.greyscale) {
        cinfo.comp_info[0].h_samp_factor = style.hSampling;
        cinfo.comp_info[0].v_samp_factor = style.vSampling;
    }
    if (style.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.arith_code = style.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = style.restartRows;
    cinfo.restart_interval = static_cast<unsigned>(style.restartMcus); // 0: none, or every restartRows rows
    cinfo.optimize_coding = style.optimizeCoding ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (!style.iccProfile.empty())
        jpeg_write_icc_profile(&cinfo, style.iccProfile.data(), static_cast<unsigned>(style.iccProfile.size()));
    std::vector<std::uint8_t> row(static_cast<size_t>(width * cinfo.input_components));
    for (int y = 0; y < height; ++y) {
        for (size_t i = 0; i < row.size(); ++i) // red, green, blue; a grey photo the green
            row[i] = static_cast<std::uint8_t>(scenery(static_cast<int>(i) / cinfo.input_components, y) >> (style.greyscale ? 8 : 16 - 8 * (i % 3)));
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

inline void setOrientation(const std::filesystem::path& path, int orientation)
{
    vd::test::editMetadata(path, [orientation](Exiv2::Image& image) {
        image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
        image.exifData()["Exif.Image.Make"] = "Test Camera";
    });
}

// The profile's bytes as a file holds them; the profile is closed.
inline std::vector<std::uint8_t> savedProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> saved(size);
    cmsSaveProfileToMem(profile, saved.data(), &size);
    cmsCloseProfile(profile);
    return saved;
}

// Made once: a profile's header holds the time it was made.
inline const std::vector<std::uint8_t>& srgbProfile()
{
    static const std::vector<std::uint8_t> bytes = savedProfile(cmsCreate_sRGBProfile());
    return bytes;
}

inline Result<StampedPhoto> stampToFile(const StampEngine& engine, const std::filesystem::path& source, const std::filesystem::path& target, const std::string& sourceName = {})
{
    std::FILE* out = std::fopen(target.c_str(), "wb");
    auto stamped = engine.stampPhoto(source, out, sourceName);
    std::fclose(out);
    return stamped;
}

// A batch of engine on workers into out, skipping what it already holds when asked: its summary
// and every report, in order.
inline std::pair<StampSummary, std::vector<StampProgress>> runBatch(std::shared_ptr<StampEngine> engine, const std::filesystem::path& out, const std::vector<std::filesystem::path>& selection, bool skipDone, int workers = 1)
{
    StampBatch batch(std::move(engine), out, workers);
    batch.setSkipDone(skipDone);
    std::vector<StampProgress> reports;
    const StampSummary summary = batch.run(selection, [&](const StampProgress& progress) { reports.push_back(progress); });
    return { summary, reports };
}

inline Image decodeStored(const std::filesystem::path& path)
{
    auto image = decodeImageFile(path);
    EXPECT_TRUE(image.has_value()) << (image ? "" : image.error().message);
    return image ? *image : Image {};
}

// Stamps source into target, which must succeed, and gives the picture written.
inline Image stampedImage(const StampEngine& engine, const std::filesystem::path& source, const std::filesystem::path& target)
{
    auto stamped = stampToFile(engine, source, target);
    EXPECT_TRUE(stamped.has_value()) << (stamped ? "" : stamped.error().message);
    return stamped ? decodeStored(target) : Image {};
}

// The coefficient blocks of a losslessly stamped copy that differ from its source's, outside and
// inside the redrawn MCUs (blocks that begin in them, or up to slack pixels past their far edge).
struct BlockChanges {
    int outside { 0 }, inside { 0 };
};
inline BlockChanges changedBlocks(const std::filesystem::path& source, const std::filesystem::path& copy, const StampedPhoto& stamped, int slack = 0)
{
    BlockChanges changes;
    auto in = JpegCoefficients::open(source);
    auto out = JpegCoefficients::open(copy);
    EXPECT_TRUE(in.has_value() && out.has_value());
    if (!in || !out)
        return { -1, -1 };
    const auto& region = stamped.redrawn;
    for (int c = 0; c < (*out)->componentCount(); ++c) {
        const JpegComponentLayout& layout = (*out)->component(c);
        EXPECT_EQ(layout.quantisation, (*in)->component(c).quantisation);
        EXPECT_EQ(layout.hSampling, (*in)->component(c).hSampling);
        const int blockWidth = 8 * (*out)->maxHSampling() / layout.hSampling;
        const int blockHeight = 8 * (*out)->maxVSampling() / layout.vSampling;
        for (int by = 0; by < layout.heightInBlocks; ++by)
            for (int bx = 0; bx < layout.widthInBlocks; ++bx) {
                const bool inside = bx * blockWidth >= region.x && bx * blockWidth < region.x + region.width + slack
                    && by * blockHeight >= region.y && by * blockHeight < region.y + region.height + slack;
                const bool same = std::equal((*out)->block(c, by, bx), (*out)->block(c, by, bx) + 64, (*in)->block(c, by, bx));
                (inside ? changes.inside : changes.outside) += same ? 0 : 1;
            }
    }
    EXPECT_EQ((*out)->restartInterval(), (*in)->restartInterval());
    return changes;
}

// A logo of width × height points on a transparent ground, with these rectangles painted.
inline Image paintedLogo(double width, double height, std::initializer_list<std::pair<Rect, Color>> fills)
{
    DrawingContext context({ width, height }, DrawingContext::Opacity::Transparent, 1.0);
    for (const auto& [rect, colour] : fills)
        context.fill(rect, colour);
    return context.takeImage();
}

// The logo's pure green, as a JPEG keeps it.
inline bool isLogoGreen(const Image& image, int x, int y)
{
    const std::uint32_t rgb = vd::test::rgbAt(image, x, y);
    return ((rgb >> 8) & 0xff) > 160 && (rgb >> 16) < 90 && (rgb & 0xff) < 90;
}
// The bounds of the green logo's pixels; empty when there are none.
inline Rect greenBox(const Image& image)
{
    return boundsWhere(image, [&](std::uint32_t, int x, int y) { return isLogoGreen(image, x, y); });
}

// Expects each spot (x, y, 0xRRGGBB) of the picture to be its colour within a JPEG's error.
inline void expectColours(const Image& image, std::initializer_list<std::tuple<int, int, std::uint32_t>> spots, int tolerance = 12)
{
    for (const auto& [x, y, rgb] : spots)
        EXPECT_TRUE(near(rgbAt(image, x, y), rgb, tolerance)) << x << "," << y << ": " << std::hex << rgbAt(image, x, y);
}
// Expects each EXIF tag to have its value (nullptr: to be absent).
inline void expectExif(const ImageMetadata& metadata, std::initializer_list<std::pair<const char*, const char*>> tags)
{
    for (const auto& [key, value] : tags)
        EXPECT_EQ(metadata.exifValue(key), value ? std::optional<std::string>(value) : std::nullopt) << key;
}

struct PngKind {
    const char* label;
    int colourType;
    int depth;
    bool interlaced;
    bool transparentColour; // a tRNS chunk
};

// Written with libpng itself, to choose colour type, depth and interlacing. rgba gives each
// pixel's red, green, blue and alpha (0…255); addChunks sets what else the file holds.
inline void writePng(const std::filesystem::path& path, int width, int height, const PngKind& kind, const std::function<std::array<int, 4>(int, int)>& rgba,
    const std::function<void(png_structp, png_infop)>& addChunks = {})
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), kind.depth, kind.colourType,
        kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (kind.colourType == PNG_COLOR_TYPE_PALETTE) {
        // Grey levels 0, 17, 34… 255; the first is fully transparent.
        png_color palette[16];
        for (int i = 0; i < 16; ++i)
            palette[i].red = palette[i].green = palette[i].blue = static_cast<png_byte>(i * 17);
        png_set_PLTE(png, info, palette, 16);
    }
    if (kind.transparentColour) {
        png_byte alpha[1] = { 0 };
        png_color_16 grey {};
        png_set_tRNS(png, info, alpha, 1, kind.colourType == PNG_COLOR_TYPE_PALETTE ? nullptr : &grey);
    }
    if (addChunks)
        addChunks(png, info);
    png_write_info(png, info);
    if (kind.depth < 8)
        png_set_packing(png); // one byte a pixel in, packed in the file
    const int channels = kind.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : kind.colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    const size_t sampleBytes = kind.depth == 16 ? 2 : 1, rowBytes = static_cast<size_t>(width) * channels * sampleBytes;
    std::vector<png_byte> image;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto pixel = rgba(x, y);
            for (int c = 0; c < channels; ++c) // a 16-bit sample repeats its byte: 0xabab
                image.insert(image.end(), sampleBytes, static_cast<png_byte>(channels > 1 ? pixel[c] : kind.colourType == PNG_COLOR_TYPE_PALETTE ? pixel[0] / 17 : pixel[0]));
        }
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(image.data() + y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

inline PlacementDescription bottomRight(double sizePercent, double marginPixels = 11)
{
    return { .flags = { 0, 1, 0, 1 }, .sizePercent = sizePercent, .marginPixels = marginPixels };
}

}
