#include "StickerTestSupport.h"

#include <limits>

namespace vd::test {
namespace {

using Names = std::vector<std::string>;

Point polar(Point centre, double distance, double angleDegrees)
{
    return { centre.x + distance * std::cos(radians(angleDegrees)), centre.y + distance * std::sin(radians(angleDegrees)) };
}

// The height a text takes in the sticker's font laid out with explicit line breaks, so no width
// decides where its lines end.
double heightOfLines(const std::string& lines)
{
    auto measure = View::make<TextView>(Rect(0, 0, 10000, 10));
    measure->setFont(LDStickerView::myStringFontDefalut, LDStickerView::kTextFontSize);
    measure->setText(lines);
    return measure->sizeThatFits({ 10000, 0 }).height;
}

TEST_F(StickerTest, QuarterAndThreeEighthTurnsSnapOntoTheirOwnAngles)
{
    auto sticker = addImageSticker(Rect(100, 100, 200, 200));
    const Point centre = sticker->center();
    const Point handle = handleCentre(sticker->rotateView());
    const double reach = std::hypot(handle.x - centre.x, handle.y - centre.y);
    // The handle starts 45° round from the centre; the finger's direction minus 45° is the angle.
    down(handle);
    struct Case {
        double held;   // the angle the finger asks for
        double target; // where the sticker must stand
    };
    for (const Case c : { Case { 88.5, 90 }, Case { 91.5, 90 }, Case { -88.5, -90 }, Case { -91.5, -90 }, Case { 133.5, 135 }, Case { 134.5, 135 },
             Case { -133.5, -135 }, Case { -136.5, -135 } }) {
        moveTo(polar(centre, reach, 45 + c.held));
        EXPECT_EQ(sticker->transform(), AffineTransform::rotation(radians(c.target))) << "held at " << c.held << "°, the sticker stands at " << degrees(angleOf(*sticker)) << "°";
        EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 1) << c.held;
        EXPECT_EQ(sticker->center(), centre);
    }
    up(polar(centre, reach, 45 - 136.5));
    EXPECT_EQ(sticker->transform(), AffineTransform::rotation(radians(-135)));
}

TEST_F(StickerTest, RotatingAPictureThatIsNotSquareKeepsItsProportionsAndCentre)
{
    auto sticker = addImageSticker(Rect(60, 120, 240, 120));
    const Point centre = sticker->center();
    const Point handle = handleCentre(sticker->rotateView());
    const double reach = std::hypot(handle.x - centre.x, handle.y - centre.y);
    const double start = degrees(std::atan2(handle.y - centre.y, handle.x - centre.x));
    down(handle);
    moveTo(polar(centre, 4 * reach, start + 30)); // four times as far: twice the size
    EXPECT_NEAR(sticker->bounds().width(), 480, 1e-9);
    EXPECT_NEAR(sticker->bounds().height(), 240, 1e-9);
    EXPECT_NEAR(sticker->center().x, centre.x, 1e-9);
    EXPECT_NEAR(sticker->center().y, centre.y, 1e-9);
    moveTo(polar(centre, reach / 2.25, start + 60)); // two thirds of the size
    up(polar(centre, reach / 2.25, start + 60));
    EXPECT_NEAR(sticker->bounds().width(), 160, 1e-9);
    EXPECT_NEAR(sticker->bounds().height(), 80, 1e-9);
    EXPECT_NEAR(sticker->contentView()->frame().width(), 132, 1e-9) << "the picture inside keeps its 14-point margins";
    EXPECT_NEAR(sticker->contentView()->frame().height(), 52, 1e-9);
    EXPECT_NEAR(sticker->center().x, centre.x, 1e-9);
    EXPECT_NEAR(sticker->center().y, centre.y, 1e-9);
    EXPECT_NEAR(degrees(angleOf(*sticker)), 60, 1e-9);
}

// The apply screen's logo: no close and no resize handle, yet it moves and turns.
TEST_F(StickerTest, AStickerWithoutCloseAndResizeStillMovesAndRotates)
{
    auto sticker = addImageSticker(Rect(40, 40, 120, 120));
    sticker->setEnableClose(false);
    sticker->setEnableResize(false);
    sticker->showEditingHandles();
    auto delegate = std::make_shared<RecordingStickerDelegate>();
    sticker->setDelegate(delegate);

    down({ 100, 100 });
    moveTo({ 130, 140 });
    up({ 130, 140 });
    EXPECT_EQ(sticker->center(), Point(130, 140));

    const Point centre = sticker->center();
    const Point handle = handleCentre(sticker->rotateView());
    const double reach = std::hypot(handle.x - centre.x, handle.y - centre.y);
    down(handle);
    moveTo(polar(centre, reach, 45 + 30));
    up(polar(centre, reach, 45 + 30));
    EXPECT_NEAR(degrees(angleOf(*sticker)), 30, 1e-9);
    EXPECT_EQ(sticker->center(), centre);
    EXPECT_EQ(delegate->calls, (Names { "begin", "change", "end", "begin", "change", "end" }));
}

// A sticker as small as its handles: its rotate handle lies on its very centre, where the
// finger's direction means nothing and the scale would divide by almost nothing. A drag that
// starts there, or a few points off it, neither turns nor scales the sticker; one that starts on
// the handle of a larger sticker does both.
TEST_F(StickerTest, ARotateDragStartingNearTheCentreNeitherTurnsNorScales)
{
    auto sticker = addImageSticker(Rect(86, 86, 28, 28));
    sticker->setEnableClose(false);
    sticker->setEnableResize(false);
    auto delegate = std::make_shared<RecordingStickerDelegate>();
    sticker->setDelegate(delegate);
    const Point centre = sticker->center();
    ASSERT_EQ(handleCentre(sticker->rotateView()), centre);
    for (const Point start : { centre, Point(centre.x + 3, centre.y + 2), Point(centre.x + 7, centre.y - 6) }) {
        down(start);
        moveTo(polar(centre, 50, 30));
        moveTo(polar(centre, 400, 100));
        EXPECT_EQ(sticker->bounds().size, Size(28, 28)) << start.x - centre.x << ", " << start.y - centre.y;
        EXPECT_EQ(sticker->transform(), AffineTransform::identity());
        up(polar(centre, 400, 100));
        EXPECT_EQ(sticker->center(), centre);
    }
    EXPECT_EQ(delegate->calls.front(), "begin") << "the owner still hears of the drag";

    sticker->setBounds({ 0, 0, 80, 80 });
    const Point handle = handleCentre(sticker->rotateView());
    const double reach = std::hypot(handle.x - centre.x, handle.y - centre.y);
    ASSERT_GE(reach, LDStickerView::kMinimumRotateDistance);
    down(handle);
    moveTo(polar(centre, 4 * reach, 45 + 30));
    up(polar(centre, 4 * reach, 45 + 30));
    EXPECT_NEAR(sticker->bounds().width(), 160, 1e-9);
    EXPECT_NEAR(degrees(angleOf(*sticker)), 30, 1e-9);
    EXPECT_TRUE(std::isfinite(sticker->frame().width()));
}

TEST_F(StickerTest, ACancelledMoveOrRotateLeavesNoGuideAndNoOverlay)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    auto delegate = std::make_shared<RecordingStickerDelegate>();
    sticker->setDelegate(delegate);
    down({ 110, 110 });
    moveTo({ 198, 199 }); // the centre snaps onto the canvas's centre: both guides show
    ASSERT_EQ(posted.back(), LDStickerView::keyCentroPerfetto);
    posted.clear();
    RunLoop::main().advance(0.016);
    window->sendTouches(TouchPhase::Cancelled, { { 1, { 198, 199 } } });
    EXPECT_EQ(posted, (Names { LDStickerView::keyNascondiLineeGuida })) << "the guides go with the finger";
    EXPECT_EQ(delegate->calls.back(), "end");

