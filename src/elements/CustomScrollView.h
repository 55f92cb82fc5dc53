#pragma once

#include <platform/ui/lists/ScrollView.h>

#include <memory>

namespace vd {

// The owner that hears of touches on stickers inside the canvas scroll view.
class CustomScrollViewDelegate {
public:
    virtual ~CustomScrollViewDelegate() = default;
    virtual void customScrollViewTouchBegan(const Touch& touch) = 0; // a touch landed on a sticker
    virtual void customScrollViewTouchesMoved(const TouchSet& touches, const TouchEvent& event) = 0;
    virtual void customScrollViewTouchEnded(const Touch& touch) = 0; // a touch on a sticker lifted
};

// The scroll view that holds the editor canvas. Touches that reach it (those no recognizer
// took) go on up the responder chain while it is being dragged and are otherwise handled as any
// scroll view's; touches on stickers are also reported to delegatePass, when an owner set one.
class CustomScrollView : public ScrollView {
public:
    using ScrollView::ScrollView;
    std::string className() const override { return "CustomScrollView"; }

    std::weak_ptr<CustomScrollViewDelegate> delegatePass;

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
};

}
