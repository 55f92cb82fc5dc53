#include "StickerTestSupport.h"

namespace vd::test {
namespace {

using Names = std::vector<std::string>;
const std::string ver = LDStickerView::keyCentroVer;
const std::string nascondiOr = LDStickerView::keyNascondiLineaOrizzonale;
const std::string perfetto = LDStickerView::keyCentroPerfetto;
const std::string centroOr = LDStickerView::keyCentroOr;
const std::string nascondi = LDStickerView::keyNascondiLineeGuida;

TEST_F(StickerTest, CreationBuildsThreeHandlesAroundAnInsetContent)
{
    auto sticker = LDStickerView::initWithFrame(Rect(10, 10, 200, 120));
    EXPECT_EQ(sticker->globalInset(), 14);
    EXPECT_EQ(sticker->closeView()->frame(), Rect(172, 0, 28, 28));
    EXPECT_EQ(sticker->rotateView()->frame(), Rect(172, 92, 28, 28));
    EXPECT_EQ(sticker->resizeView()->frame(), Rect(-10, 92, 28, 28)) << "10 points out to the left";
    EXPECT_EQ(sticker->closeView()->automationImageName(), "icon_delete");
    EXPECT_EQ(sticker->rotateView()->automationImageName(), "icon_rotate");
    EXPECT_EQ(sticker->resizeView()->automationImageName(), "icon_scale");
    EXPECT_FALSE(sticker->backgroundColor());
    EXPECT_EQ(sticker->isShowingEditingHandles(), false);
    EXPECT_TRUE(sticker->closeView()->isHidden());
    EXPECT_TRUE(sticker->rotateView()->isHidden());
    EXPECT_TRUE(sticker->resizeView()->isHidden());
    EXPECT_EQ(sticker->layer().shadowOpacity(), 0);
    EXPECT_FALSE(sticker->contentView());

    auto image = View::make<ImageView>(Rect(200, 200, 50, 50));
    sticker->setContentView(image);
    EXPECT_EQ(sticker->subviews().front(), image) << "content below the handles";
    EXPECT_EQ(image->frame(), Rect(14, 14, 172, 92));
    EXPECT_EQ(image->tag(), 10);
    EXPECT_EQ(image->layer().borderWidth(), 1.0);
    ASSERT_TRUE(sticker->lineeDiagonali());
    EXPECT_EQ(image->subviews().back(), sticker->lineeDiagonali());
    EXPECT_EQ(sticker->lineeDiagonali()->frame(), Rect(0, 0, 172, 92));
    EXPECT_EQ(sticker->lineeDiagonali()->alpha(), 0);
    EXPECT_FALSE(sticker->lineeDiagonali()->isUserInteractionEnabled());

    // Handles and content follow the sticker's size at their corners.
    sticker->setBounds(Rect(0, 0, 300, 200));
    EXPECT_EQ(sticker->closeView()->frame(), Rect(272, 0, 28, 28));
    EXPECT_EQ(sticker->rotateView()->frame(), Rect(272, 172, 28, 28));
    EXPECT_EQ(sticker->resizeView()->frame(), Rect(-10, 172, 28, 28));
    EXPECT_EQ(image->frame(), Rect(14, 14, 272, 172));

    // A new content replaces the old one.
    auto other = View::make();
    sticker->setContentView(other);
    EXPECT_FALSE(image->superview());
    EXPECT_EQ(sticker->subviews().front(), other);
    EXPECT_EQ(sticker->subviews().size(), 4u);

    sticker->setShowContentShadow(true);
    EXPECT_EQ(sticker->layer().shadowOpacity(), 1);
    EXPECT_EQ(sticker->layer().shadowRadius(), 4);
    EXPECT_EQ(sticker->layer().shadowOffset(), Size(0, 5));
}

TEST_F(StickerTest, HandlesShowOnlyWhenEnabledAndADelegateHearsEveryChange)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    auto delegate = std::make_shared<RecordingStickerDelegate>();
    sticker->setDelegate(delegate);
    EXPECT_EQ(sticker->contentView()->layer().borderWidth(), 0.5);

