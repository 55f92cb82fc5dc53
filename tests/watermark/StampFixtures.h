#pragma once

// Photos written with libjpeg itself (sampling, scan mode and coding of choice) and ways to find
// a logo in a stamped result, for the stamping engine's tests.

#include "PhotoFixtures.h"

#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegCoefficients.h>
#include <watermark/StampEngine.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <lcms2.h>

namespace vd::test {

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
    if (style.restartMcus > 0)
        cinfo.restart_interval = static_cast<unsigned>(style.restartMcus);
    cinfo.optimize_coding = style.optimizeCoding ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (!style.iccProfile.empty())
        jpeg_write_icc_profile(&cinfo, style.iccProfile.data(), static_cast<unsigned>(style.iccProfile.size()));
    std::vector<std::uint8_t> row(static_cast<size_t>(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = scenery(x, y);
            if (style.greyscale) {
                row[static_cast<size_t>(x)] = static_cast<std::uint8_t>(rgb >> 8);
            } else {
                row[static_cast<size_t>(x) * 3] = static_cast<std::uint8_t>(rgb >> 16);
                row[static_cast<size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(rgb >> 8);
                row[static_cast<size_t>(x) * 3 + 2] = static_cast<std::uint8_t>(rgb);
            }
        }
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

inline Result<StampedPhoto> stampToFile(const StampEngine& engine, const std::filesystem::path& source, const std::filesystem::path& target, const std::string& sourceName = {})
{
    std::FILE* out = std::fopen(target.c_str(), "wb");
    auto stamped = engine.stampPhoto(source, out, sourceName);
    std::fclose(out);
    return stamped;
}

// Made once: a profile's header holds the time it was made.
inline const std::vector<std::uint8_t>& srgbProfile()
{
    static const std::vector<std::uint8_t> bytes = [] {
        cmsHPROFILE profile = cmsCreate_sRGBProfile();
        cmsUInt32Number size = 0;
        cmsSaveProfileToMem(profile, nullptr, &size);
        std::vector<std::uint8_t> saved(size);
        cmsSaveProfileToMem(profile, saved.data(), &size);
        cmsCloseProfile(profile);
        return saved;
    }();
    return bytes;
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

// The picture as a viewer shows it, from the stored pixels and the Orientation tag.
inline Image upright(const Image& stored, int orientation)
{
    const OrientationMapping mapping = orientationMapping(orientation);
    const int w0 = stored.pixelWidth(), h0 = stored.pixelHeight();
    PixelBuffer buffer;
    buffer.width = mapping.transpose ? h0 : w0;
    buffer.height = mapping.transpose ? w0 : h0;
    buffer.pixels.resize(static_cast<size_t>(w0) * h0);
    for (int y = 0; y < h0; ++y)
        for (int x = 0; x < w0; ++x) {
            int dx = mapping.transpose ? y : x;
            int dy = mapping.transpose ? x : y;
            if (mapping.flipX)
                dx = buffer.width - 1 - dx;
            if (mapping.flipY)
                dy = buffer.height - 1 - dy;
            buffer.pixels[static_cast<size_t>(dy) * buffer.width + dx] = stored.pixelAt(x, y);
        }
    return Image::fromBuffer(std::move(buffer));
}

// A logo of width × height points on a transparent ground, with these rectangles painted.
inline Image paintedLogo(double width, double height, std::initializer_list<std::pair<Rect, Color>> fills)
{
    DrawingContext context({ width, height }, DrawingContext::Opacity::Transparent, 1.0);
    for (const auto& [rect, colour] : fills)
        context.fill(rect, colour);
    return context.takeImage();
}

struct Box {
    int left { 1 << 30 }, top { 1 << 30 }, right { -1 }, bottom { -1 };
};
inline bool isLogoGreen(const Image& image, int x, int y)
{
    const std::uint32_t rgb = vd::test::rgbAt(image, x, y);
    return ((rgb >> 8) & 0xff) > 160 && (rgb >> 16) < 90 && (rgb & 0xff) < 90;
}
// The bounding box of the green logo's pixels.
inline Box greenBox(const Image& image)
{
    Box box;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = 0; x < image.pixelWidth(); ++x) {
            if (isLogoGreen(image, x, y)) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
        }
    return box;
}

inline PlacementDescription bottomRight(double sizePercent)
{
    PlacementDescription placement;
    placement.flags = { 0, 1, 0, 1 };
    placement.sizePercent = sizePercent;
    placement.marginPixels = 11;
    return placement;
}

inline StampEngine losslessEngine(const Image& logo, const PlacementDescription& placement)
{
    StampEngineOptions options;
    options.lossless = true;
    return StampEngine(logo, placement, options);
}

}
