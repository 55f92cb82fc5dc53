#include "StickerTestSupport.h"

namespace vd::test {
namespace {

using Names = std::vector<std::string>;

// A point at a distance and an angle (degrees, clockwise on screen) from a centre.
Point polar(Point centre, double distance, double angleDegrees)
{
    return { centre.x + distance * std::cos(radians(angleDegrees)), centre.y + distance * std::sin(radians(angleDegrees)) };
}

TEST(StickerSnapTable, BandsIncludeBothEndsAndStopThere)
{
    EXPECT_EQ(LDStickerView::snappedAngleInDegrees(2), 0);
    EXPECT_EQ(LDStickerView::snappedAngleInDegrees(-2), 0);
    EXPECT_EQ(LDStickerView::snappedAngleInDegrees(2.0001), std::nullopt);
    EXPECT_EQ(LDStickerView::snappedAngleInDegrees(43), 45);
    EXPECT_EQ(LDStickerView::snappedAngleInDegrees(47), 45);
    EXPECT_EQ(LDStickerView::snappedAngleInDegrees(47.0001), std::nullopt);
    EXPECT_EQ(LDStickerView::snappedAngleInDegrees(-268), -270);
    EXPECT_EQ(LDStickerView::snappedAngleInDegrees(-225), -225);
    for (double free : { 180.0, 225.0, 270.0, 315.0, -315.0, 60.0, -60.0 })
        EXPECT_EQ(LDStickerView::snappedAngleInDegrees(free), std::nullopt) << free;
    EXPECT_DOUBLE_EQ(LDStickerView::radiansToDegrees(std::numbers::pi), 180);
    EXPECT_DOUBLE_EQ(LDStickerView::degreesToRadians(-90), -std::numbers::pi / 2);
}

TEST_F(StickerTest, RotateHandleSnapsNearTheTableAnglesAndShowsTheOverlay)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    auto delegate = std::make_shared<RecordingStickerDelegate>();
    sticker->setDelegate(delegate);
    const Point centre = sticker->center();
    const Point handle = handleCentre(sticker->rotateView());
    ASSERT_EQ(handle, Point(196, 196));
    const double reach = std::hypot(86.0, 86.0); // the handle sits at 45° from the centre

    down(handle);
    moveTo(polar(centre, reach, 45 + 44));
    EXPECT_EQ(sticker->transform(), AffineTransform::rotation(radians(45))) << "44° shows as exactly 45°";
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 1);

    moveTo(polar(centre, reach, 45 + 42.9));
    EXPECT_NEAR(degrees(angleOf(*sticker)), 42.9, 1e-9) << "outside the band the angle is free";
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 0);

    moveTo(polar(centre, reach, 45 - 179));
    EXPECT_NEAR(sticker->transform().a, -1, 1e-12);
    EXPECT_NEAR(angleOf(*sticker), -std::numbers::pi, 1e-12) << "−179° snaps to −180°";
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 1);

    moveTo(polar(centre, reach, 45 - 60));
    EXPECT_NEAR(degrees(angleOf(*sticker)), -60, 1e-9);
    moveTo(polar(centre, reach, 45 - 45.5));
    EXPECT_EQ(sticker->transform(), AffineTransform::rotation(radians(-45)));
    up(polar(centre, reach, 45 - 45.5));
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 0) << "the overlay goes with the finger";
    EXPECT_EQ(sticker->transform(), AffineTransform::rotation(radians(-45)));
    EXPECT_EQ(sticker->center(), centre);
    EXPECT_EQ(delegate->calls, (Names { "begin", "change", "change", "change", "change", "change", "end" }));
    EXPECT_TRUE(posted.empty()) << "rotating is no move";
}

TEST_F(StickerTest, AnAngleBeyondOneEightyIsNotFoldedBackBeforeSnapping)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    sticker->setTransform(AffineTransform::rotation(radians(170)));
    const Point centre = sticker->center();
    const Point handle = handleCentre(sticker->rotateView());
    const double reach = std::hypot(handle.x - centre.x, handle.y - centre.y);
    // The handle sits at 170° + 45° = 215°, which the finger's direction reads as −145°.
    ASSERT_NEAR(degrees(std::atan2(handle.y - centre.y, handle.x - centre.x)), -145, 1e-9);

    down(handle);
    moveTo(polar(centre, reach, -134)); // 11° further: the sticker's angle is 181°
    EXPECT_NEAR(degrees(angleOf(*sticker)), 181 - 360, 1e-9) << "181° has no band; folded to −179° it would snap";
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 0);
    moveTo(polar(centre, reach, -125)); // 190°
    EXPECT_NEAR(degrees(angleOf(*sticker)), 190 - 360, 1e-9);
    up(polar(centre, reach, -125));
}

