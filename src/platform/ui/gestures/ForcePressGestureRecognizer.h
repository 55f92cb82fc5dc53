#pragma once

#include <platform/ui/gestures/GestureRecognizer.h>

namespace vd {

// A firm press of one finger, where the toolkit would show a peek: it begins as soon as the
// finger presses with at least minimumForce (Touch::force), changes while the finger moves and
// ends when it lifts. A finger that lifts, or moves away, without pressing firmly fails it, so
// taps and long presses of the same view go on as usual.
class ForcePressGestureRecognizer : public GestureRecognizer {
public:
    using GestureRecognizer::GestureRecognizer;
    std::string className() const override { return "ForcePressGestureRecognizer"; }

    double minimumForce() const { return m_minimumForce; }
    void setMinimumForce(double force) { m_minimumForce = force; }
    double allowableMovement() const { return m_allowableMovement; }
    void setAllowableMovement(double points) { m_allowableMovement = points; }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;

private:
    void check(const TouchSet& touches);

    double m_minimumForce { 0.5 };
    double m_allowableMovement { 10 };
    Point m_start;
};

}
