#include <elements/XMCircleGestureRecognizer.h>

#include <cmath>
#include <numbers>

namespace vd {

namespace {
const double kPi = std::numbers::pi; // read once
}

XMCircleGestureRecognizer::XMCircleGestureRecognizer(Point midPoint, Action action)
    : GestureRecognizer(std::move(action))
    , m_midPoint(midPoint)
{
}

double XMCircleGestureRecognizer::distanceBetween(Point a, Point b) const
{
    const float dx = static_cast<float>(a.x - b.x);
    const float dy = static_cast<float>(a.y - b.y);
    return static_cast<double>(std::sqrt(dx * dx + dy * dy));
}

double XMCircleGestureRecognizer::angleForPoint(Point point) const
{
    const float dx = static_cast<float>(point.x - m_midPoint.x);
    const float dy = static_cast<float>(point.y - m_midPoint.y);
    const double a = static_cast<double>(-std::atan2(dx, dy)); // x difference first, in floats
    const double t = kPi / 2 + a;
    return t < 0 ? t + 2 * kPi : t;
}

double XMCircleGestureRecognizer::angleBetween(Point a, Point b) const
{
    return angleForPoint(a) - angleForPoint(b);
}

std::optional<double> XMCircleGestureRecognizer::angle() const
{
    if (!m_currentPoint)
        return std::nullopt;
    return angleForPoint(*m_currentPoint);
}

std::optional<double> XMCircleGestureRecognizer::rotation() const
{
    if (!m_currentPoint || !m_previousPoint)
        return std::nullopt;
    double r = angleBetween(*m_currentPoint, *m_previousPoint);
    if (r > kPi)
        r -= 2 * kPi;
    else if (r < -kPi)
        r += 2 * kPi;
    return r;
}

std::optional<double> XMCircleGestureRecognizer::distance() const
{
    if (!m_currentPoint)
        return std::nullopt;
    return distanceBetween(m_midPoint, *m_currentPoint);
}

void XMCircleGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    GestureRecognizer::touchesBegan(touches, event);
    if (touches.empty())
        return;
    m_currentPoint = touches.front()->locationInView(view());
    const double d = *distance();
    if ((m_innerRadius && d < *m_innerRadius) || (m_outerRadius && d > *m_outerRadius))
        setState(State::Failed);
    else
        setState(State::Began);
}

void XMCircleGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    GestureRecognizer::touchesMoved(touches, event);
    if (state() == State::Failed || touches.empty())
        return;
    m_currentPoint = touches.front()->locationInView(view());
    m_previousPoint = touches.front()->previousLocationInView(view());
    setState(State::Changed);
}

void XMCircleGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    GestureRecognizer::touchesEnded(touches, event);
    // The points go before the state, so the target's last call already reads them absent.
    m_currentPoint.reset();
    m_previousPoint.reset();
    setState(State::Ended);
}

}
