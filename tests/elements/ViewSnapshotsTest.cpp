#include <platform/graphics/DrawingContext.h>
#include <platform/ui/controls/ImageView.h>
#include <watermark/ImageUtilities.h>

#include <gtest/gtest.h>

namespace vd {
namespace {

Image solid(int w, int h)
{
    PixelBuffer buffer;
    buffer.width = w;
    buffer.height = h;
    buffer.pixels.assign(static_cast<size_t>(w) * h, premultiply({ 255, 0, 0, 255 }));
    return Image::fromBuffer(std::move(buffer));
}

// The layer's picture is its bounds at scale one, unturned and transparent where nothing is drawn;
// the logo's picture is the tree scaled up to 1400 points at scale two. No width: no picture.
TEST(ViewSnapshots, PngSnapshotIsTheBoundsAtScaleOneAndTheFullOne1400PointsWideAtScaleTwo)
{
    auto view = View::make(Rect(30, 40, 300, 150));
    view->setTransform(AffineTransform::rotation(0.5));
    auto corner = View::make(Rect(0, 0, 30, 15));
    corner->setBackgroundColor(Color::rgba(0, 0, 1));
    view->addSubview(corner);
    const Image layer = mygetSnapshotImagePNG(*view);
    EXPECT_EQ(std::tuple(layer.pixelWidth(), layer.pixelHeight(), layer.scale()), std::tuple(300, 150, 1));
    EXPECT_EQ(std::tuple(unpremultiply(layer.pixelAt(40, 40)).a, unpremultiply(layer.pixelAt(20, 10)).b), std::tuple(0, 255));
    view->setTransform(AffineTransform::identity()); // the logo's picture follows the frame
    const Image full = getSnapshotImage(*view);
    EXPECT_EQ(std::tuple(full.size(), full.pixelWidth(), full.scale()), std::tuple(Size { 1400, 700 }, 2800, 2));
    // The 30 × 15 corner covers 140 × 70 points.
    EXPECT_EQ(std::tuple(unpremultiply(full.pixelAt(270, 130)).b, unpremultiply(full.pixelAt(290, 150)).a), std::tuple(255, 0));
    EXPECT_TRUE(mygetSnapshotImagePNG(*View::make()).isEmpty() && getSnapshotImage(*View::make(Rect(0, 0, 0, 100))).isEmpty());
}

// It agrees with where the view draws the image.
TEST(ViewSnapshots, AspectFitFrameOfAnImageInItsView)
{
    auto view = std::make_shared<ImageView>(Rect(0, 0, 200, 200));
    EXPECT_EQ(frameForImageInImageViewAspectFit(*view), Rect(0, 0, 0, 0));
    for (const auto& [w, h, frame] : { std::tuple { 400, 300, Rect(0, 25, 200, 150) }, { 300, 400, Rect(25, 0, 150, 200) }, { 100, 100, Rect(0, 0, 200, 200) } }) {
        view->setImage(solid(w, h));
        EXPECT_EQ(frameForImageInImageViewAspectFit(*view), frame) << w << "x" << h;
        EXPECT_EQ(rectForContentMode(ContentMode::ScaleAspectFit, Size { double(w), double(h) }, view->bounds()), frame);
    }
}

TEST(ViewSnapshots, RotatedImagesKeepTheirSizeAndTransparentCorners)
{
    const Image turned = imageRotatedByDegrees(solid(100, 100), 45, false);
    EXPECT_NEAR(turned.size().width, 141.42, 0.6);
    EXPECT_EQ(unpremultiply(turned.pixelAt(2, 2)).a, 0);
    EXPECT_EQ(unpremultiply(turned.pixelAt(turned.pixelWidth() / 2, turned.pixelHeight() / 2)).r, 255);
}

}
}
