// PNG photos are stamped a strip of rows at a time like JPEGs; the colours that come out are the
// ones the whole-picture decoding gives, for every kind of PNG, laid over the background where
// the photo is transparent.

#include "StampFixtures.h"

#include <TestSupport.h>

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <watermark/StampEngine.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <png.h>

using namespace vd;
using namespace vd::test;

namespace {

class StampPng : public ::testing::Test {
protected:
    TemporaryFolder folder;
};

struct PngKind {
    const char* label;
    int colourType;
    int depth;
    bool interlaced;
    bool transparentColour; // a tRNS chunk
};

// Written with libpng itself, to choose colour type, depth and interlacing. rgba gives each
// pixel's red, green, blue and alpha (0…255).
void writePng(const std::filesystem::path& path, int width, int height, const PngKind& kind, const std::function<std::array<int, 4>(int, int)>& rgba)
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
            palette[i] = { static_cast<png_byte>(i * 17), static_cast<png_byte>(i * 17), static_cast<png_byte>(i * 17) };
        png_set_PLTE(png, info, palette, 16);
    }
    if (kind.transparentColour) {
        png_byte alpha[1] = { 0 };
        png_color_16 grey {};
        png_set_tRNS(png, info, alpha, 1, kind.colourType == PNG_COLOR_TYPE_PALETTE ? nullptr : &grey);
    }
    png_write_info(png, info);
    if (kind.depth < 8)
        png_set_packing(png); // one byte a pixel in, packed in the file
    const int channels = kind.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : kind.colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    const int bytesPerSample = kind.depth == 16 ? 2 : 1;
    std::vector<png_byte> image(static_cast<size_t>(width) * height * channels * bytesPerSample);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto [r, g, b, a] = rgba(x, y);
            const int values[4] = { r, g, b, a };
            png_byte* at = image.data() + (static_cast<size_t>(y) * width + x) * channels * bytesPerSample;
            for (int c = 0; c < channels; ++c) {
                int value = channels == 1 ? (kind.colourType == PNG_COLOR_TYPE_PALETTE ? r / 17 : r) : values[c];
                if (bytesPerSample == 2) {
                    at[c * 2] = static_cast<png_byte>(value);
                    at[c * 2 + 1] = static_cast<png_byte>(value);
                } else {
                    at[c] = static_cast<png_byte>(value);
                }
            }
        }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[static_cast<size_t>(y)] = image.data() + static_cast<size_t>(y) * width * channels * bytesPerSample;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

std::array<int, 4> pattern(int x, int y)
{
    // Grey levels a palette can hold in the left half, colour (never the logo's green) in the
    // right; a clear band on top.
    const int grey = (x / 7 + y / 5) % 16 * 17;
    const int alpha = y < 12 ? 0 : y < 24 ? 128 : 255;
    return { grey, x >= 100 ? grey / 2 : grey, x >= 100 ? 255 - grey : grey, alpha };
}

}

