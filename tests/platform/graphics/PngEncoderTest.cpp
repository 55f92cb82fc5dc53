#include <platform/graphics/ImageCodecs.h>

#include <gtest/gtest.h>
#include <random>

using namespace vd;

namespace {

// Pictures large enough to be encoded in bands on several threads, with content that makes every
// row filter and every band boundary matter.
Image noisyPicture(int width, int height, bool opaque)
{
    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.opaque = opaque;
    buffer.pixels.resize(static_cast<size_t>(width) * height);
    std::mt19937 random(11);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t alpha = opaque ? 255 : static_cast<std::uint8_t>((x / 7 + y / 5) % 3 == 0 ? 0 : (x * 3 + y) & 255);
            const Rgba8 colour { static_cast<std::uint8_t>(x + (random() & 7)), static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(random()), alpha };
            buffer.pixels[static_cast<size_t>(y) * width + x] = premultiply(colour);
        }
    return Image::fromBuffer(std::move(buffer));
}

}

TEST(PngEncoder, LargePicturesRoundTripExactlyAtEveryCompressionLevel)
{
    for (bool opaque : { true, false }) {
        for (auto [width, height] : { std::pair { 1500, 1201 }, { 7, 3000 }, { 4000, 65 } }) {
            const Image picture = noisyPicture(width, height, opaque);
            auto png = encodePng(picture);
            ASSERT_TRUE(png);
            auto decoded = decodePng(*png);
            ASSERT_TRUE(decoded) << decoded.error().message;
            ASSERT_EQ(decoded->pixelWidth(), width);
            ASSERT_EQ(decoded->pixelHeight(), height);
            // Premultiplied pixels may move by rounding through the straight-alpha PNG, but a
            // second trip must be exact.
            auto again = decodePng(*encodePng(*decoded));
            ASSERT_TRUE(again);
            EXPECT_TRUE(again->buffer()->pixels == decoded->buffer()->pixels) << width << "×" << height;
            if (opaque) {
                EXPECT_TRUE(decoded->buffer()->pixels == picture.buffer()->pixels) << width << "×" << height;
            }
        }
    }
    // Every compression level gives the same pixels.
    const Image picture = noisyPicture(600, 600, false);
    const auto reference = decodePng(*encodePng(picture, { 3 }));
    for (int level : { 0, 1, 9 }) {
        auto decoded = decodePng(*encodePng(picture, { level }));
        ASSERT_TRUE(decoded) << level;
        EXPECT_TRUE(decoded->buffer()->pixels == reference->buffer()->pixels) << level;
    }
}
