#include <watermark/ImageUtilities.h>

#include <platform/graphics/DrawingContext.h>

#include <gtest/gtest.h>

using namespace vd;

namespace {
// Red on the left half, blue on the right half; the top-left quarter is green.
Image marker()
{
    DrawingContext context({ 100, 100 }, DrawingContext::Opacity::Transparent, 1.0);
    context.fill({ 0, 0, 50, 100 }, Color::rgba(1, 0, 0));
    context.fill({ 50, 0, 50, 100 }, Color::rgba(0, 0, 1));
    context.fill({ 0, 0, 50, 50 }, Color::rgba(0, 1, 0));
    return context.takeImage();
}
std::uint32_t rgb(std::uint32_t argb) { return argb & 0xffffff; }
}

TEST(ImageRotation, FortyFiveDegreesGivesTheBoundingBoxWithTransparentCorners)
{
    const Image turned = imageRotatedByDegrees(marker(), 45, false);
    EXPECT_NEAR(turned.size().width, 141.42, 0.6);
    EXPECT_NEAR(turned.size().height, 141.42, 0.6);
    EXPECT_EQ(turned.pixelAt(1, 1) >> 24, 0u);
    EXPECT_EQ(turned.pixelAt(70, 70) >> 24, 255u);
}

TEST(ImageRotation, QuarterTurnIsClockwiseAndFlipMirrorsLeftToRight)
{
    const Image turned = imageRotatedByDegrees(marker(), 90, false);
    ASSERT_EQ(turned.pixelWidth(), 100);
    // Clockwise: the green top-left quarter moves to the top-right.
    EXPECT_EQ(rgb(turned.pixelAt(75, 25)), 0x00ff00u);
    EXPECT_EQ(rgb(turned.pixelAt(25, 75)), 0x0000ffu);
    const Image flipped = imageRotatedByDegrees(marker(), 90, true);
    // Mirrored before turning: green ends at the bottom-right.
    EXPECT_EQ(rgb(flipped.pixelAt(75, 75)), 0x00ff00u);
    EXPECT_EQ(rgb(flipped.pixelAt(25, 25)), 0x0000ffu);
}

TEST(ImageRotation, EmptyImageGivesEmptyImage) { EXPECT_TRUE(imageRotatedByDegrees(Image {}, 30, false).isEmpty()); }
