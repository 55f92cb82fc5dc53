#pragma once

#include <platform/foundation/RunLoop.h>
#include <platform/ui/gestures/GestureRecognizer.h>

namespace vd {

// A continuous gesture: fingers held still for minimumPressDuration begin it (at once when the
// duration is 0, which makes it a pan that starts on touch down); after that they may move.
class LongPressGestureRecognizer : public GestureRecognizer {
public:
    using GestureRecognizer::GestureRecognizer;
    ~LongPressGestureRecognizer() override;
    std::string className() const override { return "LongPressGestureRecognizer"; }

    double minimumPressDuration() const { return m_minimumDuration; }
    void setMinimumPressDuration(double seconds) { m_minimumDuration = std::max(0.0, seconds); }
    double allowableMovement() const { return m_allowableMovement; }
    void setAllowableMovement(double points) { m_allowableMovement = points; }
    int numberOfTouchesRequired() const { return m_touchesRequired; }
    void setNumberOfTouchesRequired(int touches) { m_touchesRequired = std::max(1, touches); }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void reset() override;

private:
    void cancelTimer();

    double m_minimumDuration { gestureThresholds().longPressMinimumDuration };
    double m_allowableMovement { gestureThresholds().longPressAllowableMovement };
    int m_touchesRequired { 1 };
    Point m_start;
    RunLoop::TimerId m_timer { 0 };
};

}