TEST_F(StickerTest, RotateHandleScalesImagesByTheRootOfTheDistanceAndNeverTexts)
{
    auto image = addImageSticker(Rect(10, 10, 200, 200));
    const Point centre = image->center();
    const Point handle = handleCentre(image->rotateView());
    const double reach = std::hypot(86.0, 86.0);

    down(handle);
    moveTo(polar(centre, 4 * reach, 45));
    EXPECT_NEAR(image->bounds().width(), 400, 1e-9) << "four times the distance doubles the size";
    EXPECT_NEAR(image->bounds().height(), 400, 1e-9);
    EXPECT_EQ(image->center(), centre);
    EXPECT_NEAR(image->contentView()->bounds().width(), 372, 1e-9);
    EXPECT_NEAR(handleCentre(image->rotateView()).x, centre.x + 186, 1e-9) << "the handle stays on its corner";

    // So small a scale would make it narrower than 29 points: the size stays, the angle follows.
    moveTo(polar(centre, reach / 100, 45 + 30));
    EXPECT_NEAR(image->bounds().width(), 400, 1e-9);
    EXPECT_NEAR(degrees(angleOf(*image)), 30, 1e-9);
    up(polar(centre, reach / 100, 45 + 30));

    auto text = addTextSticker(Rect(100, 250, 200, 70), false);
    const Rect textBounds = text->bounds();
    const Point textCentre = text->center();
    const Point textHandle = handleCentre(text->rotateView());
    const double textReach = std::hypot(textHandle.x - textCentre.x, textHandle.y - textCentre.y);
    const double start = degrees(std::atan2(textHandle.y - textCentre.y, textHandle.x - textCentre.x));
    down(textHandle);
    moveTo(polar(textCentre, 4 * textReach, start + 20));
    moveTo(polar(textCentre, textReach / 4, start + 25));
    EXPECT_EQ(text->bounds(), textBounds) << "text stickers only turn";
    EXPECT_NEAR(degrees(angleOf(*text)), 25, 1e-9);
    up(polar(textCentre, textReach / 4, start + 25));
    EXPECT_EQ(text->center(), textCentre);
}

TEST_F(StickerTest, ResizeHandleGrowsAboutTheCentreAndStopsAtTheFloor)
{
    auto sticker = addImageSticker(Rect(50, 50, 100, 100));
    auto delegate = std::make_shared<RecordingStickerDelegate>();
    sticker->setDelegate(delegate);
    const Point handle = handleCentre(sticker->resizeView());
    ASSERT_EQ(handle, Point(54, 136));

    down(handle);
    moveTo({ 44, 141 }); // 10 left, 5 down: 20 wider, 10 taller
    EXPECT_EQ(sticker->frame(), Rect(40, 45, 120, 110));
    EXPECT_EQ(sticker->myScaleRect, Rect(40, 45, 120, 110));
    EXPECT_EQ(sticker->larghezzaScale, 120);
    EXPECT_EQ(sticker->altezzaScale, 110);

    moveTo({ 104, 141 }); // 60 right would make it 0 wide: it stops at 29
    EXPECT_EQ(sticker->bounds().size, Size(29, 110));
    EXPECT_EQ(sticker->center(), Point(100, 100));
    EXPECT_EQ(sticker->contentView()->frame(), Rect(14, 14, 1, 82));

    moveTo({ 104, 141 }); // the next event first lifts it to 50 from its left edge
    EXPECT_EQ(sticker->bounds().size, Size(50, 110));
    EXPECT_EQ(sticker->center(), Point(110.5, 100)) << "lifting keeps the origin, so the centre moves";

    moveTo({ 104, 21 }); // far up: the height stops at 29 too
    EXPECT_EQ(sticker->bounds().size, Size(50, 29));
    up({ 104, 21 });
    EXPECT_EQ(delegate->calls, (Names { "begin", "change", "change", "change", "change" })) << "a resize has no end call";
    EXPECT_TRUE(posted.empty());
}

