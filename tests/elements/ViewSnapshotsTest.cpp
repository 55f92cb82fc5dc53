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

TEST(ViewSnapshots, PngSnapshotIsTheBoundsAtScaleOneWithTransparency)
{
    auto view = View::make(Rect(30, 40, 100, 60));
    view->setTransform(AffineTransform::rotation(0.5)); // the snapshot is of the view itself, unturned
    auto dot = View::make(Rect(10, 10, 20, 20));
    dot->setBackgroundColor(Color::rgba(0, 0, 1));
    view->addSubview(dot);
    const Image image = mygetSnapshotImagePNG(*view);
    EXPECT_EQ(image.pixelWidth(), 100);
    EXPECT_EQ(image.pixelHeight(), 60);
    EXPECT_EQ(image.scale(), 1);
    EXPECT_EQ(unpremultiply(image.pixelAt(0, 0)).a, 0);
    EXPECT_EQ(unpremultiply(image.pixelAt(20, 20)).b, 255);

    EXPECT_TRUE(mygetSnapshotImagePNG(*View::make()).isEmpty());
}

TEST(ViewSnapshots, FullSnapshotIs1400PointsWideAtScaleTwo)
{
    auto view = View::make(Rect(0, 0, 300, 150));
    view->setBackgroundColor(Color::rgba(0, 1, 0));
    auto corner = View::make(Rect(0, 0, 30, 15));
    corner->setBackgroundColor(Color::rgba(1, 0, 0));
    view->addSubview(corner);
    const Image image = getSnapshotImage(*view);
    EXPECT_EQ(image.size(), (Size { 1400, 700 }));
    EXPECT_EQ(image.pixelWidth(), 2800);
    EXPECT_EQ(image.scale(), 2);
    // The tree is scaled up: the 30 × 15 corner covers 140 × 70 points.
    EXPECT_EQ(unpremultiply(image.pixelAt(270, 130)).r, 255);
    EXPECT_EQ(unpremultiply(image.pixelAt(290, 150)).g, 255);

    EXPECT_TRUE(getSnapshotImage(*View::make(Rect(0, 0, 0, 100))).isEmpty()) << "no width: no picture";
}

TEST(ViewSnapshots, AspectFitFrameOfAnImageInItsView)
{
    auto view = std::make_shared<ImageView>(Rect(0, 0, 200, 200));
    EXPECT_EQ(frameForImageInImageViewAspectFit(*view), Rect(0, 0, 0, 0));
    view->setImage(solid(400, 300));
    EXPECT_EQ(frameForImageInImageViewAspectFit(*view), Rect(0, 25, 200, 150));
    view->setImage(solid(300, 400));
    EXPECT_EQ(frameForImageInImageViewAspectFit(*view), Rect(25, 0, 150, 200));
    view->setImage(solid(100, 100));
    EXPECT_EQ(frameForImageInImageViewAspectFit(*view), Rect(0, 0, 200, 200));
    // It agrees with where the view draws the image.
    view->setImage(solid(400, 300));
    EXPECT_EQ(rectForContentMode(ContentMode::ScaleAspectFit, { 400, 300 }, view->bounds()), frameForImageInImageViewAspectFit(*view));
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
