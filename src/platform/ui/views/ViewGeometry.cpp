#include <platform/ui/views/View.h>

#include <platform/ui/window/Window.h>

#include <cmath>

namespace vd {

Rect View::frame() const
{
    return transformToSuperview().apply(m_bounds);
}

void View::setFrame(const Rect& frame)
{
    // The frame's centre becomes the centre and its size the bounds size; with a
    // transform other than the identity the result is the transformed size again only for pure
    // translations.
    setCenter(frame.center());
    setBounds({ m_bounds.origin, { std::abs(frame.width()), std::abs(frame.height()) } });
}

void View::setBounds(const Rect& bounds)
{
    if (bounds == m_bounds)
        return;
    invalidateVisualArea();
    const Rect from = presentationBounds();
    const Size oldSize = m_bounds.size;
    m_bounds = bounds;
    const double a[4] = { from.x(), from.y(), from.width(), from.height() };
    const double b[4] = { bounds.x(), bounds.y(), bounds.width(), bounds.height() };
    animateProperty(Property::Bounds, a, b, 4);
    if (oldSize != bounds.size) {
        autoresizeSubviews(oldSize);
        setNeedsLayout();
        if (m_contentMode == ContentMode::Redraw)
            setNeedsDisplay();
    }
    invalidateVisualArea();
}

void View::setCenter(Point center)
{
    if (center == m_center)
        return;
    invalidateVisualArea();
    const Point from = presentationCenter();
    m_center = center;
    const double a[2] = { from.x, from.y };
    const double b[2] = { center.x, center.y };
    animateProperty(Property::Center, a, b, 2);
    invalidateVisualArea();
}

void View::setTransform(const AffineTransform& transform)
{
    if (transform == m_transform)
        return;
    invalidateVisualArea();
    const AffineTransform from = m_animations.empty() ? m_transform : presentationTransform();
    m_transform = transform;
    const double a[6] = { from.a, from.b, from.c, from.d, from.tx, from.ty };
    const double b[6] = { transform.a, transform.b, transform.c, transform.d, transform.tx, transform.ty };
    animateProperty(Property::Transform, a, b, 6);
    invalidateVisualArea();
}

AffineTransform View::transformToSuperview() const
{
    // Own coordinates → about the bounds centre → transform → to the centre in the parent.
    return AffineTransform::translation(-m_bounds.midX(), -m_bounds.midY()).concat(m_transform).concat(AffineTransform::translation(m_center.x, m_center.y));
}

AffineTransform View::transformToRoot() const
{
    AffineTransform result = transformToSuperview();
    auto parent = m_superview.lock();
    while (parent) {
        auto grand = parent->m_superview.lock();
        // The root's own placement is not part of its coordinates.
        if (!grand)
            break;
        result = result.concat(parent->transformToSuperview());
        parent = grand;
    }
    if (!m_superview.lock())
        return AffineTransform::identity();
    return result;
}

Point View::convertPointToView(Point point, const View* view) const
{
    const Point inRoot = transformToRoot().apply(point);
    return view ? view->transformToRoot().inverted().apply(inRoot) : inRoot;
}

Point View::convertPointFromView(Point point, const View* view) const
{
    const Point inRoot = view ? view->transformToRoot().apply(point) : point;
    return transformToRoot().inverted().apply(inRoot);
}

Rect View::convertRectToView(const Rect& rect, const View* view) const
{
    AffineTransform t = transformToRoot();
    if (view)
        t = t.concat(view->transformToRoot().inverted());
    return t.apply(rect);
}

Rect View::convertRectFromView(const Rect& rect, const View* view) const
{
    AffineTransform t = view ? view->transformToRoot() : AffineTransform::identity();
    t = t.concat(transformToRoot().inverted());
    return t.apply(rect);
}

bool View::pointInside(Point point) const
{
    return m_bounds.contains(point);
}

std::shared_ptr<View> View::hitTest(Point point)
{
    if (m_hidden || !m_userInteractionEnabled || m_alpha < 0.01)
        return nullptr;
    if (!pointInside(point))
        return nullptr;
    for (auto it = m_subviews.rbegin(); it != m_subviews.rend(); ++it) {
        const auto& subview = *it;
        const Point local = subview->transformToSuperview().inverted().apply(point);
        if (auto hit = subview->hitTest(local))
            return hit;
    }
    return shared_from_this();
}

namespace {

// Shares delta among the flexible parts of one axis in proportion to their sizes, so margins and
// sizes keep their proportions as the window changes.
void distribute(double delta, bool flexLead, bool flexSize, bool flexTrail, double& lead, double& size, double& trail)
{
    const int count = int(flexLead) + int(flexSize) + int(flexTrail);
    if (count == 0 || delta == 0)
        return;
    const double total = (flexLead ? lead : 0) + (flexSize ? size : 0) + (flexTrail ? trail : 0);
    auto share = [&](bool flexible, double value) {
        if (!flexible)
            return 0.0;
        return total > 0 ? delta * value / total : delta / count;
    };
    const double dLead = share(flexLead, lead), dSize = share(flexSize, size), dTrail = share(flexTrail, trail);
    lead += dLead;
    size += dSize;
    trail += dTrail;
}

}

void View::autoresizeSubviews(Size oldSize)
{
    if (!m_autoresizesSubviews)
        return;
    const double dw = m_bounds.width() - oldSize.width, dh = m_bounds.height() - oldSize.height;
    for (auto& subview : m_subviews) {
        const unsigned mask = subview->m_autoresizingMask;
        if (mask == AutoresizingNone)
            continue;
        // The untransformed frame, so a rotated child keeps its rotation.
        const Size size = subview->m_bounds.size;
        double left = subview->m_center.x - size.width / 2, width = size.width, right = oldSize.width - left - width;
        double top = subview->m_center.y - size.height / 2, height = size.height, bottom = oldSize.height - top - height;
        distribute(dw, mask & FlexibleLeftMargin, mask & FlexibleWidth, mask & FlexibleRightMargin, left, width, right);
        distribute(dh, mask & FlexibleTopMargin, mask & FlexibleHeight, mask & FlexibleBottomMargin, top, height, bottom);
        subview->setCenter({ left + width / 2, top + height / 2 });
        subview->setBounds({ subview->m_bounds.origin, { std::max(0.0, width), std::max(0.0, height) } });
    }
}

}
