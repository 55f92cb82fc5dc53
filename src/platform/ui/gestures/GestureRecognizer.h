#pragma once

#include <platform/graphics/Geometry.h>
#include <platform/ui/gestures/Touch.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class View;
class Window;
class GestureRecognizer;

// Distances in points and times in seconds that decide what a gesture is.
struct GestureThresholds {
    double tapAllowableMovement { 10 };       // a finger that moves farther is not tapping
    double multipleTapInterval { 0.35 };      // the longest pause between the taps of a double tap
    double multipleTapDistance { 30 };        // the farthest the next tap may land from the first
    double longPressAllowableMovement { 10 }; // before the press is recognized
    double longPressMinimumDuration { 0.5 };
    double panHysteresis { 10 };              // movement before a pan begins
    double pinchHysteresis { 8 };             // change of finger distance before a pinch begins
};
const GestureThresholds& gestureThresholds();

// Optional answers an owner gives about its recognizers.
class GestureRecognizerDelegate {
public:
    virtual ~GestureRecognizerDelegate() = default;
    virtual bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) { (void)recognizer; return true; }
    virtual bool gestureRecognizerShouldReceiveTouch(GestureRecognizer& recognizer, const Touch& touch) { (void)recognizer, (void)touch; return true; }
    virtual bool shouldRecognizeSimultaneously(GestureRecognizer& recognizer, GestureRecognizer& other) { (void)recognizer, (void)other; return false; }
};

// A touch gesture recognized from the touches of a view and its descendants, with one state
// machine for every kind of gesture, so screens can order and combine them: possible → began → changed… → ended (or cancelled) for continuous gestures,
// possible → ended (recognized) for discrete ones, or possible → failed. Subclasses override the
// touch callbacks and call setState; the window resets them once their touches have lifted.
class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
public:
    enum class State { Possible, Began, Changed, Ended, Cancelled, Failed };
    static constexpr State Recognized = State::Ended;
    using Action = std::function<void(GestureRecognizer&)>;

    GestureRecognizer() = default;
    explicit GestureRecognizer(Action action) { addTarget(std::move(action)); }
    virtual ~GestureRecognizer();
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    // Targets and actions: each action runs on began, changed, ended (recognized) and cancelled.
    // A target that may go away is captured weakly by its action.
    size_t addTarget(Action action);
    void removeTarget(size_t id);

    State state() const { return m_state; }
    void setState(State state); // for subclasses and their owners; applies the rules above
    View* view() const { return m_view; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled); // disabling cancels a gesture in progress
    bool cancelsTouchesInView() const { return m_cancelsTouchesInView; }
    void setCancelsTouchesInView(bool value) { m_cancelsTouchesInView = value; }
    void setDelegate(std::weak_ptr<GestureRecognizerDelegate> delegate) { m_delegate = std::move(delegate); }
    std::shared_ptr<GestureRecognizerDelegate> delegate() const { return m_delegate.lock(); }
    // This recognizer waits until other has failed before it begins, and fails if other recognizes.
    void requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other);

    Point locationInView(const View* view) const; // centroid of the touches; nullptr: window
    size_t numberOfTouches() const { return m_touches.size(); }
    Point locationOfTouch(size_t index, const View* view) const;
    virtual std::string className() const { return "GestureRecognizer"; }
    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

    // Touch callbacks, in the order the window delivers them; the touches are those of this call
    // only, already counted in numberOfTouches() (ended ones until the call returns).
    virtual void touchesBegan(const TouchSet& touches, const TouchEvent& event) { (void)touches, (void)event; }
    virtual void touchesMoved(const TouchSet& touches, const TouchEvent& event) { (void)touches, (void)event; }
    virtual void touchesEnded(const TouchSet& touches, const TouchEvent& event) { (void)touches, (void)event; }
    virtual void touchesCancelled(const TouchSet& touches, const TouchEvent& event);
    virtual void reset() {} // back to possible: forget the gesture
    // Whether this recognizer, recognizing, makes other fail (both must agree). A tap that
    // needs more taps is not prevented by one that needs fewer, so a double tap can follow the
    // single tap it contains.
    virtual bool canPreventGestureRecognizer(const GestureRecognizer& other) const { (void)other; return true; }
    virtual bool canBePreventedByGestureRecognizer(const GestureRecognizer& other) const { (void)other; return true; }

protected:
    const TouchSet& touches() const { return m_touches; }
    Point centroidInWindow() const;

private:
    friend class View;
    friend class Window;
    void sendActions();
    void resetToPossible();
    bool canRecognizeSimultaneouslyWith(GestureRecognizer& other);
    void applyPendingState();

    State m_state { State::Possible };
    std::optional<State> m_pendingState; // recognized while waiting for another to fail
    View* m_view { nullptr };
    bool m_enabled { true };
    bool m_cancelsTouchesInView { true };
    std::weak_ptr<GestureRecognizerDelegate> m_delegate;
    std::vector<std::weak_ptr<GestureRecognizer>> m_requiredToFail;
    std::vector<std::pair<size_t, Action>> m_actions;
    size_t m_nextActionId { 1 };
    TouchSet m_touches;
    Point m_lastLocation;
    Window* m_window { nullptr }; // set while it takes part in a touch sequence
    std::string m_name;
};

}
