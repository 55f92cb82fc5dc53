#pragma once

#include <platform/graphics/Color.h>
#include <platform/graphics/Geometry.h>
#include <platform/ui/views/Layer.h>
#include <platform/ui/gestures/Responder.h>

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <memory>
#include <optional>
#include <string>
#include <vector>


namespace vd {

class GestureRecognizer;
class Window;

// How a view's content (an image, a redrawn picture) fits its bounds.
enum class ContentMode { ScaleToFill, ScaleAspectFit, ScaleAspectFill, Redraw, Center, Top, Bottom, Left, Right, TopLeft, TopRight, BottomLeft, BottomRight };

// Which margins and sizes follow the parent's bounds when they change.
enum AutoresizingMask : unsigned {
    AutoresizingNone = 0,
    FlexibleLeftMargin = 1 << 0,
    FlexibleWidth = 1 << 1,
    FlexibleRightMargin = 1 << 2,
    FlexibleTopMargin = 1 << 3,
    FlexibleHeight = 1 << 4,
    FlexibleBottomMargin = 1 << 5,
};

// Where content of a size sits in bounds under a content mode.
Rect rectForContentMode(ContentMode mode, Size content, const Rect& bounds);

enum class AnimationCurve { EaseInOut, EaseIn, EaseOut, Linear };

struct AnimationOptions {
    AnimationCurve curve { AnimationCurve::EaseInOut };
    bool allowUserInteraction { false }; // views stay touchable while they move (always so here)
};

// A rectangle of the screen with a position in a tree of views. Geometry:
// `bounds` in the view's own coordinates, `center` in its parent's, `transform` about the centre,
// and `frame` derived as the bounding box of the transformed bounds in the parent.
class View : public Responder, public std::enable_shared_from_this<View> {
public:
    View();
    explicit View(const Rect& frame);
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Views are made through make(): a view's constructor may add subviews, but until a shared
    // pointer owns the view they cannot point back at it (weak_from_this() is still empty), so
    // make() gives those subviews their parent link once the view is owned. A view made with
    // std::make_shared directly keeps such subviews without a parent (superview() is null, window()
    // does not reach them); with VARDENICO_LOG=debug each such addition is logged.
    template<typename T = View, typename... Args>
    static std::shared_ptr<T> make(Args&&... args)
    {
        auto view = std::make_shared<T>(std::forward<Args>(args)...);
        view->adoptSubviewsAddedBeforeOwnership();
        return view;
    }

    // Geometry (ViewGeometry.cpp). Model values: during an animation they are already the end values.
    Rect frame() const;
    void setFrame(const Rect& frame); // sets centre and bounds size
    Rect bounds() const { return m_bounds; }
    void setBounds(const Rect& bounds);
    Point center() const { return m_center; }
    void setCenter(Point center);
    AffineTransform transform() const { return m_transform; }
    void setTransform(const AffineTransform& transform);
    unsigned autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(unsigned mask) { m_autoresizingMask = mask; }
    bool autoresizesSubviews() const { return m_autoresizesSubviews; }
    void setAutoresizesSubviews(bool value) { m_autoresizesSubviews = value; }
    virtual Size sizeThatFits(Size size) const { (void)size; return m_bounds.size; } // the default keeps the current size
    void sizeToFit(); // bounds size becomes sizeThatFits(current size)

    // Point conversion between any two views of one tree; nullptr means the window (the root).
    Point convertPointToView(Point point, const View* view) const;
    Point convertPointFromView(Point point, const View* view) const;
    Rect convertRectToView(const Rect& rect, const View* view) const; // bounding box
    Rect convertRectFromView(const Rect& rect, const View* view) const;
    AffineTransform transformToSuperview() const;  // own coordinates to the parent's
    AffineTransform transformToRoot() const;       // own coordinates to the root's

    // Hit testing: the deepest view under the point (own coordinates) that takes touches.
    virtual std::shared_ptr<View> hitTest(Point point);
    virtual bool pointInside(Point point) const;

