#pragma once

#include <platform/ui/gestures/GestureRecognizer.h>

#include <climits>

namespace vd {

// A continuous gesture: between minimumNumberOfTouches and maximumNumberOfTouches fingers moving
// together. The translation is that of their centroid, kept across fingers landing and lifting.
class PanGestureRecognizer : public GestureRecognizer {
public:
    using GestureRecognizer::GestureRecognizer;
    std::string className() const override { return "PanGestureRecognizer"; }

    int minimumNumberOfTouches() const { return m_minimumTouches; }
    void setMinimumNumberOfTouches(int touches) { m_minimumTouches = std::max(1, touches); }
    int maximumNumberOfTouches() const { return m_maximumTouches; }
    void setMaximumNumberOfTouches(int touches) { m_maximumTouches = std::max(1, touches); }

    Point translationInView(const View* view) const;         // in view's coordinate directions
    void setTranslation(Point translation, const View* view); // usually (0, 0) after applying it
    Point velocityInView(const View* view) const;            // points a second

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void reset() override;

private:
    Point vectorToView(Point vector, const View* view) const;
    Point vectorFromView(Point vector, const View* view) const;
    void rebase();

    int m_minimumTouches { 1 };
    int m_maximumTouches { INT_MAX };
    Point m_translation;  // window points
    Point m_lastCentroid; // of the fingers down at the last event
    Point m_velocity;     // window points a second
    double m_lastTime { 0 };
    double m_travelled { 0 };
};

}