TEST_F(StickerTest, ResizeOfARotatedStickerFollowsTheUnrotatedFinger)
{
    auto sticker = addImageSticker(Rect(50, 50, 100, 100));
    sticker->setTransform(AffineTransform::rotation(radians(90)));
    const Point handle = handleCentre(sticker->resizeView());
    // Turned a quarter clockwise, the sticker's own x axis points down the canvas: a finger
    // moving up drags the handle outwards along the width.
    down(handle);
    moveTo(handle + Point { 0, -10 });
    EXPECT_NEAR(sticker->bounds().width(), 120, 1e-9);
    EXPECT_NEAR(sticker->bounds().height(), 100, 1e-9);
    moveTo(handle + Point { -15, -10 }); // leftwards on the canvas is down the sticker's own y axis
    EXPECT_NEAR(sticker->bounds().width(), 120, 1e-9);
    EXPECT_NEAR(sticker->bounds().height(), 130, 1e-9);
    up(handle + Point { -15, -10 });
    EXPECT_NEAR(angleOf(*sticker), radians(90), 1e-12);
    EXPECT_NEAR(sticker->center().x, 100, 1e-9);
    EXPECT_NEAR(sticker->center().y, 100, 1e-9);
}

TEST_F(StickerTest, ResizingATextStickerChangesOnlyItsWidthWithAnEightyPointLift)
{
    auto sticker = addTextSticker(Rect(10, 10, 200, 70), false);
    const Point handle = handleCentre(sticker->resizeView());
    down(handle);
    moveTo(handle + Point { -10, 30 });
    EXPECT_EQ(sticker->bounds().size, Size(220, 70)) << "dragging down leaves a text's height to its text";
    moveTo(handle + Point { 200, 30 });
    EXPECT_EQ(sticker->bounds().size, Size(29, 70));
    const Point centre = sticker->center();
    moveTo(handle + Point { 200, 30 });
    EXPECT_EQ(sticker->bounds().size, Size(80, 70));
    EXPECT_EQ(sticker->center(), (centre + Point { 25.5, 0 }));
    up(handle + Point { 200, 30 });
    EXPECT_EQ(sticker->myTextField->text(), placeholder());
}

// The sticker that owns the view a touch at a canvas point lands on, or null for the bare canvas.
std::shared_ptr<View> stickerUnder(Window& window, const View& canvas, Point p)
{
    for (auto view = window.hitTest(canvas.convertPointToView(p, nullptr)); view; view = view->superview())
        if (dynamic_cast<LDStickerView*>(view.get()) || view.get() == &canvas)
            return view.get() == &canvas ? nullptr : view;
    return nullptr;
}

TEST_F(StickerTest, ATouchFindsTheTopmostStickerInItsOwnTurnedAreaWithItsHandles)
{
    auto text = addTextSticker(Rect(110, 110, 200, 70), false);
    text->hideEditingHandles();
    // An icon over it, turned 45 degrees: its axis-aligned box covers the text's left end, its
    // own turned square does not.
    auto icon = addImageSticker(Rect(100, 100, 200, 200));
    icon->setTransform(AffineTransform::rotation(radians(45)));
    EXPECT_EQ(stickerUnder(*window, *canvas, { 200, 200 }), icon);
    EXPECT_EQ(stickerUnder(*window, *canvas, { 115, 120 }), text) << "inside the icon's box, outside its turned square";
    EXPECT_EQ(stickerUnder(*window, *canvas, { 105, 285 }), nullptr) << "a corner of the box with nothing under it";
    EXPECT_EQ(stickerUnder(*window, *canvas, { 200, 160 }), icon) << "over both, the upper one";

    // The resize handle reaches 10 points past the sticker's left edge: all of the shown handle
    // takes the touch, turned with the sticker; hidden, it takes none.
    const Point outer = onCanvas(*icon, { -6, icon->bounds().height() - 14 });
    EXPECT_FALSE(icon->bounds().contains(icon->convertPointFromView(outer, canvas.get())));
    EXPECT_EQ(stickerUnder(*window, *canvas, outer), icon);
    EXPECT_EQ(window->hitTest(canvas->convertPointToView(outer, nullptr)), icon->resizeView());
    icon->hideEditingHandles();
    EXPECT_NE(stickerUnder(*window, *canvas, outer), icon);
}

}
}
