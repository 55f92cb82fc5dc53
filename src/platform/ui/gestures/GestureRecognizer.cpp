#include <platform/ui/gestures/GestureRecognizer.h>

#include <platform/ui/views/View.h>
#include <platform/ui/window/Window.h>

#include <algorithm>

namespace vd {

const GestureThresholds& gestureThresholds()
{
    static const GestureThresholds thresholds;
    return thresholds;
}

GestureRecognizer::~GestureRecognizer() = default;

size_t GestureRecognizer::addTarget(Action action)
{
    const size_t id = m_nextActionId++;
    m_actions.push_back({ id, std::move(action) });
    return id;
}

void GestureRecognizer::removeTarget(size_t id)
{
    std::erase_if(m_actions, [id](auto& entry) { return entry.first == id; });
}

void GestureRecognizer::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (!enabled) {
        if (m_state == State::Began || m_state == State::Changed)
            setState(State::Cancelled);
        else if (m_state == State::Possible && m_window)
            setState(State::Failed);
    }
}

void GestureRecognizer::requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other)
{
    if (other && other.get() != this)
        m_requiredToFail.push_back(other);
}

bool GestureRecognizer::canRecognizeSimultaneouslyWith(GestureRecognizer& other)
{
    if (auto delegate = m_delegate.lock(); delegate && delegate->shouldRecognizeSimultaneously(*this, other))
        return true;
    if (auto delegate = other.m_delegate.lock(); delegate && delegate->shouldRecognizeSimultaneously(other, *this))
        return true;
    return false;
}

void GestureRecognizer::setState(State state)
{
    auto protector = shared_from_this();
    if (state == m_state && state != State::Changed)
        return;
    const State previous = m_state;
    if (previous == State::Possible && (state == State::Began || state == State::Ended)) {
        if (auto delegate = m_delegate.lock(); delegate && !delegate->gestureRecognizerShouldBegin(*this)) {
            setState(State::Failed);
            return;
        }
        bool waiting = false;
        for (auto& weak : m_requiredToFail) {
            auto required = weak.lock();
            if (!required || !m_window || !m_window->isTakingPart(*required))
                continue;
            const State requiredState = required->state();
            if (requiredState == State::Possible) {
                waiting = true;
            } else if (requiredState != State::Failed) {
                setState(State::Failed);
                return;
            }
        }
        if (waiting) {
            m_pendingState = state;
            return;
        }
        // Another recognizer already owns these touches exclusively.
        if (m_window) {
            for (auto& other : m_window->m_arena) {
                if (other.get() == this)
                    continue;
                const State otherState = other->state();
                const bool prevents = other->canPreventGestureRecognizer(*this) && canBePreventedByGestureRecognizer(*other);
                if ((otherState == State::Began || otherState == State::Changed) && prevents && !canRecognizeSimultaneouslyWith(*other)) {
                    setState(State::Failed);
                    return;
                }
            }
        }
    } else if (previous == State::Possible && state == State::Changed) {
        return; // a continuous gesture begins before it changes
    } else if (previous != State::Possible && previous != State::Began && previous != State::Changed) {
        return; // finished: only a reset makes it possible again
    }
    if (state == State::Failed)
        m_pendingState.reset();
    m_state = state;
    if (m_window && (state == State::Began || state == State::Ended) && previous == State::Possible)
        m_window->recognizerDidTransition(*this);
    if (m_state != state)
        return; // the transition was undone meanwhile
    if (state != State::Failed && state != State::Possible)
        sendActions();
    if (state == State::Failed && m_window)
        m_window->recognizerDidFail(*this);
}

void GestureRecognizer::applyPendingState()
{
    if (!m_pendingState || m_state != State::Possible)
        return;
    for (auto& weak : m_requiredToFail) {
        auto required = weak.lock();
        if (required && m_window && m_window->isTakingPart(*required) && required->state() != State::Failed)
            return;
    }
    const State state = *m_pendingState;
    m_pendingState.reset();
    setState(state);
}

void GestureRecognizer::sendActions()
{
    const auto actions = m_actions;
    for (auto& [id, action] : actions) {
        if (action)
            action(*this);
    }
}

void GestureRecognizer::resetToPossible()
{
    m_state = State::Possible;
    m_pendingState.reset();
    m_touches.clear();
    m_window = nullptr;
    reset();
}

void GestureRecognizer::touchesCancelled(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches, (void)event;
    if (m_state == State::Began || m_state == State::Changed)
        setState(State::Cancelled);
    else if (m_state == State::Possible)
        setState(State::Failed);
}

Point GestureRecognizer::centroidInWindow() const
{
    if (m_touches.empty())
        return m_lastLocation;
    Point sum;
    for (auto& touch : m_touches)
        sum = sum + touch->locationInView(nullptr);
    return sum * (1.0 / static_cast<double>(m_touches.size()));
}

Point GestureRecognizer::locationInView(const View* view) const
{
    const Point inWindow = centroidInWindow();
    return view ? view->convertPointFromView(inWindow, nullptr) : inWindow;
}

Point GestureRecognizer::locationOfTouch(size_t index, const View* view) const
{
    if (index >= m_touches.size())
        return locationInView(view);
    return m_touches[index]->locationInView(view);
}

}