    sticker->setEnableResize(false);
    EXPECT_TRUE(sticker->resizeView()->isHidden());
    sticker->hideEditingHandles();
    EXPECT_EQ(sticker->contentView()->layer().borderWidth(), 0);
    sticker->showEditingHandles();
    EXPECT_FALSE(sticker->closeView()->isHidden());
    EXPECT_FALSE(sticker->rotateView()->isHidden());
    EXPECT_TRUE(sticker->resizeView()->isHidden()) << "a disabled handle stays hidden";
    // Showing handles that already show hides them first.
    sticker->showEditingHandles();
    EXPECT_EQ(delegate->calls, (Names { "hide", "show", "hide", "show" }));
    EXPECT_EQ(sticker->lastTouchedView.lock(), sticker);

    // A disabled handle takes no touches: the finger on its corner moves the sticker instead.
    const Point corner = handleCentre(sticker->resizeView());
    delegate->calls.clear();
    down(corner);
    moveTo(corner + Point { 20, 0 });
    up(corner + Point { 20, 0 });
    EXPECT_EQ(sticker->center(), Point(130, 110));
    EXPECT_EQ(sticker->bounds().size, Size(200, 200));
    EXPECT_EQ(delegate->calls, (Names { "begin", "change", "end" }));

    // A transparent rotate handle lets the touch through to the body too.
    sticker->hideRotateButton();
    const Point rotateCorner = handleCentre(sticker->rotateView());
    down(rotateCorner);
    moveTo(rotateCorner + Point { -20, 0 });
    up(rotateCorner + Point { -20, 0 });
    EXPECT_EQ(sticker->center(), Point(110, 110));
    EXPECT_DOUBLE_EQ(angleOf(*sticker), 0);
    sticker->showRorateButton();
    EXPECT_EQ(sticker->rotateView()->alpha(), 1);
}

TEST_F(StickerTest, TapTogglesHandlesAndTheSecondTapBringsTheStickerToTheFront)
{
    auto below = addImageSticker(Rect(10, 10, 200, 200));
    auto above = addImageSticker(Rect(150, 150, 200, 200));
    below->hideEditingHandles();
    above->hideEditingHandles();
    ASSERT_EQ(canvas->subviews().front(), below);

    tap({ 60, 60 });
    EXPECT_EQ(below->isShowingEditingHandles(), true);
    EXPECT_FALSE(below->closeView()->isHidden());
    EXPECT_EQ(canvas->subviews().front(), below) << "showing handles keeps the order";
    EXPECT_EQ(above->isShowingEditingHandles(), false);

    tap({ 60, 60 });
    EXPECT_EQ(below->isShowingEditingHandles(), false);
    EXPECT_TRUE(below->closeView()->isHidden());
    EXPECT_EQ(canvas->subviews().back(), below) << "hiding handles by a tap brings it to the front";

    // A drag is no tap: the handles stay as they were.
    down({ 60, 60 });
    moveTo({ 90, 60 });
    up({ 90, 60 });
    EXPECT_EQ(below->isShowingEditingHandles(), false);
    EXPECT_EQ(below->center(), Point(140, 110));
}

TEST_F(StickerTest, DeleteHandleRemovesTheStickerAndPostsReloadTable)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    auto delegate = std::make_shared<RecordingStickerDelegate>();
    sticker->setDelegate(delegate);
    const Point close = handleCentre(sticker->closeView());
    tap(close);
    EXPECT_FALSE(sticker->superview());
    EXPECT_TRUE(canvas->subviews().empty());
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
    EXPECT_DOUBLE_EQ(sticker->center().x, 208.0001);
    EXPECT_DOUBLE_EQ(sticker->center().y, 208.0001);
    EXPECT_TRUE(posted.empty()) << "nothing to hide twice";
    moveTo({ 191.9999, 208.0001 });
    EXPECT_DOUBLE_EQ(sticker->center().x, 191.9999);
    moveTo({ 192, 191.9999 });
    EXPECT_EQ(sticker->center(), Point(200, 191.9999));
    up({ 192, 191.9999 });
    EXPECT_EQ(posted, (Names { ver, nascondiOr, nascondi }));
}

