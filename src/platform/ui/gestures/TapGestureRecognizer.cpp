#include <platform/ui/gestures/TapGestureRecognizer.h>

#include <cmath>

namespace vd {

TapGestureRecognizer::~TapGestureRecognizer() { cancelTimer(); }

void TapGestureRecognizer::cancelTimer()
{
    if (m_timer)
        RunLoop::main().cancel(m_timer);
    m_timer = 0;
}

void TapGestureRecognizer::touchesBegan(const TouchSet& began, const TouchEvent& event)
{
    (void)event;
    cancelTimer();
    if (m_tapsDone > 0) {
        const Point p = began.front()->locationInView(nullptr);
        if (std::hypot(p.x - m_firstTapLocation.x, p.y - m_firstTapLocation.y) > gestureThresholds().multipleTapDistance) {
            setState(State::Failed);
            return;
        }
    }
    for (auto& touch : began)
        m_starts.push_back({ touch->identifier(), touch->locationInView(nullptr) });
    m_maxTouchesThisTap = std::max(m_maxTouchesThisTap, static_cast<int>(numberOfTouches()));
    if (m_maxTouchesThisTap > m_touchesRequired)
        setState(State::Failed);
}

void TapGestureRecognizer::touchesMoved(const TouchSet& moved, const TouchEvent& event)
{
    (void)event;
    for (auto& touch : moved) {
        for (auto& [id, start] : m_starts) {
            const Point p = touch->locationInView(nullptr);
            if (id == touch->identifier() && std::hypot(p.x - start.x, p.y - start.y) > gestureThresholds().tapAllowableMovement) {
                setState(State::Failed);
                return;
            }
        }
    }
}

void TapGestureRecognizer::touchesEnded(const TouchSet& ended, const TouchEvent& event)
{
    touchesMoved(ended, event);
    if (state() != State::Possible)
        return;
    // The tap is complete when its last finger lifts.
    if (numberOfTouches() > ended.size())
        return;
    if (m_maxTouchesThisTap != m_touchesRequired) {
        setState(State::Failed);
        return;
    }
    if (m_tapsDone == 0)
        m_firstTapLocation = ended.front()->locationInView(nullptr);
    ++m_tapsDone;
    m_maxTouchesThisTap = 0;
    m_starts.clear();
    if (m_tapsDone >= m_tapsRequired) {
        setState(State::Ended);
        return;
    }
    // Wait for the next tap; without it the gesture fails.
    std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    m_timer = RunLoop::main().postAfter(gestureThresholds().multipleTapInterval, [weak] {
        if (auto self = std::static_pointer_cast<TapGestureRecognizer>(weak.lock())) {
            self->m_timer = 0;
            if (self->state() == State::Possible)
                self->setState(State::Failed);
        }
    });
}

bool TapGestureRecognizer::canBePreventedByGestureRecognizer(const GestureRecognizer& other) const
{
    const auto* tap = dynamic_cast<const TapGestureRecognizer*>(&other);
    return !(tap && tap->numberOfTapsRequired() < m_tapsRequired);
}

void TapGestureRecognizer::reset()
{
    cancelTimer();
    m_tapsDone = 0;
    m_maxTouchesThisTap = 0;
    m_starts.clear();
}

}
