#include <platform/ui/gestures/PinchGestureRecognizer.h>

#include <cmath>

namespace vd {

double PinchGestureRecognizer::fingerDistance() const
{
    if (numberOfTouches() < 2)
        return 0;
    const Point a = touches()[0]->locationInView(nullptr), b = touches()[1]->locationInView(nullptr);
    return std::hypot(a.x - b.x, a.y - b.y);
}

void PinchGestureRecognizer::setScale(double scale)
{
    m_scale = scale;
    m_baseScale = scale;
    m_baseDistance = fingerDistance();
    m_velocity = 0;
}

void PinchGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches;
    m_lastTime = event.timestamp;
    if (numberOfTouches() > 2) {
        if (state() == State::Possible)
            setState(State::Failed);
        return;
    }
    if (numberOfTouches() == 2) {
        m_startDistance = m_baseDistance = fingerDistance();
        m_baseScale = m_scale;
    }
}

void PinchGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches;
    if (numberOfTouches() != 2 || m_baseDistance <= 0)
        return;
    const double distance = fingerDistance();
    const double scale = m_baseScale * distance / m_baseDistance;
    const double dt = event.timestamp - m_lastTime;
    m_lastTime = event.timestamp;
    if (dt > 0)
        m_velocity = (scale - m_scale) / dt;
    m_scale = scale;
    if (state() == State::Possible) {
        if (std::abs(distance - m_startDistance) >= gestureThresholds().pinchHysteresis)
            setState(State::Began);
    } else if (state() == State::Began || state() == State::Changed) {
        setState(State::Changed);
    }
}

void PinchGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    if (state() == State::Began || state() == State::Changed)
        setState(State::Ended);
    else if (state() == State::Possible && numberOfTouches() == touches.size())
        setState(State::Failed);
}

void PinchGestureRecognizer::reset()
{
    m_scale = 1;
    m_baseScale = 1;
    m_baseDistance = 0;
    m_startDistance = 0;
    m_velocity = 0;
}

}
