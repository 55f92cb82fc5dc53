#include <platform/ui/gestures/LongPressGestureRecognizer.h>

#include <cmath>

namespace vd {

LongPressGestureRecognizer::~LongPressGestureRecognizer() { cancelTimer(); }

void LongPressGestureRecognizer::cancelTimer()
{
    if (m_timer)
        RunLoop::main().cancel(m_timer);
    m_timer = 0;
}

void LongPressGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    if (state() != State::Possible)
        return;
    if (static_cast<int>(numberOfTouches()) > m_touchesRequired) {
        setState(State::Failed);
        return;
    }
    if (static_cast<int>(numberOfTouches()) < m_touchesRequired)
        return;
    m_start = locationInView(nullptr);
    cancelTimer();
    if (m_minimumDuration <= 0) {
        setState(State::Began);
        return;
    }
    std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    m_timer = RunLoop::main().postAfter(m_minimumDuration, [weak] {
        if (auto self = std::static_pointer_cast<LongPressGestureRecognizer>(weak.lock())) {
            self->m_timer = 0;
            if (self->state() == State::Possible && static_cast<int>(self->numberOfTouches()) == self->m_touchesRequired)
                self->setState(State::Began);
        }
    });
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    if (state() == State::Possible) {
        const Point p = locationInView(nullptr);
        if (m_timer && std::hypot(p.x - m_start.x, p.y - m_start.y) > m_allowableMovement) {
            cancelTimer();
            setState(State::Failed);
        }
    } else if (state() == State::Began || state() == State::Changed) {
        setState(State::Changed);
    }
}

void LongPressGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    cancelTimer();
    if (state() == State::Began || state() == State::Changed)
        setState(State::Ended);
    else if (state() == State::Possible)
        setState(State::Failed);
}

void LongPressGestureRecognizer::reset()
{
    cancelTimer();
}

}
