#include <platform/graphics/BoxBlur.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>

#include <TestSupport.h>

using namespace vd;

namespace {

Rgba8 at(const Image& image, int x, int y) { return unpremultiply(image.pixelAt(x, y)); }

// Three pixels in a row: red, green, blue.
Image strip() { return Image::fromBuffer({ 3, 1, { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu }, true }, 2); }

// The colour at a pixel as 0xRRGGBBAA.
std::uint32_t rgba(const Image& image, int x, int y)
{
    const Rgba8 p = unpremultiply(image.pixelAt(x, y));
    return std::uint32_t(p.r) << 24 | std::uint32_t(p.g) << 16 | std::uint32_t(p.b) << 8 | p.a;
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
    EXPECT_EQ(std::tuple(at(image, 2, 5).b, at(image, 12, 5).r), (std::tuple<std::uint8_t, std::uint8_t>(255, 255)));
    EXPECT_EQ(at(image, 17, 5).a + at(image, 7, 5).a, 0) << "the clip held inside the saved state only";

    // A transparency layer fades what overlaps inside it together.
    DrawingContext layered({ 10, 10 }, DrawingContext::Opacity::Transparent, 1);
    layered.painter().beginTransparencyLayer();
    for (int i = 0; i < 2; ++i)
        layered.painter().fillRect({ 0, 0, 10, 10 }, Color::rgba(1, 0, 0));
    layered.painter().endTransparencyLayer(0.5);
    EXPECT_NEAR(at(layered.takeImage(), 5, 5).a, 128, 1) << "two layers at once, not 0.75";
}

TEST(Painter, StrokesFillsPathsAndTintsTemplateImages)
{
    DrawingContext context({ 40, 20 }, DrawingContext::Opacity::Transparent, 2);
    Painter& painter = context.painter();
    Path rounded;
    rounded.addRoundedRect({ 0, 0, 20, 20 }, 10);
    painter.fillPath(rounded, Color::rgba(0, 1, 0));
    painter.strokeLine({ 20, 10 }, { 40, 10 }, Color::rgba(1, 0, 0), 2);
    // A zero-only dash pattern would stop the drawing library: it strokes solid instead.
    Path line;
    line.moveTo({ 20, 2 }), line.lineTo({ 40, 2 });
    painter.strokePath(line, Color::rgba(0, 0, 1), { .width = 2, .dashes = { 0, 0 } });
    const Image image = context.takeImage();
    // The disc's centre and outside its rounded corner; the line; the dashes drawn solid.
    EXPECT_EQ(std::tuple(at(image, 20, 20).g, at(image, 1, 1).a, at(image, 60, 20).r, at(image, 60, 4).b), (std::tuple<int, int, int, int>(255, 0, 255, 255)));

    DrawingContext tinted({ 3, 1 }, DrawingContext::Opacity::Transparent, 1);
    tinted.painter().drawImage(strip().withRenderingMode(Image::RenderingMode::Template), { 0, 0, 3, 1 }, Color::rgba(1, 0, 1));
    const Image result = tinted.takeImage();
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(rgba(result, x, 0) >> 8, 0xff00ffu) << x;
}

TEST(UprightImage, EveryExifOrientationTurnsThePictureAsSeen)
{
    const Image image = strip();
    EXPECT_TRUE(uprightImage(image, 1).sharedBuffer() == image.sharedBuffer() && uprightImage(image, 42).sharedBuffer() == image.sharedBuffer()) << "1 and values out of range: as it is";
    // Where the red first and the blue last pixel land; 6: stored turned a quarter anticlockwise,
    // seen with the first pixel at the top.
    struct Case { int orientation, width, redX, redY, blueX, blueY; } const cases[] = { { 2, 3, 2, 0, 0, 0 }, { 6, 1, 0, 0, 0, 2 }, { 8, 1, 0, 2, 0, 0 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        const Image turned = uprightImage(image, c.orientation);
        ASSERT_EQ(std::pair(turned.pixelWidth(), turned.pixelHeight()), std::pair(c.width, 3 / c.width));
        EXPECT_EQ(std::tuple(rgba(turned, c.redX, c.redY), rgba(turned, c.blueX, c.blueY), turned.scale()), std::tuple(0xff0000ffu, 0x0000ffffu, 2.0)) << "the scale is kept";
    }
}

TEST(BoxBlur, SpreadsAnEdgeAndKeepsAFlatPictureFlat)
{
    PixelBuffer buffer { 21, 1, std::vector<std::uint32_t>(21, 0) };
    buffer.pixels[10] = 0xFFFFFFFFu;
    boxBlur(buffer, 2, 1);
    EXPECT_EQ(std::tuple(buffer.pixels[10] >> 24, buffer.pixels[8] >> 24, buffer.pixels[7]), std::tuple(255u / 5, 255u / 5, 0u));
    PixelBuffer flat { 8, 8, std::vector<std::uint32_t>(64, 0x80402010u) };
    boxBlur(flat, 3);
    for (auto pixel : flat.pixels)
        EXPECT_EQ(pixel, 0x80402010u) << "edges repeat, so nothing darkens at the border";
}
