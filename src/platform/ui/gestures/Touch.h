#pragma once

#include <platform/graphics/Geometry.h>

#include <memory>
#include <vector>

namespace vd {

class View;
class Window;
class GestureRecognizer;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

// One finger on the screen, from the moment it lands until it lifts. Locations are kept in window
// points and converted on request.
class Touch {
public:
    int identifier() const { return m_identifier; }
    TouchPhase phase() const { return m_phase; }
    double timestamp() const { return m_timestamp; }  // seconds on the run loop's clock
    int tapCount() const { return m_tapCount; }        // 1 for a single tap, 2 for the second of a double tap
    // How firmly the finger presses, 0…maximumPossibleForce(). Screens without a pressure sensor
    // report 0 for ordinary touches; the hosts send a firm press (1) for the gesture that stands in
    // for one (the right mouse button, the script's force-press).
    double force() const { return m_force; }
    static constexpr double maximumPossibleForce() { return 1.0; }
    std::shared_ptr<View> view() const { return m_view.lock(); } // the view hit when the touch began
    Window* window() const { return m_window; }

    Point locationInView(const View* view) const;         // nullptr: window coordinates
    Point previousLocationInView(const View* view) const; // location at the event before
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return m_recognizers; }

private:
    friend class Window;
    int m_identifier { 0 };
    TouchPhase m_phase { TouchPhase::Began };
    double m_timestamp { 0 };
    int m_tapCount { 1 };
    double m_force { 0 };
    std::weak_ptr<View> m_view;
    Window* m_window { nullptr };
    Point m_location;
    Point m_previousLocation;
    std::vector<std::shared_ptr<GestureRecognizer>> m_recognizers;
};

using TouchSet = std::vector<std::shared_ptr<Touch>>;

// The touches of one delivery: those that changed are passed separately, all fingers down are here.
struct TouchEvent {
    double timestamp { 0 };
    TouchSet allTouches;
};

}
