#include <editor/LogoCanvasView.h>

#include <platform/ui/gestures/Touch.h>

namespace vd {

void LogoCanvasView::renumberLayers()
{
    const std::string base = name().empty() ? std::string("myViewTemporanea") : name();
    size_t index = 0;
    for (const auto& child : subviews()) {
        if (child.get() == m_leaving)
            continue;
        child->setName(base + "." + std::to_string(index++));
    }
}

void LogoCanvasView::didAddSubview(View* subview)
{
    View::didAddSubview(subview);
    renumberLayers();
}

void LogoCanvasView::willRemoveSubview(View* subview)
{
    View::willRemoveSubview(subview);
    m_leaving = subview;
    renumberLayers();
    m_leaving = nullptr;
}

void LogoCanvasView::touchesBegan(const TouchSet&, const TouchEvent&)
{
    // The canvas keeps its touches: the scroll view around it must not start dragging for them.
}

void LogoCanvasView::touchesEnded(const TouchSet& touches, const TouchEvent&)
{
    for (const auto& touch : touches) {
        if (touch->view().get() == this) {
            if (onBareTouchEnded)
                onBareTouchEnded();
            return;
        }
    }
}

}
