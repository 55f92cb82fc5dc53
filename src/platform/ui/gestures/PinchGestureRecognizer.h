#pragma once

#include <platform/ui/gestures/GestureRecognizer.h>

namespace vd {

// A continuous gesture of two fingers: scale is the ratio of their distance to the distance when
// they both landed (times the scale last set).
class PinchGestureRecognizer : public GestureRecognizer {
public:
    using GestureRecognizer::GestureRecognizer;
    std::string className() const override { return "PinchGestureRecognizer"; }

    double scale() const { return m_scale; }
    void setScale(double scale); // usually 1 after applying it
    double velocity() const { return m_velocity; } // scale a second

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void reset() override;

private:
    double fingerDistance() const;

    double m_scale { 1 };
    double m_baseScale { 1 };
    double m_baseDistance { 0 };
    double m_startDistance { 0 };
    double m_velocity { 0 };
    double m_lastTime { 0 };
};

}
