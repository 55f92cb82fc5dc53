#include <platform/ui/gestures/ForcePressGestureRecognizer.h>

#include <cmath>

namespace vd {

void ForcePressGestureRecognizer::check(const TouchSet& touches)
{
    for (const auto& touch : touches) {
        if (touch->force() >= m_minimumForce) {
            setState(State::Began);
            return;
        }
    }
}

void ForcePressGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    if (state() != State::Possible)
        return;
    if (numberOfTouches() > 1) {
        setState(State::Failed);
        return;
    }
    m_start = locationInView(nullptr);
    check(touches);
}

void ForcePressGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    if (state() == State::Possible) {
        const Point p = locationInView(nullptr);
        if (std::hypot(p.x - m_start.x, p.y - m_start.y) > m_allowableMovement)
            setState(State::Failed);
        else
            check(touches);
    } else if (state() == State::Began || state() == State::Changed) {
        setState(State::Changed);
    }
}

void ForcePressGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    if (state() == State::Began || state() == State::Changed)
        setState(State::Ended);
    else if (state() == State::Possible)
        setState(State::Failed);
}

}
