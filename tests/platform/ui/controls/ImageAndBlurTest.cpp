#include <TestSupport.h>

#include <platform/ui/controls/BlurView.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>

namespace vd {
namespace {

Image solid(int w, int h, Rgba8 colour, std::string name = {})
{
    return Image::fromBuffer({ w, h, std::vector<std::uint32_t>(static_cast<size_t>(w) * h, premultiply(colour)) }).withName(std::move(name));
}

// An opaque picture of two colours, left of x = split and right of it.
Image halves(int w, int h, int split, Rgba8 left, Rgba8 right)
{
    PixelBuffer buffer { w, h, {}, true };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            buffer.pixels.push_back(premultiply(x < split ? left : right));
    return Image::fromBuffer(std::move(buffer));
}

// A picture much larger than its place on screen looks as drawn directly, and a new picture or
// a new size is shown at once.
TEST(ImageView, LargePicturesLookTheSameAndFollowChanges)
{
    const Image large = halves(1200, 1200, 600, { 255, 0, 0, 255 }, { 0, 0, 255, 255 });
    auto window = View::make<Window>(Size { 200, 100 });
    auto view = View::make<ImageView>(Rect { 50, 0, 100, 100 });
    view->setImage(large);
    window->addSubview(view);

    DrawingContext direct({ 200, 100 }, DrawingContext::Opacity::Transparent, 2);
    direct.drawImage(large, { 50, 0, 100, 100 });
    const Image expected = direct.takeImage();
    for (int round = 0; round < 2; ++round) { // the kept copy draws like the first
        const Image shot = test::renderWindow(*window, 2);
        for (double x : { 52.0, 75.0, 98.0, 102.0, 125.0, 148.0 }) {
            const Rgba8 got = test::pixelAt(shot, x, 50), want = test::pixelAt(expected, x, 50);
            EXPECT_TRUE(std::abs(got.r - want.r) <= 3 && std::abs(got.b - want.b) <= 3) << x;
        }
    }
    view->setImage(solid(1200, 1200, { 0, 255, 0, 255 }));
    Image shot = test::renderWindow(*window, 2);
    EXPECT_EQ(test::pixelAt(shot, 60, 50).g - test::pixelAt(shot, 60, 50).r, 255) << "a new picture replaces the kept copy";
    view->setFrame({ 0, 0, 200, 100 });
    view->setContentMode(ContentMode::ScaleToFill);
    shot = test::renderWindow(*window, 2);
    EXPECT_EQ(test::pixelAt(shot, 2, 2).g + test::pixelAt(shot, 198, 98).g, 2 * 255) << "and so does a new size";
    view->setImage(solid(1200, 1200, { 0, 0, 0, 255 }).withRenderingMode(Image::RenderingMode::Template));
    view->setTintColor(Color::rgba(1, 1, 0));
    shot = test::renderWindow(*window, 2);
    EXPECT_EQ(test::pixelAt(shot, 100, 50).r + test::pixelAt(shot, 100, 50).g, 2 * 255) << "a large template image is still tinted";
    view->setImage(solid(1200, 1200, { 255, 0, 0, 255 }));
    view->setHighlightedImage(solid(1200, 1200, { 0, 0, 255, 255 }));
    test::renderWindow(*window, 2);
    view->setHighlighted(true);
    EXPECT_EQ(test::pixelAt(test::renderWindow(*window, 2), 100, 50).b, 255) << "the highlighted picture, not the copy kept of the other";

    // A window being resized: while its scale keeps changing the copies are quick, and once it
    // holds still the picture is redrawn as sharp as drawn directly (fine stripes show the
    // difference between filtering and interpolating).
    test::useVirtualClock();
    PixelBuffer lines { 1200, 8, {}, true };
    for (int i = 0; i < 1200 * 8; ++i)
        lines.pixels.push_back(premultiply(i % 2 ? Rgba8 { 255, 255, 255, 255 } : Rgba8 { 0, 0, 0, 255 }));
    view->setHighlighted(false);
    view->setImage(Image::fromBuffer(std::move(lines)));
    DrawingContext sharp({ 200, 100 }, DrawingContext::Opacity::Transparent, 1.7);
    sharp.drawImage(view->image(), { 0, 0, 200, 100 });
    const Image sharpShot = sharp.takeImage();
    auto apart = [&](const Image& shot) {
        int most = 0;
        for (double x = 10; x < 190; x += 0.5)
            most = std::max(most, std::abs(test::pixelAt(shot, x, 50).r - test::pixelAt(sharpShot, x, 50).r));
        return most;
    };
    test::renderWindow(*window, 2);
    test::renderWindow(*window, 1.5);
    EXPECT_GT(apart(test::renderWindow(*window, 1.7)), 40) << "quick while the scale changes";
    window->clearDirty();
    RunLoop::main().advance(0.3);
    window->prepareFrame();
    EXPECT_TRUE(window->dirtyRect()) << "redrawn once the scale holds still";
    EXPECT_LE(apart(test::renderWindow(*window, 1.7)), 3) << "and then sharp";
}

// A host draws only the area that changed into the bitmap it keeps: a label's new text over a
// large picture marks the label's place and no more.
TEST(ImageView, AChangeElsewhereRedrawsOnlyItsPlace)
{
    auto window = View::make<Window>(Size { 200, 200 });
    auto photo = View::make<ImageView>(Rect { 0, 0, 200, 200 });
    photo->setImage(solid(1600, 1600, { 0, 0, 255, 255 }));
    auto label = View::make<Label>(Rect { 20, 150, 160, 30 });
    label->setText("10%");
    window->addSubview(photo);
    window->addSubview(label);
    test::renderWindow(*window, 2);
    window->clearDirty();
    label->setText("90%");
    window->prepareFrame();
    ASSERT_TRUE(window->dirtyRect());
    const Rect dirty = *window->dirtyRect();
    EXPECT_TRUE(dirty.minX() >= 18 && dirty.minY() >= 148 && dirty.maxX() <= 182 && dirty.maxY() <= 182) << "the label's place and no more";
}

TEST(BlurView, BlursThePictureUnderIt)
{
    // A picture half black, half white; the glass covers the middle.
    auto window = View::make<Window>(Size { 200, 100 });
    window->addSubview(View::make<ImageView>(halves(200, 100, 100, { 0, 0, 0, 255 }, { 255, 255, 255, 255 })));
    auto glass = View::make<BlurView>(BlurView::Style::Light);
    glass->setFrame({ 50, 0, 100, 100 });
    window->addSubview(glass);
    auto sharp = View::make(Rect { 0, 0, 10, 10 });
    sharp->setBackgroundColor(Color::rgba(1, 0, 0));
    glass->contentView()->addSubview(sharp);

    const Image shot = test::renderWindow(*window, 2);
    const int seam = test::pixelAt(shot, 100, 60).r;
    EXPECT_TRUE(seam > 90 && seam < 230) << "black and white run together at the seam: " << seam;
    EXPECT_LT(test::pixelAt(shot, 70, 60).r, test::pixelAt(shot, 130, 60).r);
    EXPECT_EQ(test::pixelAt(shot, 20, 60).r, 0) << "outside the glass the picture stays as it is";
    EXPECT_GT(test::pixelAt(shot, 60, 60).r, 60) << "the light tint whitens the glass";
    EXPECT_EQ(test::pixelAt(shot, 55, 5).r - test::pixelAt(shot, 55, 5).g, 255) << "content on the glass is not blurred";
}

}
}