    // Hierarchy (ViewHierarchy.cpp). Adding a view that has a parent moves it.
    std::shared_ptr<View> superview() const { return m_superview.lock(); }
    const std::vector<std::shared_ptr<View>>& subviews() const { return m_subviews; }
    void addSubview(const std::shared_ptr<View>& view);
    void insertSubviewAtIndex(const std::shared_ptr<View>& view, size_t index);
    void insertSubviewBelowSubview(const std::shared_ptr<View>& view, const View* sibling);
    void insertSubviewAboveSubview(const std::shared_ptr<View>& view, const View* sibling);
    void bringSubviewToFront(const View* view);
    void sendSubviewToBack(const View* view);
    void exchangeSubviewAtIndex(size_t first, size_t second);
    void removeFromSuperview();
    bool isDescendantOfView(const View* view) const; // true for the view itself
    std::shared_ptr<View> viewWithTag(long tag);      // self or the first descendant, depth first
    std::shared_ptr<View> viewNamed(const std::string& name); // self or the first descendant, depth first
    Window* window() const; // the window at the root, if the view is on one
    virtual void willMoveToSuperview(View* newSuperview) { (void)newSuperview; }
    virtual void didMoveToSuperview() {}
    virtual void didMoveToWindow() {}
    virtual void didAddSubview(View* subview) { (void)subview; }
    virtual void willRemoveSubview(View* subview) { (void)subview; }

    // Appearance (View.cpp).
    std::optional<Color> backgroundColor() const { return m_backgroundColor; } // absent: clear
    void setBackgroundColor(std::optional<Color> color);
    double alpha() const { return m_alpha; }
    void setAlpha(double alpha);
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    bool isOpaque() const { return m_opaque; }
    void setOpaque(bool opaque) { m_opaque = opaque; }
    long tag() const { return m_tag; }
    void setTag(long tag) { m_tag = tag; }
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_userInteractionEnabled = enabled; }
    bool isMultipleTouchEnabled() const { return m_multipleTouchEnabled; }
    void setMultipleTouchEnabled(bool enabled) { m_multipleTouchEnabled = enabled; }
    bool clipsToBounds() const { return m_clipsToBounds; }
    void setClipsToBounds(bool clips);
    ContentMode contentMode() const { return m_contentMode; }
    void setContentMode(ContentMode mode);
    Color tintColor() const; // own tint, else the nearest ancestor's, else the system blue
    void setTintColor(std::optional<Color> color);
    virtual void tintColorDidChange() { setNeedsDisplay(); }
    Layer& layer() { return m_layer; }
    const Layer& layer() const { return m_layer; }

    // Automation: the name scripts address the view by, and what a dump shows of it.
    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    virtual std::string className() const { return "View"; }
    virtual std::optional<std::string> automationText() const { return std::nullopt; }      // text or title
    virtual std::optional<std::string> automationImageName() const { return std::nullopt; } // catalogue name
    virtual void automationValues(nlohmann::json& out) const { (void)out; } // control state a dump adds (value, selection, enabled…)

    // Layout: layoutSubviews runs in layoutIfNeeded after setNeedsLayout or a bounds size change.
    void setNeedsLayout();
    void layoutIfNeeded(); // lays out this view's tree
    bool needsLayout() const { return m_needsLayout; }
    virtual void layoutSubviews() {}

    // Drawing (ViewDrawing.cpp). draw() paints the view's own content over its background, in its
    // own coordinates; rect is the part that needs it.
    void setNeedsDisplay();
    void setNeedsDisplayInRect(const Rect& rect);
    virtual void draw(Painter& painter, const Rect& rect) { (void)painter, (void)rect; }
    // Renders this view's tree into rect of the painter's current user space: layout first, then
    // the values animations show at the run loop's current time (snapshots see what the screen shows).
    void drawViewHierarchyInRect(Painter& painter, const Rect& rect);

    // Gesture recognizers attached here see touches that begin on this view or its descendants.
    void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
    void removeGestureRecognizer(const GestureRecognizer* recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return m_gestureRecognizers; }

