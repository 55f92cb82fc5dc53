#include <platform/graphics/BoxBlur.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>

#include <TestSupport.h>

#include <fstream>
#include <gtest/gtest.h>

using namespace vd;

namespace {

Rgba8 at(const Image& image, int x, int y) { return unpremultiply(image.pixelAt(x, y)); }

// Three pixels in a row: red, green, blue.
Image strip()
{
    PixelBuffer buffer;
    buffer.width = 3;
    buffer.height = 1;
    buffer.opaque = true;
    buffer.pixels = { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu };
    return Image::fromBuffer(std::move(buffer), 2);
}

}

TEST(Painter, StateSaverRestoresTransformAndClipAndLayersFadeTogether)
{
    DrawingContext context({ 20, 10 }, DrawingContext::Opacity::Transparent, 1);
    Painter& painter = context.painter();
    {
        PainterStateSaver saver(painter);
        painter.translate(10, 0);
        painter.clip(Rect(0, 0, 5, 10));
        painter.fillRect({ 0, 0, 10, 10 }, Color::rgba(1, 0, 0));
    }
    // Back at the origin, unclipped.
    painter.fillRect({ 0, 0, 5, 10 }, Color::rgba(0, 0, 1));
    const Image image = context.takeImage();
    EXPECT_EQ(at(image, 2, 5).b, 255);
    EXPECT_EQ(at(image, 12, 5).r, 255);
    EXPECT_EQ(at(image, 17, 5).a, 0) << "the clip held inside the saved state only";
    EXPECT_EQ(at(image, 7, 5).a, 0);

    // A transparency layer fades what overlaps inside it together.
    DrawingContext layered({ 10, 10 }, DrawingContext::Opacity::Transparent, 1);
    layered.painter().beginTransparencyLayer();
    layered.painter().fillRect({ 0, 0, 10, 10 }, Color::rgba(1, 0, 0));
    layered.painter().fillRect({ 0, 0, 10, 10 }, Color::rgba(1, 0, 0));
    layered.painter().endTransparencyLayer(0.5);
    EXPECT_NEAR(at(layered.takeImage(), 5, 5).a, 128, 1) << "two layers at once, not 0.75";
}

TEST(Painter, StrokesFillsPathsAndTintsTemplateImages)
{
    DrawingContext context({ 40, 20 }, DrawingContext::Opacity::Transparent, 2);
    Painter& painter = context.painter();
    EXPECT_DOUBLE_EQ(painter.pixelsPerPoint(), 2);
    Path rounded;
    rounded.addRoundedRect({ 0, 0, 20, 20 }, 10);
    painter.fillPath(rounded, Color::rgba(0, 1, 0));
    painter.strokeLine({ 20, 10 }, { 40, 10 }, Color::rgba(1, 0, 0), 2);
    // A zero-only dash pattern would stop the drawing library: it strokes solid instead.
    Path line;
    line.moveTo({ 20, 2 });
    line.lineTo({ 40, 2 });
    painter.strokePath(line, Color::rgba(0, 0, 1), { .width = 2, .dashes = { 0, 0 } });
    const Image image = context.takeImage();
    EXPECT_EQ(at(image, 20, 20).g, 255); // the disc's centre
    EXPECT_EQ(at(image, 1, 1).a, 0);     // outside its rounded corner
    EXPECT_EQ(at(image, 60, 20).r, 255);
    EXPECT_EQ(at(image, 60, 4).b, 255);

    DrawingContext tinted({ 3, 1 }, DrawingContext::Opacity::Transparent, 1);
    tinted.painter().drawImage(strip().withRenderingMode(Image::RenderingMode::Template), { 0, 0, 3, 1 }, Color::rgba(1, 0, 1));
    const Image result = tinted.takeImage();
    for (int x = 0; x < 3; ++x) {
        const Rgba8 p = at(result, x, 0);
        EXPECT_EQ(p.r, 255);
        EXPECT_EQ(p.g, 0);
        EXPECT_EQ(p.b, 255);
    }
}

TEST(UprightImage, EveryExifOrientationTurnsThePictureAsSeen)
{
    const Image image = strip();
    // Orientation 1 and values out of range give the picture as it is.
    EXPECT_EQ(uprightImage(image, 1).sharedBuffer(), image.sharedBuffer());
    EXPECT_EQ(uprightImage(image, 42).sharedBuffer(), image.sharedBuffer());
    const Image mirrored = uprightImage(image, 2);
    EXPECT_EQ(at(mirrored, 0, 0).b, 255);
    EXPECT_EQ(at(mirrored, 2, 0).r, 255);
    // 6: stored turned a quarter anticlockwise; seen with the first pixel at the top.
    const Image six = uprightImage(image, 6);
    ASSERT_EQ(six.pixelWidth(), 1);
    ASSERT_EQ(six.pixelHeight(), 3);
    EXPECT_EQ(at(six, 0, 0).r, 255);
    EXPECT_EQ(at(six, 0, 2).b, 255);
    const Image eight = uprightImage(image, 8);
    EXPECT_EQ(at(eight, 0, 0).b, 255);
    EXPECT_EQ(at(eight, 0, 2).r, 255);
    EXPECT_DOUBLE_EQ(six.scale(), 2) << "the scale is kept";
}

TEST(ImageDecoding, FileFormatIsToldByItsSignature)
{
    test::TemporaryFolder folder;
    auto write = [&](const char* name, std::vector<std::uint8_t> bytes) {
        std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return folder / name;
    };
    EXPECT_EQ(sniffFileFormat(write("a.jpg", { 0xFF, 0xD8, 0xFF, 0xE0 })), ImageFormat::Jpeg);
    EXPECT_EQ(sniffFileFormat(write("b.png", { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' })), ImageFormat::Png);
    EXPECT_EQ(sniffFileFormat(write("short.jpg", { 0xFF, 0xD8 })), ImageFormat::Unknown);
    EXPECT_EQ(sniffFileFormat(folder / "missing.jpg"), ImageFormat::Unknown);
}

TEST(BoxBlur, SpreadsAnEdgeAndKeepsAFlatPictureFlat)
{
    PixelBuffer buffer;
    buffer.width = 21;
    buffer.height = 1;
    buffer.pixels.assign(21, 0);
    buffer.pixels[10] = 0xFFFFFFFFu;
    boxBlur(buffer, 2, 1);
    EXPECT_EQ(buffer.pixels[10] >> 24, 255u / 5);
    EXPECT_EQ(buffer.pixels[8] >> 24, 255u / 5);
    EXPECT_EQ(buffer.pixels[7], 0u);
    PixelBuffer flat;
    flat.width = flat.height = 8;
    flat.pixels.assign(64, 0x80402010u);
    boxBlur(flat, 3);
    for (auto pixel : flat.pixels)
        EXPECT_EQ(pixel, 0x80402010u) << "edges repeat, so nothing darkens at the border";
}
