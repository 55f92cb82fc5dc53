#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/foundation/Files.h>
#include <platform/graphics/JpegStreams.h>

#include "../../TestSupport.h"

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

// Markers the reader skips may run past the block it reads the file in (phones store depth maps
// in hundreds of kilobytes of APP segments): the rows must read as in the same photo without them.
TEST(JpegFiles, RowsReadTheSameAfterMarkersLongerThanAReadBlock)
{
    const Image image = halfTransparentSquare();
    auto plain = encodeJpeg(image, {});
    ASSERT_TRUE(plain);
    std::vector<std::uint8_t> padded(plain->begin(), plain->begin() + 2);
    for (int segment = 0; segment < 6; ++segment) { // what they hold reads as markers if not skipped
        padded.insert(padded.end(), { 0xFF, 0xEF, 0xFF, 0xFF });
        for (int byte = 0; byte < 0xFFFD; ++byte)
            padded.push_back(byte % 2 ? 0xD8 : 0xFF);
    }
    padded.insert(padded.end(), plain->begin() + 2, plain->end());
    vd::test::TemporaryFolder folder;
    auto rows = [](const std::filesystem::path& path) {
        auto reader = JpegReader::open(path);
        EXPECT_TRUE(reader) << path;
        std::vector<std::uint8_t> rows(40 * 30 * 3);
        EXPECT_EQ(reader ? (*reader)->readRows(rows.data(), 40 * 3, 30).value_or(0) : 0, 30) << path;
        return rows;
    };
    files::writeAtomically(folder / "plain.jpg", *plain);
    files::writeAtomically(folder / "padded.jpg", padded);
    EXPECT_EQ(rows(folder / "padded.jpg"), rows(folder / "plain.jpg"));
}
