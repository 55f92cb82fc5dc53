#pragma once

#include <platform/ui/gestures/GestureRecognizer.h>

#include <optional>

namespace vd {

// Follows one finger turning about midPoint (in the coordinates of the view it is attached to),
// optionally only when the touch starts inside the ring between innerRadius and outerRadius.
// The target reads angle, rotation and distance; the recognizer turns nothing itself. The maths
// runs in single precision, as the finger positions are no more precise than that.
class XMCircleGestureRecognizer : public GestureRecognizer {
public:
    XMCircleGestureRecognizer(Point midPoint, Action action); // initWithMidPoint:target:action:
    std::string className() const override { return "XMCircleGestureRecognizer"; }

    Point midPoint() const { return m_midPoint; }
    void setMidPoint(Point point) { m_midPoint = point; }
    std::optional<double> innerRadius() const { return m_innerRadius; }
    void setInnerRadius(std::optional<double> radius) { m_innerRadius = radius; } // set before touches arrive
    std::optional<double> outerRadius() const { return m_outerRadius; }
    void setOuterRadius(std::optional<double> radius) { m_outerRadius = radius; }
    std::optional<Point> currentPoint() const { return m_currentPoint; }
    std::optional<Point> previousPoint() const { return m_previousPoint; }

    std::optional<double> angle() const;    // of currentPoint, in [0, 2π)
    std::optional<double> rotation() const; // turned since the previous event, in [−π, π]
    std::optional<double> distance() const; // of currentPoint from midPoint

    double distanceBetween(Point a, Point b) const;
    double angleForPoint(Point point) const; // clockwise on screen from the positive x axis, [0, 2π)
    double angleBetween(Point a, Point b) const; // angleForPoint(a) − angleForPoint(b), not wrapped

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;

private:
    Point m_midPoint;
    std::optional<double> m_innerRadius;
    std::optional<double> m_outerRadius;
    std::optional<Point> m_currentPoint;
    std::optional<Point> m_previousPoint;
};

}
