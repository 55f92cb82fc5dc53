#include <platform/ui/views/View.h>

#include <platform/foundation/Log.h>
#include <platform/ui/window/Window.h>

#include <algorithm>

namespace vd {

void View::detachFromParent()
{
    auto parent = m_superview.lock();
    if (!parent)
        return;
    invalidateVisualArea();
    if (auto* w = window())
        invalidateDrawnExtents(*w);
    auto protector = shared_from_this();
    if (auto* w = window())
        w->viewWillLeave(*this);
    parent->willRemoveSubview(this);
    auto& siblings = parent->m_subviews;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [this](auto& v) { return v.get() == this; }), siblings.end());
    m_superview.reset();
}

void View::insertSubviewAtIndex(const std::shared_ptr<View>& view, size_t index)
{
    if (!view || view.get() == this || isDescendantOfView(view.get()))
        return;
    auto protector = view;
    const bool wasHere = view->m_superview.lock().get() == this;
    Window* oldWindow = view->window();
    if (!wasHere)
        view->willMoveToSuperview(this);
    view->detachFromParent();
    index = std::min(index, m_subviews.size());
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->m_superview = weak_from_this();
    if (view->m_superview.expired())
        log::debug(className() + " " + name() + ": subview " + view->className() + " " + view->name() + " added before a shared pointer owns the parent; it gets its parent link only when the parent is made with View::make");
    view->invalidateVisualArea();
    if (!wasHere) {
        view->didMoveToSuperview();
        didAddSubview(view.get());
    }
    if (oldWindow != view->window())
        view->notifyMovedToWindow();
}

void View::adoptSubviewsAddedBeforeOwnership()
{
    for (const auto& view : m_subviews)
        if (view->m_superview.expired())
            view->m_superview = weak_from_this();
}

void View::addSubview(const std::shared_ptr<View>& view)
{
    if (view && view->m_superview.lock().get() == this) {
        // Adding a view that is already a subview moves it to the front, where a new one would go.
        bringSubviewToFront(view.get());
        return;
    }
    insertSubviewAtIndex(view, m_subviews.size());
}

void View::insertSubviewBelowSubview(const std::shared_ptr<View>& view, const View* sibling)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == sibling; });
    if (it == m_subviews.end()) {
        addSubview(view);
        return;
    }
    size_t index = static_cast<size_t>(it - m_subviews.begin());
    if (view && view->m_superview.lock().get() == this) {
        auto own = std::find(m_subviews.begin(), m_subviews.end(), view);
        if (own != m_subviews.end() && static_cast<size_t>(own - m_subviews.begin()) < index)
            --index;
    }
    insertSubviewAtIndex(view, index);
}

void View::insertSubviewAboveSubview(const std::shared_ptr<View>& view, const View* sibling)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == sibling; });
    if (it == m_subviews.end()) {
        addSubview(view);
        return;
    }
    size_t index = static_cast<size_t>(it - m_subviews.begin()) + 1;
    if (view && view->m_superview.lock().get() == this) {
        auto own = std::find(m_subviews.begin(), m_subviews.end(), view);
        if (own != m_subviews.end() && static_cast<size_t>(own - m_subviews.begin()) < index)
            --index;
    }
    insertSubviewAtIndex(view, index);
}

void View::bringSubviewToFront(const View* view)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == view; });
    if (it == m_subviews.end())
        return;
    std::rotate(it, it + 1, m_subviews.end());
    m_subviews.back()->invalidateVisualArea();
}

void View::sendSubviewToBack(const View* view)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](auto& v) { return v.get() == view; });
    if (it == m_subviews.end())
        return;
    std::rotate(m_subviews.begin(), it, it + 1);
    m_subviews.front()->invalidateVisualArea();
}

void View::exchangeSubviewAtIndex(size_t first, size_t second)
{
    if (first >= m_subviews.size() || second >= m_subviews.size())
        return;
    std::swap(m_subviews[first], m_subviews[second]);
    m_subviews[first]->invalidateVisualArea();
    m_subviews[second]->invalidateVisualArea();
}

void View::removeFromSuperview()
{
    if (!m_superview.lock())
        return;
    auto protector = shared_from_this();
    Window* oldWindow = window();
    willMoveToSuperview(nullptr);
    detachFromParent();
    didMoveToSuperview();
    if (oldWindow)
        notifyMovedToWindow();
}

void View::notifyMovedToWindow()
{
    // Keyed layer animations end when a view leaves the screen.
    if (!window())
        m_layer.removeAllAnimations();
    didMoveToWindow();
    const auto subviews = m_subviews;
    for (auto& subview : subviews)
        subview->notifyMovedToWindow();
}

bool View::isDescendantOfView(const View* view) const
{
    for (const View* v = this; v; v = v->m_superview.lock().get()) {
        if (v == view)
            return true;
    }
    return false;
}

std::shared_ptr<View> View::viewWithTag(long tag)
{
    if (m_tag == tag)
        return shared_from_this();
    for (auto& subview : m_subviews) {
        if (auto found = subview->viewWithTag(tag))
            return found;
    }
    return nullptr;
}

std::shared_ptr<View> View::viewNamed(const std::string& name)
{
    if (m_name == name)
        return shared_from_this();
    for (auto& subview : m_subviews) {
        if (auto found = subview->viewNamed(name))
            return found;
    }
    return nullptr;
}

Window* View::window() const
{
    const View* view = this;
    while (auto parent = view->m_superview.lock())
        view = parent.get();
    return dynamic_cast<Window*>(const_cast<View*>(view));
}

}