    const Point centre = sticker->center();
    const Point handle = handleCentre(sticker->rotateView());
    const double reach = std::hypot(handle.x - centre.x, handle.y - centre.y);
    down(handle);
    moveTo(polar(centre, reach, 45 + 44)); // snaps to 45°: the diagonal overlay shows
    ASSERT_EQ(sticker->lineeDiagonali()->alpha(), 1);
    RunLoop::main().advance(0.016);
    window->sendTouches(TouchPhase::Cancelled, { { 1, polar(centre, reach, 45 + 44) } });
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 0);
    EXPECT_EQ(delegate->calls.back(), "end");

    // The next drag works as ever.
    posted.clear();
    down({ 200, 200 });
    moveTo({ 260, 280 });
    up({ 260, 280 });
    EXPECT_EQ(sticker->center(), Point(260, 280));
    EXPECT_EQ(posted.back(), LDStickerView::keyNascondiLineeGuida);
}

TEST_F(StickerTest, TypedTextIsRefittedAtTheWidthItIsDrawnAt)
{
    // The narrowest text view that holds "Logo Vardenico" on one line.
    const std::string words = "Logo Vardenico";
    const double oneLine = heightOfLines("Logo");
    double natural = 1;
    for (auto probe = View::make<TextView>(Rect(0, 0, 10, 10)); natural < 1000; natural += 1) {
        probe->setFont(LDStickerView::myStringFontDefalut, LDStickerView::kTextFontSize);
        probe->setText(words);
        if (probe->sizeThatFits({ natural, 0 }).height <= oneLine)
            break;
    }
    ASSERT_LT(natural, 1000);
    // A sticker whose text is drawn 10 points narrower than that (its text view is 33 points
    // narrower than the sticker), so the words wrap onto two lines.
    auto sticker = addTextSticker(Rect(20, 20, natural + 23, 70), true);
    ASSERT_NEAR(sticker->myTextField->bounds().width(), natural - 10, 1e-9);
    window->sendText(words);
    EXPECT_EQ(sticker->bounds().height(), heightOfLines("Logo\nVardenico") + 30) << "two lines tall, so the second is not cut off";
    // The text fills the content, which keeps the 14-point margin below as above: its edge runs
    // through the centres of the bottom handles.
    EXPECT_EQ(sticker->myTextField->frame().height(), sticker->bounds().height() - 28);
    EXPECT_EQ(sticker->contentView()->frame().maxY(), sticker->rotateView()->frame().midY());
    EXPECT_EQ(sticker->contentView()->frame().maxY(), sticker->resizeView()->frame().midY());
}

}
}
