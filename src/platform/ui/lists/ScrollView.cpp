#include <platform/ui/lists/ScrollView.h>

#include <platform/ui/gestures/PanGestureRecognizer.h>
#include <platform/ui/gestures/PinchGestureRecognizer.h>

#include <algorithm>
#include <cmath>

namespace vd {

namespace {

constexpr double kScrollAnimationDuration = 0.3;

// The scroll view's drag only claims touches when there is something to scroll, so a drag on
// content that fits goes to the views below and around it.
class ScrollPanGate : public GestureRecognizerDelegate {
public:
    explicit ScrollPanGate(ScrollView& scrollView)
        : m_scrollView(scrollView)
    {
    }
    bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) override
    {
        (void)recognizer;
        const Point max = m_scrollView.maximumContentOffset();
        const Point min = m_scrollView.minimumContentOffset();
        return max.x > min.x || max.y > min.y || m_scrollView.alwaysBounceVertical();
    }

private:
    ScrollView& m_scrollView;
};

}

ScrollView::ScrollView()
{
    setUp();
}

ScrollView::ScrollView(const Rect& frame)
    : View(frame)
{
    setUp();
}

ScrollView::~ScrollView() = default;

void ScrollView::setUp()
{
    setClipsToBounds(true);
    setMultipleTouchEnabled(true);
    m_pan = std::make_shared<PanGestureRecognizer>();
    m_pan->setName("scrollPan");
    m_pan->setMaximumNumberOfTouches(1);
    m_pan->setCancelsTouchesInView(true);
    // A recognizer outliving its view (kept by the window while its touches last) has no view.
    m_pan->addTarget([this](GestureRecognizer& r) { if (r.view()) handlePan(); });
    m_panGate = std::make_shared<ScrollPanGate>(*this);
    m_pan->setDelegate(m_panGate);
    m_pinch = std::make_shared<PinchGestureRecognizer>();
    m_pinch->setName("scrollPinch");
    m_pinch->addTarget([this](GestureRecognizer& r) { if (r.view()) handlePinch(); });
    m_pinch->setEnabled(false);
    addGestureRecognizer(m_pan);
    addGestureRecognizer(m_pinch);
}

void ScrollView::setContentSize(Size size)
{
    m_contentSize = { std::max(0.0, size.width), std::max(0.0, size.height) };
    const Point clamped = clampedOffset(contentOffset());
    if (clamped != contentOffset())
        applyOffset(clamped, Animated::No);
    setNeedsLayout();
}

void ScrollView::setContentInset(EdgeInsets inset)
{
    m_contentInset = inset;
    applyOffset(clampedOffset(contentOffset()), Animated::No);
}

Point ScrollView::maximumContentOffset() const
{
    const Size size = bounds().size;
    return { std::max(-m_contentInset.left, m_contentSize.width + m_contentInset.right - size.width),
        std::max(-m_contentInset.top, m_contentSize.height + m_contentInset.bottom - size.height) };
}

Point ScrollView::clampedOffset(Point offset) const
{
    const Point min = minimumContentOffset(), max = maximumContentOffset();
    return { std::clamp(offset.x, min.x, max.x), std::clamp(offset.y, min.y, max.y) };
}

void ScrollView::setContentOffset(Point offset, Animated animated)
{
    applyOffset(clampedOffset(offset), animated);
}

bool ScrollView::scrollWheel(Point location, Point delta)
{
    // Along an axis the content does not overflow, the wheel is left to the enclosing view (a
    // vertical wheel over a row that scrolls sideways scrolls the page).
    if (!m_scrollEnabled || m_zooming)
        return View::scrollWheel(location, delta);
    const Point min = minimumContentOffset(), max = maximumContentOffset();
    const Point taken { max.x > min.x ? delta.x : 0, max.y > min.y ? delta.y : 0 };
    if (taken.x == 0 && taken.y == 0)
        return View::scrollWheel(location, delta);
    setContentOffset(contentOffset() + taken);
    return true;
}

void ScrollView::applyOffset(Point offset, Animated animated)
{
    if (offset == contentOffset())
        return;
    auto protector = shared_from_this();
    const Rect target { offset, bounds().size };
    if (animated == Animated::Yes)
        View::animate(kScrollAnimationDuration, [&] { setBounds(target); });
    else
        setBounds(target);
    contentOffsetDidChange();
    if (auto d = delegate())
        d->scrollViewDidScroll(*this);
}

void ScrollView::scrollRectToVisible(const Rect& rect, Animated animated)
{
    Point offset = contentOffset();
    const Size size = bounds().size;
    if (rect.minX() < offset.x)
        offset.x = rect.minX();
    else if (rect.maxX() > offset.x + size.width)
        offset.x = std::min(rect.minX(), rect.maxX() - size.width);
    if (rect.minY() < offset.y)
        offset.y = rect.minY();
    else if (rect.maxY() > offset.y + size.height)
        offset.y = std::min(rect.minY(), rect.maxY() - size.height);
    setContentOffset(offset, animated);
}

void ScrollView::setScrollEnabled(bool enabled)
{
    m_scrollEnabled = enabled;
    m_pan->setEnabled(enabled);
}

