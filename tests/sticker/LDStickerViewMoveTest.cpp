#include "StickerTestSupport.h"

namespace vd::test {
namespace {

using Names = std::vector<std::string>;
const std::string ver = LDStickerView::keyCentroVer;
const std::string nascondiOr = LDStickerView::keyNascondiLineaOrizzonale;
const std::string perfetto = LDStickerView::keyCentroPerfetto;
const std::string centroOr = LDStickerView::keyCentroOr;
const std::string nascondi = LDStickerView::keyNascondiLineeGuida;

TEST_F(StickerTest, TapTogglesHandlesAndTheSecondTapBringsTheStickerToTheFront)
{
    auto below = addImageSticker(Rect(10, 10, 200, 200));
    auto above = addImageSticker(Rect(150, 150, 200, 200));
    below->hideEditingHandles();
    above->hideEditingHandles();
    ASSERT_EQ(canvas->subviews().front(), below);

    tap({ 60, 60 });
    EXPECT_TRUE(below->isShowingEditingHandles() == true && !below->closeView()->isHidden() && above->isShowingEditingHandles() == false);
    EXPECT_EQ(canvas->subviews().front(), below) << "showing handles keeps the order";
    tap({ 60, 60 });
    EXPECT_TRUE(below->isShowingEditingHandles() == false && below->closeView()->isHidden());
    EXPECT_EQ(canvas->subviews().back(), below) << "hiding handles by a tap brings it to the front";

    // A drag is no tap: the handles stay as they were.
    drag({ 60, 60 }, { { 90, 60 } });
    EXPECT_EQ(below->isShowingEditingHandles(), false);
    EXPECT_EQ(below->center(), Point(140, 110));
}

TEST_F(StickerTest, DeleteHandleRemovesTheStickerAndPostsReloadTable)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    auto delegate = record(*sticker);
    tap(handleCentre(sticker->closeView()));
    EXPECT_FALSE(sticker->superview());
    EXPECT_EQ(posted, (Names { LDStickerView::keyReloadTable })) << "no move took place";
    EXPECT_EQ(objects, (std::vector<const void*> { sticker.get() }));
    EXPECT_EQ(delegate->calls, (Names { "close" }));
}

TEST_F(StickerTest, CentreSnapsAtExactlyEightPointsAndNotBeyond)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    ASSERT_EQ(sticker->center(), Point(110, 110));
    // x ends 8 points right of the canvas centre line (200), y far from it.
    down({ 110, 110 });
    moveTo({ 208, 60 });
    EXPECT_EQ(sticker->center(), Point(200, 60));
    EXPECT_EQ(posted, (Names { ver, nascondiOr }));
    up({ 208, 60 });
    EXPECT_EQ(posted.back(), nascondi);

    // The same for y, 8 points above the horizontal line.
    posted.clear();
    down({ 200, 60 });
    moveTo({ 320, 192 });
    EXPECT_EQ(sticker->center(), Point(320, 200));
    EXPECT_EQ(posted, (Names { centroOr })) << "the guides were already hidden by the last end";
    up({ 320, 192 });

    // A ten-thousandth of a point beyond the band: no snap on either axis.
    posted.clear();
    down({ 320, 200 });
    moveTo({ 208.0001, 208.0001 });
    EXPECT_TRUE(nearly(sticker->center(), { 208.0001, 208.0001 }));
    EXPECT_TRUE(posted.empty()) << "nothing to hide twice";
    moveTo({ 191.9999, 208.0001 });
    EXPECT_DOUBLE_EQ(sticker->center().x, 191.9999);
    moveTo({ 192, 191.9999 });
    EXPECT_EQ(sticker->center(), Point(200, 191.9999));
    up({ 192, 191.9999 });
    EXPECT_EQ(posted, (Names { ver, nascondiOr, nascondi }));
}

TEST_F(StickerTest, ACancelledMoveOrRotateLeavesNoGuideAndNoOverlay)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    auto delegate = record(*sticker);
    down({ 110, 110 });
    moveTo({ 198, 199 }); // the centre snaps onto the canvas's centre: both guides show
    ASSERT_EQ(posted, (Names { ver, nascondiOr, perfetto }));
    posted.clear();
    cancel({ 198, 199 });
    EXPECT_EQ(posted, (Names { nascondi })) << "the guides go with the finger";
    EXPECT_EQ(delegate->calls.back(), "end");

    const Grip grip = rotateGrip(*sticker);
    down(grip.handle);
    moveTo(polar(grip.centre, grip.reach, 45 + 44)); // snaps to 45°: the diagonal overlay shows
    ASSERT_EQ(sticker->lineeDiagonali()->alpha(), 1);
    cancel(polar(grip.centre, grip.reach, 45 + 44));
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 0);
    EXPECT_EQ(delegate->calls.back(), "end");

    // The next drag works as ever.
    posted.clear();
    drag({ 200, 200 }, { { 260, 280 } });
    EXPECT_EQ(sticker->center(), Point(260, 280));
    EXPECT_EQ(posted.back(), nascondi);
}

}
}
