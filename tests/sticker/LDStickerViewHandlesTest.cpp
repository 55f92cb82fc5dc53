#include "StickerTestSupport.h"

namespace vd::test {
namespace {

using Names = std::vector<std::string>;

TEST_F(StickerTest, TheRotateHandleSnapsInsideTheTablesBandsShowingTheOverlayAndTurnsFreelyElsewhere)
{
    auto sticker = addImageSticker(Rect(100, 100, 200, 200));
    auto delegate = record(*sticker);
    // The handle lies 45° round from the centre: the sticker turns by the finger's angle less 45°.
    const auto [centre, handle, reach, start] = rotateGrip(*sticker);
    ASSERT_NEAR(start, 45, 1e-9);
    // The angle the finger asks for, and where the sticker snaps to, if it does.
    const std::pair<double, std::optional<double>> cases[] = { { 44, 45 }, { 42.9, {} }, { -179, -180 }, { -60, {} }, { 88.5, 90 }, { 91.5, 90 }, { -88.5, -90 }, { -91.5, -90 },
        { 133.5, 135 }, { 134.5, 135 }, { -133.5, -135 }, { -136.5, -135 }, { -45.5, -45 } };
    down(handle);
    for (const auto& [held, target] : cases) {
        SCOPED_TRACE(held);
        moveTo(polar(centre, reach, 45 + held));
        EXPECT_NEAR(degrees(angleOf(*sticker)), target.value_or(held), 1e-9);
        EXPECT_EQ(sticker->lineeDiagonali()->alpha(), target ? 1 : 0);
        EXPECT_EQ(sticker->center(), centre);
    }
    up(polar(centre, reach, 45 - 45.5));
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 0) << "the overlay goes with the finger";
    EXPECT_NEAR(degrees(angleOf(*sticker)), -45, 1e-9);
    Names expected { "begin" };
    expected.insert(expected.end(), std::size(cases), "change");
    expected.push_back("end");
    EXPECT_EQ(delegate->calls, expected);
    EXPECT_TRUE(posted.empty()) << "rotating is no move";

    // The bands include both ends and stop there; angles past a half turn have none.
    const std::pair<double, std::optional<double>> bands[] = { { -2, 0 }, { 2.0001, {} }, { 47, 45 }, { 47.0001, {} }, { 180, {} }, { 225, {} }, { 270, {} }, { -315, {} } };
    for (const auto& [angle, snapped] : bands)
        EXPECT_EQ(LDStickerView::snappedAngleInDegrees(angle), snapped) << angle;

