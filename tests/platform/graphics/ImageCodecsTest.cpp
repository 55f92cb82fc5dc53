#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>

#include <gtest/gtest.h>

using namespace vd;

namespace {
Image halfTransparentSquare()
{
    DrawingContext context({ 40, 30 }, DrawingContext::Opacity::Transparent, 1.0);
    context.fill({ 0, 0, 20, 30 }, Color::rgba(1, 0, 0, 0.5));
    context.fill({ 20, 0, 20, 30 }, Color::rgba(0, 0, 1, 1));
    return context.takeImage();
}
}

TEST(PngCodec, RoundTripKeepsTransparencyAndColourAndDamageIsRefused)
{
    const Image image = halfTransparentSquare();
    auto png = encodePng(image);
    ASSERT_TRUE(png);
    auto decoded = decodePng(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::pair(decoded->pixelWidth(), decoded->pixelHeight()), std::pair(40, 30));
    const Rgba8 left = unpremultiply(decoded->pixelAt(5, 5));
    EXPECT_TRUE(left.r == 255 && std::abs(left.a - 128) <= 1) << int(left.r) << " " << int(left.a);
    EXPECT_EQ(decoded->pixelAt(30, 5), image.pixelAt(30, 5));

    // Damaged, empty and oversized input is refused, naming the picture.
    std::vector<std::uint8_t> truncated(png->begin(), png->begin() + png->size() / 2);
    auto damaged = decodeImage(truncated, { .name = "cut.png" });
    EXPECT_TRUE(!damaged && damaged.error().message.contains("cut.png"));
    EXPECT_TRUE(!decodeImage(std::vector<std::uint8_t> {}, { .name = "empty" }) && !decodeImage(std::vector<std::uint8_t> { 'h', 'e', 'l', 'l', 'o' }));
    auto huge = decodePng(*png, { .maxPixels = 100 });
    EXPECT_TRUE(!huge && huge.error().message.contains("larger"));
}

// A TIFF's rows come out as stored whatever its Orientation tag says: the tag is applied where
// every photo is made upright, once, as for JPEG.
TEST(TiffCodec, RowsComeAsStoredWhateverTheOrientationTag)
{
    const Image image = halfTransparentSquare();
    for (int orientation : { 1, 2, 3, 4, 6, 8 }) {
        auto tiff = encodeTiff(image, { .orientation = orientation });
        ASSERT_TRUE(tiff) << orientation;
        auto decoded = decodeTiff(*tiff);
        ASSERT_TRUE(decoded) << orientation;
        EXPECT_EQ(std::pair(decoded->pixelWidth(), decoded->pixelHeight()), std::pair(40, 30)) << orientation;
        EXPECT_TRUE(unpremultiply(decoded->pixelAt(2, 2)).r == 255 && decoded->pixelAt(37, 27) == image.pixelAt(37, 27)) << orientation;
    }
}