void ScrollView::handlePan()
{
    auto protector = shared_from_this();
    using State = GestureRecognizer::State;
    switch (m_pan->state()) {
    case State::Began:
        m_dragging = true;
        m_panStartOffset = contentOffset();
        if (auto d = delegate())
            d->scrollViewWillBeginDragging(*this);
        [[fallthrough]];
    case State::Changed: {
        const Point translation = m_pan->translationInView(this);
        setContentOffset(m_panStartOffset - translation);
        break;
    }
    case State::Ended:
    case State::Cancelled:
    case State::Failed:
        if (m_dragging) {
            m_dragging = false;
            if (auto d = delegate())
                d->scrollViewDidEndDragging(*this);
        }
        break;
    case State::Possible:
        break;
    }
}

std::shared_ptr<View> ScrollView::zoomView()
{
    auto d = delegate();
    if (!d)
        return nullptr;
    auto view = d->viewForZoomingInScrollView(*this);
    if (view && (view.get() == this || !view->isDescendantOfView(this)))
        return nullptr; // only a view inside the scroll view can zoom
    return view;
}

void ScrollView::setMinimumZoomScale(double scale)
{
    m_minimumZoomScale = std::max(1e-3, scale);
    m_maximumZoomScale = std::max(m_maximumZoomScale, m_minimumZoomScale);
    m_pinch->setEnabled(m_maximumZoomScale > m_minimumZoomScale);
    if (m_zoomScale < m_minimumZoomScale)
        setZoomScale(m_minimumZoomScale);
}

void ScrollView::setMaximumZoomScale(double scale)
{
    m_maximumZoomScale = std::max(1e-3, scale);
    m_minimumZoomScale = std::min(m_minimumZoomScale, m_maximumZoomScale);
    m_pinch->setEnabled(m_maximumZoomScale > m_minimumZoomScale);
    if (m_zoomScale > m_maximumZoomScale)
        setZoomScale(m_maximumZoomScale);
}

void ScrollView::setZoomScale(double scale, Animated animated)
{
    const Size size = bounds().size;
    const Point centre { contentOffset().x + size.width / 2, contentOffset().y + size.height / 2 };
    if (animated == Animated::Yes)
        View::animate(kScrollAnimationDuration, [&] { zoomAboutPoint(scale, centre - contentOffset()); });
    else
        zoomAboutPoint(scale, centre - contentOffset());
}

void ScrollView::zoomAboutPoint(double scale, Point anchor)
{
    auto view = zoomView();
    scale = std::clamp(scale, m_minimumZoomScale, m_maximumZoomScale);
    if (!view) {
        m_zoomScale = scale;
        return;
    }
    auto protector = shared_from_this();
    const double old = m_zoomScale;
    if (view->superview().get() != this) {
        // A view deeper inside (the editor's selected layer) grows about its own centre and
        // keeps its rotation; the content stays as it is.
        m_zoomScale = scale;
        if (old > 0)
            view->setTransform(AffineTransform::scale(scale / old, scale / old).concat(view->transform()));
        if (auto d = delegate())
            d->scrollViewDidZoom(*this);
        return;
    }
    const Point inContent { (anchor.x + contentOffset().x) / old, (anchor.y + contentOffset().y) / old };
    m_zoomScale = scale;
    const Size unzoomed = view->bounds().size;
    // The zoom view's top-left corner stays at the content origin.
    view->setTransform(AffineTransform::scale(scale, scale));
    view->setCenter({ unzoomed.width * scale / 2, unzoomed.height * scale / 2 });
    setContentSize({ unzoomed.width * scale, unzoomed.height * scale });
    setContentOffset({ inContent.x * scale - anchor.x, inContent.y * scale - anchor.y });
    if (auto d = delegate())
        d->scrollViewDidZoom(*this);
}

void ScrollView::handlePinch()
{
    auto protector = shared_from_this();
    using State = GestureRecognizer::State;
    auto view = zoomView();
    switch (m_pinch->state()) {
    case State::Began:
        m_zooming = true;
        m_pinchStartScale = m_zoomScale;
        m_pinchAnchorInView = m_pinch->locationInView(this) - contentOffset();
        m_pinchAnchorInContent = { (m_pinchAnchorInView.x + contentOffset().x) / m_zoomScale, (m_pinchAnchorInView.y + contentOffset().y) / m_zoomScale };
        if (auto d = delegate())
            d->scrollViewWillBeginZooming(*this, view.get());
        [[fallthrough]];
    case State::Changed: {
        if (!view)
            break;
        // The content point under the fingers when they landed follows their centroid.
        const double scale = std::clamp(m_pinchStartScale * m_pinch->scale(), m_minimumZoomScale, m_maximumZoomScale);
        const Point fingers = m_pinch->locationInView(this) - contentOffset();
        zoomAboutPoint(scale, fingers);
        const Point wanted { m_pinchAnchorInContent.x * scale - fingers.x, m_pinchAnchorInContent.y * scale - fingers.y };
        setContentOffset(wanted);
        break;
    }
    case State::Ended:
    case State::Cancelled:
    case State::Failed:
        if (m_zooming) {
            m_zooming = false;
            if (auto d = delegate())
                d->scrollViewDidEndZooming(*this, view.get(), m_zoomScale);
        }
        break;
    case State::Possible:
        break;
    }
}

}