    // An angle beyond 180° is not folded back before snapping: turned to 170°, the handle sits
    // at 215°, which the finger's direction reads as −145°; 11° further the sticker is at 181°,
    // which has no band (folded to −179° it would snap).
    auto turned = addImageSticker(Rect(10, 10, 200, 200));
    turned->setTransform(AffineTransform::rotation(radians(170)));
    const Grip grip = rotateGrip(*turned);
    down(grip.handle);
    moveTo(polar(grip.centre, grip.reach, -134));
    EXPECT_NEAR(degrees(angleOf(*turned)), 181 - 360, 1e-9);
    EXPECT_EQ(turned->lineeDiagonali()->alpha(), 0);
    up(polar(grip.centre, grip.reach, -134));
}

TEST_F(StickerTest, TheRotateHandleScalesPicturesByTheRootOfTheDistanceKeepingTheirProportionsAndOnlyTurnsTexts)
{
    auto sticker = addImageSticker(Rect(60, 120, 240, 120));
    const auto [centre, handle, reach, start] = rotateGrip(*sticker);
    down(handle);
    moveTo(polar(centre, 4 * reach, start + 30)); // four times as far: twice the size
    EXPECT_TRUE(nearly(sticker->bounds().size, { 480, 240 }) && nearly(sticker->center(), centre));
    moveTo(polar(centre, reach / 2.25, start + 60)); // two thirds of the size
    EXPECT_TRUE(nearly(sticker->bounds().size, { 160, 80 }));
    // So small a scale would make it narrower than 29 points: the size stays, the angle follows.
    moveTo(polar(centre, reach / 100, start + 70));
    up(polar(centre, reach / 100, start + 70));
    EXPECT_TRUE(nearly(sticker->bounds().size, { 160, 80 }) && nearly(sticker->center(), centre));
    EXPECT_NEAR(degrees(angleOf(*sticker)), 70, 1e-9);

    auto text = addTextSticker(Rect(100, 250, 200, 70), false);
    const Rect textBounds = text->bounds();
    const Grip textGrip = rotateGrip(*text);
    drag(textGrip.handle, { polar(textGrip.centre, 4 * textGrip.reach, textGrip.angle + 20), polar(textGrip.centre, textGrip.reach / 4, textGrip.angle + 25) });
    EXPECT_EQ(text->bounds(), textBounds) << "text stickers only turn";
    EXPECT_NEAR(degrees(angleOf(*text)), 25, 1e-9);
    EXPECT_EQ(text->center(), textGrip.centre);
}

// The apply screen's logo has no close and no resize handle, yet moves and turns. As small as its
// handles, its rotate handle lies on its very centre, where the finger's direction means nothing
// and the scale would divide by almost nothing: a drag starting there, or a few points off it,
// neither turns nor scales it.
TEST_F(StickerTest, AStickerWithoutCloseAndResizeMovesAndRotatesButNeverFromNearItsCentre)
{
    auto sticker = addImageSticker(Rect(86, 86, 28, 28));
    sticker->setEnableClose(false);
    sticker->setEnableResize(false);
    sticker->showEditingHandles();
    EXPECT_TRUE(sticker->resizeView()->isHidden()) << "a disabled handle stays hidden";
    auto delegate = record(*sticker);
    const Point centre = sticker->center();
    ASSERT_EQ(handleCentre(sticker->rotateView()), centre);
    for (const Point start : { centre, Point(centre.x + 3, centre.y + 2), Point(centre.x + 7, centre.y - 6) }) {
        drag(start, { polar(centre, 50, 30), polar(centre, 400, 100) });
        EXPECT_EQ(std::tuple(sticker->bounds().size, sticker->transform(), sticker->center()), std::tuple(Size(28, 28), AffineTransform::identity(), centre)) << start.x - centre.x << ", " << start.y - centre.y;
    }
    EXPECT_EQ(delegate->calls.at(0), "begin") << "the owner still hears of the drag";

    sticker->setBounds({ 0, 0, 80, 80 });
    delegate->calls.clear();
    drag({ 100, 100 }, { { 130, 140 } });
    EXPECT_EQ(sticker->center(), Point(130, 140));
    const Grip grip = rotateGrip(*sticker);
    ASSERT_GE(grip.reach, LDStickerView::kMinimumRotateDistance);
    drag(grip.handle, { polar(grip.centre, 4 * grip.reach, 45 + 30) });
    EXPECT_TRUE(nearly(sticker->bounds().size, { 160, 160 }) && nearly(sticker->center(), grip.centre));
    EXPECT_NEAR(degrees(angleOf(*sticker)), 30, 1e-9);
    EXPECT_EQ(delegate->calls, (Names { "begin", "change", "end", "begin", "change", "end" }));
}

TEST_F(StickerTest, ResizeHandleGrowsAboutTheCentreStopsAtTheFloorAndFollowsTheUnturnedFinger)
{
    auto sticker = addImageSticker(Rect(50, 50, 100, 100));
    auto delegate = record(*sticker);
    const Point handle = handleCentre(sticker->resizeView());
    down(handle);
    moveTo(handle + Point { -10, 5 }); // 20 wider, 10 taller
    EXPECT_EQ(sticker->frame(), Rect(40, 45, 120, 110));
    moveTo(handle + Point { 50, 5 }); // 60 right would make it 0 wide: it stops at 29
    EXPECT_EQ(std::pair(sticker->bounds().size, sticker->center()), std::pair(Size(29, 110), Point(100, 100)));
    moveTo(handle + Point { 50, 5 }); // the next event first lifts it to 50 from its left edge
    EXPECT_EQ(std::pair(sticker->bounds().size, sticker->center()), std::pair(Size(50, 110), Point(110.5, 100))) << "lifting keeps the origin, so the centre moves";
    up(handle + Point { 50, 5 });
    EXPECT_EQ(delegate->calls, (Names { "begin", "change", "change", "change" })) << "a resize has no end call";
    EXPECT_TRUE(posted.empty());

    // Turned a quarter clockwise, the sticker's own x axis points down the canvas: a finger
    // moving up drags the handle outwards along the width, one moving left along the height.
    auto turned = addImageSticker(Rect(250, 50, 100, 100));
    turned->setTransform(AffineTransform::rotation(radians(90)));
    const Point grip = handleCentre(turned->resizeView());
    down(grip);
    moveTo(grip + Point { 0, -10 });
    EXPECT_TRUE(nearly(turned->bounds().size, { 120, 100 }));
    moveTo(grip + Point { -15, -10 });
    up(grip + Point { -15, -10 });
    EXPECT_TRUE(nearly(turned->bounds().size, { 120, 130 }) && nearly(turned->center(), { 300, 100 }));
    EXPECT_NEAR(angleOf(*turned), radians(90), 1e-12);

    // A text's height is its text's: only the width follows, lifted to 80 from the floor.
    auto text = addTextSticker(Rect(10, 250, 200, 70), false);
    const Point textGrip = handleCentre(text->resizeView());
    down(textGrip);
    moveTo(textGrip + Point { -10, 30 });
    EXPECT_EQ(text->bounds().size, Size(220, 70));
    moveTo(textGrip + Point { 200, 30 });
    EXPECT_EQ(text->bounds().size, Size(29, 70));
    moveTo(textGrip + Point { 200, 30 });
    up(textGrip + Point { 200, 30 });
    EXPECT_EQ(text->bounds().size, Size(80, 70));
    EXPECT_EQ(text->myTextField->text(), placeholder());
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
    const Point outer = icon->convertPointToView({ -6, icon->bounds().height() - 14 }, canvas.get());
    EXPECT_FALSE(icon->bounds().contains(icon->convertPointFromView(outer, canvas.get())));
    EXPECT_EQ(window->hitTest(canvas->convertPointToView(outer, nullptr)), icon->resizeView());
    icon->hideEditingHandles();
    EXPECT_NE(stickerUnder(*window, *canvas, outer), icon);
}

}
}
