#pragma once

#include <platform/ui/views/View.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

// The root of a view tree on a screen: hosts push touches, keys and text into it, and ask it what
// to draw. Its coordinates are the window's points, origin top-left.
class Window : public View {
public:
    explicit Window(Size size);
    ~Window() override;
    std::string className() const override { return "Window"; }

    // Input from a host. One call per change: every finger in touches moved to its location
    // (window points), landed, lifted or was cancelled. Identifiers stay the same while a finger
    // is down.
    struct TouchInput {
        int identifier { 0 };
        Point location;
        double force { 0 }; // 0…1; see Touch::force
    };
    void sendTouches(TouchPhase phase, const std::vector<TouchInput>& touches);
    void sendText(const std::string& text); // to the first responder
    void sendKey(Key key) { sendKey(KeyPress { key }); }
    // A key with its modifiers, answering whether something acted on it. Tab and Shift+Tab move
    // between the text fields a person can reach on screen. A text being typed takes every other
    // key without Ctrl or Alt (keys with them do nothing while typing); a first responder that is
    // no text (an alert, a picker) takes every key. Otherwise the key is a command, offered to
    // the views on screen front to back (subviews before their parent, the last added first) and,
    // after a screen's root view, to its controller, until one acts on it: a popover closes on
    // Escape, a button acts on its key equivalent, a screen answers with its own handler.
    bool sendKey(const KeyPress& press);
    // A wheel or touchpad over a point (window points), delta in points towards the end of the
    // content: the scrolling view under the point takes it, else the one enclosing that, and so
    // on. Nothing is touched, so nothing is selected.
    bool sendScroll(Point location, Point delta);
    // Files dropped at a point: offered to the view under the point and its ancestors, then to
    // the views on screen front to back, until one takes them.
    bool sendDrop(Point location, const std::vector<std::filesystem::path>& files);
    size_t activeTouchCount() const { return m_touches.size(); }
    // The view a finger landing at a point (window points) touches: the topmost view there that
    // takes touches, as the person sees it. Where a sliding, fading or turning view is drawn
    // somewhere other than where it is, the touch goes to no view: a panel sliding out is no
    // longer there, and the view it still covers is not yet visible.
    std::shared_ptr<View> touchTarget(Point point);
    // Whether a finger landing on the view's centre would touch it (or a view inside it): it is on
    // this window, shown, and nothing covers it there.
    bool isReachable(View& view);

    // Keyboard focus.
    std::shared_ptr<View> firstResponder() const { return m_firstResponder.lock(); }

    // Frames: prepareFrame() lays out and drops finished animations; the dirty rectangle is what
    // changed since the last clearDirty(); while animating every frame is dirty.
    void prepareFrame();
    bool isAnimating() const; // some view of the tree has a running animation
    std::optional<Rect> dirtyRect() const { return m_dirty; }
    void invalidateRect(const Rect& rect);
    void clearDirty() { m_dirty.reset(); }
    void render(Painter& painter, std::optional<Rect> clip = std::nullopt); // the tree, in window points

    // For gesture recognizers and views.
    void recognizerDidTransition(GestureRecognizer& recognizer);
    void recognizerDidFail(GestureRecognizer& recognizer);
    bool isTakingPart(const GestureRecognizer& recognizer) const;
    void setFirstResponderView(const std::shared_ptr<View>& view); // nullptr clears
    void viewWillLeave(View& view);                                  // a view leaves this window

private:
    friend class GestureRecognizer;
    struct TouchState {
        std::shared_ptr<Touch> touch;
        bool deliveredToView { false };
        bool cancelledForView { false };
    };
    void deliverToRecognizers(TouchPhase phase, const TouchSet& changed, const TouchEvent& event);
    void deliverToViews(TouchPhase phase, const TouchSet& changed, const TouchEvent& event);
    void cancelTouchesForViews(const GestureRecognizer& recognizer);
    void resetFinishedRecognizers();
    static void collectAnimating(const View& view, bool& animating);
    static std::shared_ptr<View> drawnViewAt(View& view, Point point);
    static bool isMoving(const View* view);
    static bool offer(View& view, const std::function<bool(View&)>& take); // front to back
    bool moveTextFocus(int step);

    std::map<int, TouchState> m_touches;
    std::vector<std::shared_ptr<GestureRecognizer>> m_arena; // recognizers taking part in the touches
    std::weak_ptr<View> m_firstResponder;
    std::optional<Rect> m_dirty;
    double m_lastTapEnd { -1 };
    Point m_lastTapLocation;
    int m_lastTapCount { 0 };
};

}
