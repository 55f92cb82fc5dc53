#include <elements/CustomScrollView.h>

#include <elements/LDStickerView.h>
#include <platform/foundation/Log.h>

namespace vd {

namespace {

// The sticker a touch landed on, if it landed on one.
bool landedOnSticker(const TouchSet& touches)
{
    if (touches.empty())
        return false;
    auto view = touches.front()->view();
    return view && dynamic_cast<LDStickerView*>(view.get());
}

}

void CustomScrollView::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    auto protector = shared_from_this();
    if (isDragging()) {
        if (auto* next = nextResponder())
            next->touchesBegan(touches, event);
    } else {
        ScrollView::touchesBegan(touches, event);
    }
    if (landedOnSticker(touches)) {
        log::debug("myUIImageView has been tapped by the user.");
        if (auto owner = delegatePass.lock())
            owner->customScrollViewTouchBegan(*touches.front());
    }
}

void CustomScrollView::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    auto protector = shared_from_this();
    if (auto owner = delegatePass.lock())
        owner->customScrollViewTouchesMoved(touches, event);
    if (isDragging()) {
        if (auto* next = nextResponder())
            next->touchesMoved(touches, event);
    } else {
        ScrollView::touchesMoved(touches, event);
    }
}

void CustomScrollView::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    auto protector = shared_from_this();
    if (isDragging()) {
        if (auto* next = nextResponder())
            next->touchesEnded(touches, event);
    } else {
        ScrollView::touchesEnded(touches, event);
    }
    if (landedOnSticker(touches)) {
        log::debug("myUIImageView has STOP been tapped by the user.");
        if (auto owner = delegatePass.lock())
            owner->customScrollViewTouchEnded(*touches.front());
    }
}

}
