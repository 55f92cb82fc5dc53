#include <platform/graphics/ImageCodecs.h>

#include <gtest/gtest.h>
#include <random>

using namespace vd;

namespace {

// Pictures large enough to be encoded in bands on several threads, with content that makes every
// row filter and every band boundary matter.
Image noisyPicture(int width, int height, bool opaque)
{
    PixelBuffer buffer { width, height, {}, opaque };
    std::mt19937 random(11);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t alpha = opaque ? 255 : static_cast<std::uint8_t>((x / 7 + y / 5) % 3 == 0 ? 0 : (x * 3 + y) & 255);
            const std::uint8_t red = static_cast<std::uint8_t>(x + (random() & 7));
            buffer.pixels.push_back(premultiply({ red, static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(random()), alpha }));
        }
    return Image::fromBuffer(std::move(buffer));
}

}

TEST(PngEncoder, LargePicturesRoundTripExactlyAtEveryCompressionLevel)
{
    for (bool opaque : { true, false }) {
        for (auto [width, height] : { std::pair { 1500, 1201 }, { 7, 3000 }, { 4000, 65 } }) {
            const Image picture = noisyPicture(width, height, opaque);
            auto decoded = decodePng(encodePng(picture).value());
            ASSERT_TRUE(decoded) << decoded.error().message;
            ASSERT_EQ(std::pair(decoded->pixelWidth(), decoded->pixelHeight()), std::pair(width, height));
            auto again = decodePng(*encodePng(*decoded)); // premultiplied pixels may round once, never twice
            ASSERT_TRUE(again);
            EXPECT_TRUE(again->buffer()->pixels == decoded->buffer()->pixels) << width << "×" << height;
            EXPECT_TRUE(!opaque || decoded->buffer()->pixels == picture.buffer()->pixels) << width << "×" << height;
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
