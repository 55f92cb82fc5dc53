#include <TestSupport.h>

#include <platform/foundation/RunLoop.h>
#include <platform/ui/controls/BlurView.h>
#include <platform/ui/controls/ImageView.h>

#include <gtest/gtest.h>

namespace vd {
namespace {

Image solid(int w, int h, Rgba8 colour, std::string name = {})
{
    PixelBuffer buffer;
    buffer.width = w;
    buffer.height = h;
    buffer.pixels.assign(static_cast<size_t>(w) * h, premultiply(colour));
    return Image::fromBuffer(std::move(buffer)).withName(std::move(name));
}

TEST(ImageView, ContentModesAndTemplateTint)
{
    auto window = View::make<Window>(Size { 200, 100 });
    auto view = View::make<ImageView>(Rect { 0, 0, 200, 100 });
    view->setImage(solid(50, 50, { 0, 0, 0, 255 }).withRenderingMode(Image::RenderingMode::Template));
    view->setTintColor(Color::rgba(0, 1, 0));
    view->setContentMode(ContentMode::ScaleAspectFit);
    window->addSubview(view);
    Image shot = test::renderWindow(*window);
    EXPECT_EQ(test::pixelAt(shot, 100, 50).g, 255) << "a template image is filled with the tint";
    EXPECT_EQ(test::pixelAt(shot, 100, 50).r, 0);
    EXPECT_EQ(test::pixelAt(shot, 20, 50).a, 0) << "aspect fit leaves the sides empty";

    view->setContentMode(ContentMode::ScaleToFill);
    shot = test::renderWindow(*window);
    EXPECT_EQ(test::pixelAt(shot, 20, 50).a, 255);
    view->setContentMode(ContentMode::TopLeft);
    shot = test::renderWindow(*window);
    EXPECT_EQ(test::pixelAt(shot, 25, 25).a, 255);
    EXPECT_EQ(test::pixelAt(shot, 100, 50).a, 0);
}

TEST(ImageView, AReducedPictureIsDrawnAnewWhenTheImageOrItsSizeChanges)
{
    // Drawn smaller than it is: what reaches the window must follow each change, however the
    // reduced copy is kept between frames.
    auto window = View::make<Window>(Size { 100, 100 });
    auto view = View::make<ImageView>(Rect { 0, 0, 40, 40 });
    view->setContentMode(ContentMode::ScaleToFill);
    window->addSubview(view);
    view->setImage(solid(200, 200, { 255, 0, 0, 255 }));
    EXPECT_EQ(test::pixelAt(test::renderWindow(*window), 20, 20).r, 255);
    EXPECT_EQ(test::pixelAt(test::renderWindow(*window), 20, 20).r, 255) << "drawn again alike";
    view->setImage(solid(200, 200, { 0, 0, 255, 255 }));
    Image shot = test::renderWindow(*window);
    EXPECT_EQ(test::pixelAt(shot, 20, 20).b, 255) << "the same size, another picture";
    EXPECT_EQ(test::pixelAt(shot, 20, 20).r, 0);
    view->setFrame({ 0, 0, 80, 80 });
    shot = test::renderWindow(*window);
    EXPECT_EQ(test::pixelAt(shot, 70, 70).b, 255) << "larger: covers the new frame";
    EXPECT_EQ(test::pixelAt(shot, 90, 90).a, 0);
}

TEST(ImageView, AnimationImagesFollowEachOtherUntilCleared)
{
    RunLoop::main().setClock(RunLoop::Clock::Virtual);
    auto window = View::make<Window>(Size { 10, 10 });
    auto view = View::make<ImageView>(Rect { 0, 0, 10, 10 });
    view->setImage(solid(10, 10, { 0, 0, 255, 255 }, "still"));
    window->addSubview(view);
    view->setAnimationImages({ solid(10, 10, { 255, 0, 0, 255 }), solid(10, 10, { 0, 255, 0, 255 }) });
    view->setAnimationDuration(1);
    view->startAnimating();
    EXPECT_EQ(test::pixelAt(test::renderWindow(*window), 5, 5).r, 255);
    RunLoop::main().advance(0.55);
    EXPECT_EQ(test::pixelAt(test::renderWindow(*window), 5, 5).g, 255);
    RunLoop::main().advance(0.5);
    EXPECT_EQ(test::pixelAt(test::renderWindow(*window), 5, 5).r, 255) << "the images loop";

    view->setAnimationImages({});
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(test::pixelAt(test::renderWindow(*window), 5, 5).b, 255) << "cleared, the still image shows again";
    EXPECT_EQ(view->automationImageName(), "still");

    view->setAnimationImages({ solid(10, 10, { 255, 0, 0, 255 }) });
    view->setAnimationRepeatCount(2);
    view->startAnimating();
    RunLoop::main().advance(1.5);
    EXPECT_TRUE(view->isAnimating());
    RunLoop::main().advance(1);
    EXPECT_FALSE(view->isAnimating()) << "a counted animation stops by itself";
}

TEST(BlurView, BlursThePictureUnderIt)
{
    // A picture half black, half white; the glass covers the middle.
    auto window = View::make<Window>(Size { 200, 100 });
    PixelBuffer buffer;
    buffer.width = 200;
    buffer.height = 100;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            buffer.pixels.push_back(premultiply(x < 100 ? Rgba8 { 0, 0, 0, 255 } : Rgba8 { 255, 255, 255, 255 }));
    auto picture = View::make<ImageView>(Image::fromBuffer(std::move(buffer)));
    window->addSubview(picture);
    auto glass = View::make<BlurView>(BlurView::Style::Light);
    glass->setFrame({ 50, 0, 100, 100 });
    window->addSubview(glass);
    auto sharp = View::make(Rect { 0, 0, 10, 10 });
    sharp->setBackgroundColor(Color::rgba(1, 0, 0));
    glass->contentView()->addSubview(sharp);

    const Image shot = test::renderWindow(*window, 2);
    const Rgba8 seam = test::pixelAt(shot, 100, 60);
    EXPECT_GT(seam.r, 90) << "black and white run together at the seam";
    EXPECT_LT(seam.r, 230);
    EXPECT_LT(test::pixelAt(shot, 70, 60).r, test::pixelAt(shot, 130, 60).r);
    EXPECT_EQ(test::pixelAt(shot, 20, 60).r, 0) << "outside the glass the picture stays as it is";
    EXPECT_GT(test::pixelAt(shot, 60, 60).r, 60) << "the light tint whitens the glass";
    const Rgba8 content = test::pixelAt(shot, 55, 5);
    EXPECT_EQ(content.r, 255);
    EXPECT_EQ(content.g, 0) << "content on the glass is not blurred";
}

}
}
