#pragma once

#include <platform/ui/gestures/GestureRecognizer.h>
#include <platform/ui/views/View.h>

#include <memory>

namespace vd {

class ScrollView;
class PanGestureRecognizer;
class PinchGestureRecognizer;

// What an owner learns from a scroll view, and the one answer it gives: which subview zooms.
class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(ScrollView& scrollView) { (void)scrollView; }
    virtual void scrollViewWillBeginDragging(ScrollView& scrollView) { (void)scrollView; }
    virtual void scrollViewDidEndDragging(ScrollView& scrollView) { (void)scrollView; }
    virtual std::shared_ptr<View> viewForZoomingInScrollView(ScrollView& scrollView) { (void)scrollView; return nullptr; }
    virtual void scrollViewWillBeginZooming(ScrollView& scrollView, View* view) { (void)scrollView, (void)view; }
    virtual void scrollViewDidZoom(ScrollView& scrollView) { (void)scrollView; }
    virtual void scrollViewDidEndZooming(ScrollView& scrollView, View* view, double scale) { (void)scrollView, (void)view, (void)scale; }
};

enum class Animated { No, Yes };

// Where scrolling to an item or a row leaves it; None scrolls only as far as it takes to show it.
enum class ScrollPosition { None, Top, CenteredVertically, Bottom, Left, CenteredHorizontally, Right };

// A view whose bounds origin is the offset of a larger content: one finger drags the content
// (while scrolling is enabled), two fingers pinch the zoom view the delegate names between the
// minimum and maximum zoom scale. The offset never leaves the content: it stays within
// (-inset.left, -inset.top) … (contentSize + inset.right/bottom − bounds size).
class ScrollView : public View {
public:
    ScrollView();
    explicit ScrollView(const Rect& frame);
    ~ScrollView() override;
    std::string className() const override { return "ScrollView"; }

    Size contentSize() const { return m_contentSize; }
    void setContentSize(Size size);
    Point contentOffset() const { return bounds().origin; }
    void setContentOffset(Point offset, Animated animated = Animated::No); // clamped to the content
    EdgeInsets contentInset() const { return m_contentInset; }
    void setContentInset(EdgeInsets inset);
    Point maximumContentOffset() const;
    Point minimumContentOffset() const { return { -m_contentInset.left, -m_contentInset.top }; }
    void scrollRectToVisible(const Rect& rect, Animated animated); // rect in content coordinates
    // A wheel or touchpad moves the offset within the same limits as a finger; it selects nothing.
    bool scrollWheel(Point location, Point delta) override;

    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled);
    bool isDragging() const { return m_dragging; }   // a finger is moving the content
    bool isDecelerating() const { return false; }    // the content stops when the finger lifts
    bool isZooming() const { return m_zooming; }
    bool alwaysBounceVertical() const { return m_alwaysBounceVertical; }
    void setAlwaysBounceVertical(bool value) { m_alwaysBounceVertical = value; }

    // Zoom: the delegate's zoom view, when it is a subview, is scaled about its top-left corner,
    // which sits at the content origin, and the content size follows its scaled size. A view
    // deeper inside is scaled about its centre, keeping the rest of its transform.
    double zoomScale() const { return m_zoomScale; }
    void setZoomScale(double scale, Animated animated = Animated::No); // clamped to the range
    double minimumZoomScale() const { return m_minimumZoomScale; }
    void setMinimumZoomScale(double scale);
    double maximumZoomScale() const { return m_maximumZoomScale; }
    void setMaximumZoomScale(double scale);
    void zoomAboutPoint(double scale, Point anchor); // anchor in own coordinates stays put

    void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) { m_delegate = std::move(delegate); }
    std::shared_ptr<ScrollViewDelegate> delegate() const { return m_delegate.lock(); }

    const std::shared_ptr<PanGestureRecognizer>& panGestureRecognizer() const { return m_pan; }
    const std::shared_ptr<PinchGestureRecognizer>& pinchGestureRecognizer() const { return m_pinch; }

protected:
    // Subclasses (the collection and table views) place their cells after every offset change.
    virtual void contentOffsetDidChange() {}

private:
    void setUp();
    void handlePan();
    void handlePinch();
    Point clampedOffset(Point offset) const;
    void applyOffset(Point offset, Animated animated);
    std::shared_ptr<View> zoomView();

    Size m_contentSize;
    EdgeInsets m_contentInset;
    bool m_scrollEnabled { true };
    bool m_dragging { false };
    bool m_zooming { false };
    bool m_alwaysBounceVertical { false };
    double m_zoomScale { 1 };
    double m_minimumZoomScale { 1 };
    double m_maximumZoomScale { 1 };
    Point m_panStartOffset;
    double m_pinchStartScale { 1 };
    Point m_pinchAnchorInContent; // in unzoomed content points
    Point m_pinchAnchorInView;
    std::weak_ptr<ScrollViewDelegate> m_delegate;
    std::shared_ptr<GestureRecognizerDelegate> m_panGate;
    std::shared_ptr<PanGestureRecognizer> m_pan;
    std::shared_ptr<PinchGestureRecognizer> m_pinch;
};

}
