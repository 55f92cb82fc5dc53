#include <TestSupport.h>

#include <platform/graphics/DrawingContext.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/views/View.h>

#include <gtest/gtest.h>
#include <numbers>

namespace vd {
namespace {

using test::pixelAt; // in points

Image render(View& view, Size size, double scale = 2)
{
    DrawingContext context(size, DrawingContext::Opacity::Transparent, scale);
    view.drawViewHierarchyInRect(context.painter(), { 0, 0, size.width, size.height });
    return context.takeImage();
}

Image solidImage(int w, int h, Rgba8 colour)
{
    return Image::fromBuffer({ w, h, std::vector<std::uint32_t>(static_cast<size_t>(w) * h, premultiply(colour)) });
}

TEST(Renderer, BackgroundCornersBorderTransformClipsShadowsAndGroupAlpha)
{
    auto root = View::make(Rect(0, 0, 100, 140));
    auto box = View::make(Rect(10, 10, 40, 40));
    box->setBackgroundColor(Color::rgba(1, 0, 0));
    box->layer().setCornerRadius(10);
    box->layer().setBorderWidth(2);
    box->layer().setBorderColor(Color::rgba(0, 0, 1));
    auto turned = View::make(Rect(60, 60, 30, 10));
    turned->setBackgroundColor(Color::rgba(0, 1, 0));
    turned->setTransform(AffineTransform::rotation(std::numbers::pi / 2));
    auto clip = View::make(Rect(10, 55, 40, 40));
    clip->setClipsToBounds(true);
    clip->addSubview(View::make(Rect(-20, -20, 100, 100)));
    clip->subviews()[0]->setBackgroundColor(Color::rgba(0, 0, 1));
    auto shadowed = View::make(Rect(60, 10, 30, 30));
    shadowed->setBackgroundColor(Color::whiteColor());
    shadowed->layer().setShadowOpacity(1);
    shadowed->layer().setShadowOffset({ 0, 5 });
    shadowed->layer().setShadowRadius(4);
    auto group = View::make(Rect(0, 100, 100, 40)); // two overlapping squares faded together
    group->setAlpha(0.5);
    for (double x : { 0, 40 })
        group->addSubview(View::make(Rect(x, 0, 60, 40))), group->subviews().back()->setBackgroundColor(Color::rgba(1, 0, 0));
    for (auto& view : { box, turned, clip, shadowed, group })
        root->addSubview(view);

    const Image image = render(*root, { 100, 140 });
    EXPECT_EQ(std::tuple(image.pixelWidth(), pixelAt(image, 30, 30).r), std::tuple(200, std::uint8_t(255)));
    EXPECT_EQ(pixelAt(image, 10.5, 10.5).a, 0) << "the rounded corner is cut";
    EXPECT_EQ(pixelAt(image, 30, 10.5).b - pixelAt(image, 30, 10.5).r, 255) << "the border lies inside the bounds";
    EXPECT_EQ(std::tuple(pixelAt(image, 75, 53).g, pixelAt(image, 62, 65).a), (std::tuple<std::uint8_t, std::uint8_t>(255, 0))) << "the 30 × 10 bar stands upright about its centre (75, 65)";
    EXPECT_EQ(pixelAt(image, 30, 75).b, 255);
    EXPECT_EQ(pixelAt(image, 5, 75).a + pixelAt(image, 30, 97).a, 0) << "the child is clipped";
    EXPECT_TRUE(pixelAt(image, 75, 43).a > 60 && pixelAt(image, 75, 43).r == 0) << "shadow below the view";
    EXPECT_EQ(pixelAt(image, 75, 5).a, 0) << "little shadow above: it is offset down";
    EXPECT_NEAR(pixelAt(image, 20, 120).a, 128, 1);
    EXPECT_EQ(pixelAt(image, 50, 120).a, pixelAt(image, 20, 120).a) << "the overlap is not darker";
}

TEST(Renderer, ImagesFollowTheContentModeAndShapeLayersDrawAboveTheContent)
{
    auto root = View::make(Rect(0, 0, 100, 50));
    root->setBackgroundColor(Color::whiteColor());
    auto fit = std::make_shared<ImageView>(Rect(0, 0, 50, 50));
    fit->setImage(solidImage(40, 20, { 255, 0, 0, 255 }));
    fit->setContentMode(ContentMode::ScaleAspectFit);
    root->addSubview(fit);
    auto dashes = std::make_shared<ShapeLayer>();
    Path line;
    line.moveTo({ 0, 45 }), line.lineTo({ 100, 45 });
    dashes->setPath(line);
    dashes->setStrokeColor(Color::rgba(0, 0, 1));
    dashes->setLineWidth(2);
    dashes->setLineDashPattern({ 10, 10 });
    root->layer().addSublayer(dashes);

    const Image image = render(*root, { 100, 50 });
    EXPECT_EQ(std::tuple(pixelAt(image, 25, 10).g, pixelAt(image, 25, 25).r, pixelAt(image, 25, 30).g), (std::tuple<std::uint8_t, std::uint8_t, std::uint8_t>(255, 255, 0))) << "aspect fit leaves bands above and below";
    EXPECT_EQ(std::pair(pixelAt(image, 65, 45).b - pixelAt(image, 65, 45).g, int(pixelAt(image, 75, 45).g)), std::pair(255, 255)) << "a dash, then a gap";

    for (auto [mode, size, expected] : { std::tuple { ContentMode::ScaleAspectFill, Size { 40, 20 }, Rect(-25, 0, 100, 50) }, { ContentMode::BottomRight, { 10, 20 }, Rect(40, 30, 10, 20) }, { ContentMode::TopLeft, { 10, 20 }, Rect(0, 0, 10, 20) } })
        EXPECT_EQ(rectForContentMode(mode, size, { 0, 0, 50, 50 }), expected);
}

}
}