    // Responder chain: the controller whose view this is, else the parent.
    Responder* nextResponder() const override;
    void setViewController(std::weak_ptr<Responder> controller) { m_viewController = std::move(controller); }
    std::shared_ptr<Responder> viewController() const { return m_viewController.lock(); }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool isFirstResponder() const override;
    // Ways in for a screen without a view class of its own: the handler answers key commands
    // offered to this view (Window::sendKey), the drop handler files dropped onto it or onto a view
    // inside it (Window::sendDrop). Subclasses that override the calls below call these too.
    using KeyCommandHandler = std::function<bool(const KeyPress&)>;
    using DropHandler = std::function<bool(const std::vector<std::filesystem::path>&)>;
    void setKeyCommandHandler(KeyCommandHandler handler) { m_keyCommandHandler = std::move(handler); }
    void setDropHandler(DropHandler handler) { m_dropHandler = std::move(handler); }
    bool performKeyCommand(const KeyPress& press) override { return m_keyCommandHandler && m_keyCommandHandler(press); }
    bool acceptDroppedFiles(const std::vector<std::filesystem::path>& files) override { return m_dropHandler && m_dropHandler(files); }

    // Animation (ViewAnimation.cpp). Inside changes, setting centre, bounds, frame, alpha,
    // transform or background colour starts an animation from the drawn value to the new one;
    // the model value is the new one at once. Completion runs once, on the run loop, with true.
    static void animate(double duration, double delay, AnimationOptions options, const std::function<void()>& changes, std::function<void(bool)> completion = {});
    static void animate(double duration, const std::function<void()>& changes, std::function<void(bool)> completion = {});
    static void performWithoutAnimation(const std::function<void()>& changes);
    // The drawn values at the run loop's current time.
    Point presentationCenter() const;
    Rect presentationBounds() const;
    AffineTransform presentationTransform() const; // keyed layer rotations and scales included
    double presentationAlpha() const;
    std::optional<Color> presentationBackgroundColor() const;
    bool hasRunningAnimations() const; // property or keyed layer animations, this view only
    void removeAllAnimations();        // property animations jump to their end values

protected:
    // Called when the drawn area of the view changes; marks the window for redrawing.
    void invalidateVisualArea();

private:
    void adoptSubviewsAddedBeforeOwnership();

    friend class Window;
    friend class Layer;
    friend class ShapeLayer;
    friend class Renderer;

    enum class Property { Center, Bounds, Transform, Alpha, BackgroundColor };
    struct PropertyAnimation {
        Property property;
        double from[6] {};
        double to[6] {};
        double start { 0 };
        double duration { 0 };
        AnimationCurve curve { AnimationCurve::EaseInOut };
    };
    void animateProperty(Property property, const double* from, const double* to, int count);
    bool presentationValue(Property property, double* out, int count) const;
    void pruneFinishedAnimations(double now);
    void autoresizeSubviews(Size oldSize);
    void detachFromParent();
    void notifyMovedToWindow();
    Rect visualExtentInRoot() const;
    // Where the view and its subtree are drawn at the run loop's current time, in window points:
    // the presentation values of the view and of every ancestor.
    Rect presentationExtentInRoot() const;
    // Marks for redrawing where this subtree was drawn at the last frame while it moved.
    void invalidateDrawnExtents(Window& window);

    Rect m_bounds;
    Point m_center;
    AffineTransform m_transform;
    unsigned m_autoresizingMask { AutoresizingNone };
    bool m_autoresizesSubviews { true };
    std::weak_ptr<View> m_superview;
    std::vector<std::shared_ptr<View>> m_subviews;
    std::optional<Color> m_backgroundColor;
    double m_alpha { 1 };
    bool m_hidden { false };
    bool m_opaque { false };
    long m_tag { 0 };
    bool m_userInteractionEnabled { true };
    bool m_multipleTouchEnabled { false };
    bool m_clipsToBounds { false };
    ContentMode m_contentMode { ContentMode::ScaleToFill };
    std::optional<Color> m_tintColor;
    std::string m_name;
    bool m_needsLayout { true };
    Layer m_layer { *this };
    std::vector<std::shared_ptr<GestureRecognizer>> m_gestureRecognizers;
    std::weak_ptr<Responder> m_viewController;
    KeyCommandHandler m_keyCommandHandler;
    DropHandler m_dropHandler;
    std::vector<PropertyAnimation> m_animations;
    // While the view animates, where the last frame drew it (window points): the next frame must
    // repaint that area too, or the window keeps showing the view where it no longer is.
    std::optional<Rect> m_drawnExtent;
};

}
