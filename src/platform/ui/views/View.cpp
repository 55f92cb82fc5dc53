#include <platform/ui/views/View.h>

#include <platform/ui/gestures/GestureRecognizer.h>
#include <platform/ui/window/Window.h>

#include <algorithm>

namespace vd {

View::View() = default;

View::View(const Rect& frame)
{
    setFrame(frame);
}

View::~View()
{
    for (auto& recognizer : m_gestureRecognizers)
        recognizer->m_view = nullptr;
    for (auto& subview : m_subviews)
        subview->m_superview.reset();
}

void View::setBackgroundColor(std::optional<Color> color)
{
    if (color && color->alpha <= 0 && *color == Color::clear())
        color.reset();
    const auto from = presentationBackgroundColor().value_or(Color::clear());
    m_backgroundColor = color;
    const auto to = color.value_or(Color::clear());
    const double a[4] = { from.red, from.green, from.blue, from.alpha };
    const double b[4] = { to.red, to.green, to.blue, to.alpha };
    animateProperty(Property::BackgroundColor, a, b, 4);
    setNeedsDisplay();
}

void View::setAlpha(double alpha)
{
    alpha = std::clamp(alpha, 0.0, 1.0);
    const double from = presentationAlpha();
    m_alpha = alpha;
    animateProperty(Property::Alpha, &from, &alpha, 1);
    invalidateVisualArea();
}

void View::setHidden(bool hidden)
{
    if (m_hidden == hidden)
        return;
    if (hidden) {
        invalidateVisualArea();
        if (auto* w = window())
            invalidateDrawnExtents(*w);
    }
    m_hidden = hidden;
    if (!hidden)
        invalidateVisualArea();
}

void View::setClipsToBounds(bool clips)
{
    invalidateVisualArea();
    m_clipsToBounds = clips;
    invalidateVisualArea();
}

void View::setContentMode(ContentMode mode)
{
    m_contentMode = mode;
    setNeedsDisplay();
}

Color View::tintColor() const
{
    for (const View* view = this; view; view = view->m_superview.lock().get()) {
        if (view->m_tintColor)
            return *view->m_tintColor;
    }
    return Color::rgba(0, 122 / 255.0, 1); // the system blue
}

void View::setTintColor(std::optional<Color> color)
{
    m_tintColor = color;
    // Descendants that inherit the tint redraw with it.
    std::vector<View*> pending { this };
    while (!pending.empty()) {
        View* view = pending.back();
        pending.pop_back();
        view->tintColorDidChange();
        for (auto& subview : view->m_subviews) {
            if (!subview->m_tintColor)
                pending.push_back(subview.get());
        }
    }
}

void View::setNeedsLayout()
{
    m_needsLayout = true;
    if (auto* w = window())
        w->invalidateRect({});
}

void View::layoutIfNeeded()
{
    if (m_needsLayout) {
        m_needsLayout = false;
        auto protector = shared_from_this();
        layoutSubviews();
    }
    // Copy: a layout may add or remove subviews.
    const auto subviews = m_subviews;
    for (auto& subview : subviews)
        subview->layoutIfNeeded();
}

void View::sizeToFit()
{
    const Size size = sizeThatFits(m_bounds.size);
    setBounds({ m_bounds.origin, size });
}

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer)
{
    if (!recognizer)
        return;
    if (recognizer->m_view && recognizer->m_view != this)
        recognizer->m_view->removeGestureRecognizer(recognizer.get());
    if (std::find(m_gestureRecognizers.begin(), m_gestureRecognizers.end(), recognizer) != m_gestureRecognizers.end())
        return;
    recognizer->m_view = this;
    m_gestureRecognizers.push_back(recognizer);
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer)
{
    auto it = std::find_if(m_gestureRecognizers.begin(), m_gestureRecognizers.end(), [&](auto& r) { return r.get() == recognizer; });
    if (it == m_gestureRecognizers.end())
        return;
    (*it)->m_view = nullptr;
    m_gestureRecognizers.erase(it);
}

Responder* View::nextResponder() const
{
    if (auto controller = m_viewController.lock())
        return controller.get();
    return m_superview.lock().get();
}

bool View::becomeFirstResponder()
{
    auto* w = window();
    if (!w || !canBecomeFirstResponder())
        return false;
    if (isFirstResponder())
        return true;
    if (auto current = w->firstResponder(); current && !current->resignFirstResponder())
        return false;
    w->setFirstResponderView(shared_from_this());
    return true;
}

bool View::resignFirstResponder()
{
    if (auto* w = window(); w && isFirstResponder())
        w->setFirstResponderView(nullptr);
    return true;
}

bool View::isFirstResponder() const
{
    auto* w = window();
    return w && w->firstResponder().get() == this;
}

}
