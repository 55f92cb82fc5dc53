#include "PhotoFixtures.h"

#include <TestSupport.h>

#include <platform/graphics/ImageMetadata.h>
#include <platform/graphics/JpegCoefficients.h>
#include <watermark/StampEngine.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <jpeglib.h>

using namespace vd;

namespace {

struct SourceStyle {
    int hSampling { 2 }; // of luma; chroma is 1×1
    int vSampling { 2 };
    int quality { 90 };
    bool progressive { false };
    bool arithmetic { false };
    int restartRows { 0 };
    bool greyscale { false };
};

// A photo-like picture with no strong green anywhere, so a green logo can be found in it.
std::uint32_t scenery(int x, int y)
{
    const int r = 128 + static_cast<int>(60 * std::sin(x / 9.0));
    const int g = 60 + static_cast<int>(30 * std::cos(y / 7.0));
    const int b = 128 + static_cast<int>(50 * std::sin((x + y) / 13.0));
    return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
}

// Written with libjpeg itself, to choose what the platform's encoder does not offer.
void writeSource(const std::filesystem::path& path, int width, int height, const SourceStyle& style)
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
    jpeg_start_compress(&cinfo, TRUE);
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

void setOrientation(const std::filesystem::path& path, int orientation)
{
    vd::test::editMetadata(path, [orientation](Exiv2::Image& image) {
        image.exifData()["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
        image.exifData()["Exif.Image.Make"] = "Test Camera";
    });
}

Result<StampedPhoto> stampToFile(const StampEngine& engine, const std::filesystem::path& source, const std::filesystem::path& target)
{
    std::FILE* out = std::fopen(target.c_str(), "wb");
    auto stamped = engine.stampPhoto(source, out);
    std::fclose(out);
    return stamped;
}

Image decodeStored(const std::filesystem::path& path)
{
    auto image = decodeImageFile(path);
    EXPECT_TRUE(image.has_value()) << (image ? "" : image.error().message);
    return image ? *image : Image {};
}

// The picture as a viewer shows it, from the stored pixels and the Orientation tag.
Image upright(const Image& stored, int orientation)
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

struct Box {
    int left { 1 << 30 }, top { 1 << 30 }, right { -1 }, bottom { -1 };
};
// The bounding box of the green logo's pixels.
Box greenBox(const Image& image)
{
    Box box;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = 0; x < image.pixelWidth(); ++x) {
            const std::uint32_t rgb = vd::test::rgbAt(image, x, y);
            if (((rgb >> 8) & 0xff) > 160 && (rgb >> 16) < 90 && (rgb & 0xff) < 90) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
        }
    return box;
}

PlacementDescription bottomRight(double sizePercent)
{
    PlacementDescription placement;
    placement.flags = { 0, 1, 0, 1 };
    placement.sizePercent = sizePercent;
    placement.marginPixels = 11;
    return placement;
}

StampEngine losslessEngine(const Image& logo, const PlacementDescription& placement)
{
    StampEngineOptions options;
    options.lossless = true;
    return StampEngine(logo, placement, options);
}

class LosslessStamp : public ::testing::Test {
protected:
    vd::test::TemporaryFolder folder;
};

}

TEST_F(LosslessStamp, KeepsEveryBlockOutsideTheLogoAndPlacesTheLogoAsTheNormalModeForEveryOrientationAndSampling)
{
    const Image logo = vd::test::opaqueLogo(90, Color::rgba(0, 1, 0));
    const StampEngine lossless = losslessEngine(logo, bottomRight(30));
    const StampEngine normal(logo, bottomRight(30));
    // 203 × 157: the last block row and column are partial whatever the sampling.
    for (auto [h, v] : { std::pair { 2, 2 }, std::pair { 2, 1 }, std::pair { 1, 1 } }) {
        SourceStyle style;
        style.hSampling = h;
        style.vSampling = v;
        const auto base = folder / "base.jpg";
        writeSource(base, 203, 157, style);
        const Image sourcePixels = decodeStored(base);
        auto sourceCoefficients = JpegCoefficients::open(base);
        ASSERT_TRUE(sourceCoefficients.has_value());
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
            auto written = JpegCoefficients::open(folder / "lossless.jpg");
            ASSERT_TRUE(written.has_value());
            ASSERT_EQ((*written)->width(), 203);
            int differingOutside = 0, differingInside = 0;
            for (int c = 0; c < 3; ++c) {
                const JpegComponentLayout& layout = (*written)->component(c);
                EXPECT_EQ(layout.quantisation, (*sourceCoefficients)->component(c).quantisation);
                EXPECT_EQ(layout.hSampling, (*sourceCoefficients)->component(c).hSampling);
                const int blockWidth = 8 * (*written)->maxHSampling() / layout.hSampling;
                const int blockHeight = 8 * (*written)->maxVSampling() / layout.vSampling;
                for (int by = 0; by < layout.heightInBlocks; ++by)
                    for (int bx = 0; bx < layout.widthInBlocks; ++bx) {
                        const bool inside = bx * blockWidth >= region.x && (bx + 1) * blockWidth <= region.x + region.width + blockWidth
                            && by * blockHeight >= region.y && (by + 1) * blockHeight <= region.y + region.height + blockHeight;
                        const bool same = std::equal((*written)->block(c, by, bx), (*written)->block(c, by, bx) + 64, (*sourceCoefficients)->block(c, by, bx));
                        (inside ? differingInside : differingOutside) += same ? 0 : 1;
                    }
            }
            EXPECT_EQ(differingOutside, 0);
            EXPECT_GT(differingInside, 0);

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
            const Box got = greenBox(upright(out, orientation));
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
    SourceStyle plain, progressive, restarts, arithmetic;
    progressive.progressive = true;
    restarts.restartRows = 2;
    arithmetic.arithmetic = true;
    for (const auto& [label, style] : { std::pair { "baseline", plain }, std::pair { "progressive", progressive }, std::pair { "restart markers", restarts }, std::pair { "arithmetic", arithmetic } }) {
        SCOPED_TRACE(label);
        const auto source = folder / "photo.jpg";
        writeSource(source, 1200, 901, style);
        auto stamped = stampToFile(lossless, source, folder / "out.jpg");
        ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
        EXPECT_TRUE(stamped->lossless);
        const double sourceSize = static_cast<double>(std::filesystem::file_size(source));
        const double outSize = static_cast<double>(std::filesystem::file_size(folder / "out.jpg"));
        EXPECT_NEAR(outSize / sourceSize, 1.0, 0.02);
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
    SourceStyle grey;
    grey.greyscale = true;
    writeSource(folder / "grey.jpg", 200, 150, grey);
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

    // A damaged JPEG is an error naming the file, not a silent fallback.
    std::FILE* broken = std::fopen((folder / "broken.jpg").c_str(), "wb");
    std::fputs("\xff\xd8\xff\xe0 not really a JPEG", broken);
    std::fclose(broken);
    stamped = stampToFile(lossless, folder / "broken.jpg", folder / "out.jpg");
    ASSERT_FALSE(stamped.has_value());
    EXPECT_NE(stamped.error().message.find("broken.jpg"), std::string::npos);
}