TEST_F(StickerTest, APassThroughTheCentrePostsInOrderAndHidesOnceOnLeaving)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    auto delegate = std::make_shared<RecordingStickerDelegate>();
    sticker->setDelegate(delegate);
    down({ 110, 110 });
    moveTo({ 150, 150 }); // outside both bands: the guides are hidden once
    moveTo({ 180, 150 });
    EXPECT_EQ(posted, (Names { nascondi }));
    EXPECT_TRUE(sticker->myBoolLineeGuidaNascoste);

    posted.clear();
    moveTo({ 195, 150 }); // vertical band only
    EXPECT_EQ(sticker->center(), Point(200, 150));
    EXPECT_EQ(posted, (Names { ver, nascondiOr }));
    EXPECT_FALSE(sticker->myBoolLineeGuidaNascoste);

    posted.clear();
    moveTo({ 197, 196 }); // both bands, twice
    EXPECT_EQ(sticker->center(), Point(200, 200));
    moveTo({ 204, 203 });
    EXPECT_EQ(sticker->center(), Point(200, 200));
    EXPECT_EQ(posted, (Names { ver, nascondiOr, perfetto, ver, nascondiOr, perfetto }));
    for (auto* object : objects)
        EXPECT_EQ(object, sticker.get());

    posted.clear();
    moveTo({ 215, 215 }); // out of both: hidden once, however many events follow
    moveTo({ 240, 250 });
    moveTo({ 260, 280 });
    EXPECT_EQ(posted, (Names { nascondi }));
    EXPECT_EQ(sticker->center(), Point(260, 280));

    posted.clear();
    moveTo({ 260, 205 }); // horizontal band only: hide what was left, then the horizontal guide
    EXPECT_EQ(sticker->center(), Point(260, 200));
    moveTo({ 270, 198 });
    EXPECT_EQ(posted, (Names { centroOr, nascondi, centroOr }));

    posted.clear();
    up({ 270, 198 });
    EXPECT_EQ(posted, (Names { nascondi })) << "every move ends by hiding the guides";
    EXPECT_TRUE(sticker->myBoolLineeGuidaNascoste);
    EXPECT_EQ(sticker->beginningPoint(), Point(110, 110));
    EXPECT_EQ(sticker->beginningCenter(), Point(110, 110));
    EXPECT_EQ(sticker->prevPoint(), Point(270, 198));

    // A move that begins and ends outside the bands still ends with a hide.
    posted.clear();
    down({ 270, 200 });
    moveTo({ 300, 300 });
    up({ 300, 300 });
    EXPECT_EQ(posted, (Names { nascondi }));
    const auto changes = std::count(delegate->calls.begin(), delegate->calls.end(), "change");
    EXPECT_EQ(changes, 11);
    EXPECT_EQ(delegate->calls.front(), "begin");
    EXPECT_EQ(delegate->calls.back(), "end");
}

TEST_F(StickerTest, TheTargetIsTheContainersCentreInItsOwnParent)
{
    // A canvas away from its parent's origin: the sticker still aims at the canvas's centre
    // point as its parent sees it, which owners avoid by keeping the canvas at the origin.
    canvas->setFrame(Rect(100, 0, 400, 400)); // centre (300, 200)
    auto sticker = addImageSticker(Rect(10, 10, 200, 200));
    const Point start = onCanvas(*sticker, sticker->bounds().center()) + Point { 100, 0 };
    down(start);
    moveTo(start + Point { 186, 0 }); // centre 296 on the canvas
    EXPECT_EQ(sticker->center(), Point(300, 110));
    up(start + Point { 186, 0 });
}

}
}