TEST_F(StampPng, EveryKindOfPngComesOutInTheColoursOfItsDecoding)
{
    const PngKind kinds[] = {
        { "RGB", PNG_COLOR_TYPE_RGB, 8, false, false },
        { "RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false },
        { "grey", PNG_COLOR_TYPE_GRAY, 8, false, false },
        { "grey with a transparent level", PNG_COLOR_TYPE_GRAY, 8, false, true },
        { "palette with a transparent entry", PNG_COLOR_TYPE_PALETTE, 4, false, true },
        { "16-bit RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false },
        { "interlaced RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false },
    };
    const StampEngine engine(vd::test::opaqueLogo(40, Color::rgba(0, 1, 0)), bottomRight(25));
    StampEngineOptions overRed;
    overRed.background = 0xff0000;
    const StampEngine redEngine(vd::test::opaqueLogo(40, Color::rgba(0, 1, 0)), bottomRight(25), overRed);
    // The decoded picture's premultiplied colour over a background.
    auto over = [](std::uint32_t pixel, std::uint32_t background) {
        const std::uint32_t keep = 255 - (pixel >> 24);
        std::uint32_t rgb = 0;
        for (int shift = 16; shift >= 0; shift -= 8)
            rgb |= (((pixel >> shift) & 0xFF) + (((background >> shift) & 0xFF) * keep + 127) / 255) << shift;
        return rgb;
    };
    for (const PngKind& kind : kinds) {
        SCOPED_TRACE(kind.label);
        const auto source = folder / "photo.png";
        writePng(source, 211, 143, kind, pattern);
        const bool transparent = kind.colourType == PNG_COLOR_TYPE_RGB_ALPHA || kind.transparentColour;
        for (const StampEngine* stamping : { &engine, &redEngine }) {
            const std::uint32_t background = stamping->options().background;
            SCOPED_TRACE(background);
            auto stamped = stampToFile(*stamping, source, folder / "out.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            const Image expected = decodeStored(source);
            const Image out = decodeStored(folder / "out.jpg");
            ASSERT_EQ(out.pixelWidth(), 211);
            ASSERT_EQ(out.pixelHeight(), 143);
            const Box box = greenBox(out);
            EXPECT_NEAR(box.left, stamped->placement.x, 1);
            EXPECT_NEAR(box.bottom, 143 - 11 - 1, 1);
            int wrong = 0;
            for (int y = 0; y < 143; ++y)
                for (int x = 0; x < 211; ++x) {
                    const bool nearLogo = x >= box.left - 2 && y >= box.top - 2;
                    // Quality 100, 4:4:4: a few levels at most, more at the pattern's sharp steps.
                    if (!nearLogo && !near(rgbAt(out, x, y), over(expected.pixelAt(x, y), background), 24))
                        ++wrong;
                }
            EXPECT_LT(wrong, 211 * 143 / 100);
            // Clear parts take the background's colour (white unless asked), and the photo says so.
            if (kind.colourType == PNG_COLOR_TYPE_RGB_ALPHA) {
                EXPECT_TRUE(near(rgbAt(out, 150, 3), background, 6)) << std::hex << rgbAt(out, 150, 3);
            }
            EXPECT_EQ(stamped->notice.find("transparent parts, laid over " + std::string(background == 0xffffff ? "white" : "#ff0000")) != std::string::npos, transparent) << stamped->notice;
        }
    }
}

TEST_F(StampPng, ALargePngAndADamagedOne)
{
    // 3000 × 2000 pixels: the photo goes through in strips, its logo in the right place.
    const auto source = folder / "large.png";
    writePng(source, 3000, 2000, { "RGB", PNG_COLOR_TYPE_RGB, 8, false, false }, [](int x, int y) {
        return std::array<int, 4> { x % 256, y % 256, (x + y) / 20 % 256, 255 };
    });
    const StampEngine engine(vd::test::opaqueLogo(200, Color::rgba(0, 1, 0)), bottomRight(10));
    auto stamped = stampToFile(engine, source, folder / "out.jpg");
    ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
    const Image out = decodeStored(folder / "out.jpg");
    ASSERT_EQ(out.pixelWidth(), 3000);
    ASSERT_EQ(out.pixelHeight(), 2000);
    for (int y = 0; y < 2000; y += 97)
        for (int x = 0; x < 2700; x += 89)
            ASSERT_TRUE(near(rgbAt(out, x, y), static_cast<std::uint32_t>((x % 256) << 16 | (y % 256) << 8 | (x + y) / 20 % 256), 8)) << x << "," << y;
    EXPECT_TRUE(near(rgbAt(out, 3000 - 11 - 100, 2000 - 11 - 100), 0x00ff00));

    // Cut short: an error naming the file, and nothing claimed as stamped.
    stamped = stampToFile(engine, cutShort(source, folder / "damaged.png", 0.5), folder / "out.jpg");
    ASSERT_FALSE(stamped.has_value());
    EXPECT_NE(stamped.error().message.find("damaged.png"), std::string::npos) << stamped.error().message;
}
