#include "StickerTestSupport.h"

#include <elements/CustomScrollView.h>

namespace vd::test {
namespace {

using Names = std::vector<std::string>;

class RecordingOwner : public CustomScrollViewDelegate {
public:
    void customScrollViewTouchBegan(const Touch& touch) override { calls.push_back("began " + touch.view()->className()); }
    void customScrollViewTouchesMoved(const TouchSet&, const TouchEvent&) override { calls.push_back("moved"); }
    void customScrollViewTouchEnded(const Touch& touch) override { calls.push_back("ended " + touch.view()->className()); }
    Names calls;
};

// The parent of the scroll view, to see what it passes on.
class RecordingParent : public View {
public:
    using View::View;
    void touchesBegan(const TouchSet&, const TouchEvent&) override { calls.push_back("began"); }
    void touchesMoved(const TouchSet&, const TouchEvent&) override { calls.push_back("moved"); }
    void touchesEnded(const TouchSet&, const TouchEvent&) override { calls.push_back("ended"); }
    Names calls;
};

TEST_F(StickerTest, CanvasScrollViewReportsTouchesOnStickersAndPassesThemOn)
{
    auto parent = View::make<RecordingParent>(Rect(0, 500, 400, 400));
    window->addSubview(parent);
    auto scroll = View::make<CustomScrollView>(Rect(0, 0, 400, 400));
    scroll->setContentSize({ 400, 400 });
    parent->addSubview(scroll);
    // A sticker with no recognizers of its own, as one decoded from an archive, lets its
    // touches go up to the scroll view.
    auto bare = LDStickerView::initWithCoder();
    bare->setFrame(Rect(50, 50, 100, 100));
    scroll->addSubview(bare);
    auto plain = View::make(Rect(250, 250, 100, 100));
    scroll->addSubview(plain);

    // No owner yet: the touches only pass on.
    tap({ 100, 600 });
    EXPECT_EQ(parent->calls, (Names { "began", "ended" }));

    auto owner = std::make_shared<RecordingOwner>();
    scroll->delegatePass = owner;
    parent->calls.clear();
    drag({ 100, 600 }, { { 102, 601 } });
    EXPECT_EQ(owner->calls, (Names { "began LDStickerView", "moved", "ended LDStickerView" }));
    EXPECT_EQ(parent->calls, (Names { "began", "moved", "ended" }));

    owner->calls.clear();
    drag({ 300, 800 }, { { 301, 800 } });
    EXPECT_EQ(owner->calls, (Names { "moved" })) << "only sticker touches begin and end for the owner";

    // A working sticker takes its touches with its own recognizers: nothing reaches the owner.
    owner->calls.clear();
    auto sticker = LDStickerView::initWithFrame(Rect(200, 20, 100, 100));
    sticker->setContentView(View::make<ImageView>());
    scroll->addSubview(sticker);
    drag({ 250, 570 }, { { 270, 570 } });
    EXPECT_TRUE(owner->calls.empty());
    EXPECT_EQ(sticker->center(), Point(270, 70));
}

}
}
