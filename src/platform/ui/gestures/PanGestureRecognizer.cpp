#include <platform/ui/gestures/PanGestureRecognizer.h>

#include <platform/ui/views/View.h>

#include <cmath>

namespace vd {

Point PanGestureRecognizer::vectorToView(Point vector, const View* view) const
{
    if (!view)
        return vector;
    return view->convertPointFromView(vector, nullptr) - view->convertPointFromView({ 0, 0 }, nullptr);
}

Point PanGestureRecognizer::vectorFromView(Point vector, const View* view) const
{
    if (!view)
        return vector;
    return view->convertPointToView(vector, nullptr) - view->convertPointToView({ 0, 0 }, nullptr);
}

Point PanGestureRecognizer::translationInView(const View* view) const { return vectorToView(m_translation, view); }

void PanGestureRecognizer::setTranslation(Point translation, const View* view)
{
    m_translation = vectorFromView(translation, view);
    m_velocity = {};
}

Point PanGestureRecognizer::velocityInView(const View* view) const { return vectorToView(m_velocity, view); }

void PanGestureRecognizer::rebase()
{
    m_lastCentroid = centroidInWindow();
}

void PanGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    m_lastTime = event.timestamp;
    (void)touches;
    if (static_cast<int>(numberOfTouches()) > m_maximumTouches && state() == State::Possible) {
        setState(State::Failed);
        return;
    }
    rebase();
}

void PanGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    (void)touches;
    const Point centroid = centroidInWindow();
    const Point delta = centroid - m_lastCentroid;
    m_lastCentroid = centroid;
    const double dt = event.timestamp - m_lastTime;
    m_lastTime = event.timestamp;
    if (dt > 0)
        m_velocity = delta * (1.0 / dt);
    m_translation = m_translation + delta;
    const int count = static_cast<int>(numberOfTouches());
    if (state() == State::Possible) {
        m_travelled = std::hypot(m_translation.x, m_translation.y);
        if (count >= m_minimumTouches && count <= m_maximumTouches && m_travelled >= gestureThresholds().panHysteresis)
            setState(State::Began);
    } else if (state() == State::Began || state() == State::Changed) {
        setState(State::Changed);
    }
}

void PanGestureRecognizer::touchesEnded(const TouchSet& ended, const TouchEvent& event)
{
    (void)event;
    const int remaining = static_cast<int>(numberOfTouches() - ended.size());
    if (remaining < m_minimumTouches || remaining == 0) {
        if (state() == State::Began || state() == State::Changed)
            setState(State::Ended);
        else if (state() == State::Possible && remaining == 0)
            setState(State::Failed);
        return;
    }
    // Fingers still down: the centroid jumps, the translation must not.
    Point sum;
    int count = 0;
    for (auto& touch : this->touches()) {
        if (std::find(ended.begin(), ended.end(), touch) != ended.end())
            continue;
        sum = sum + touch->locationInView(nullptr);
        ++count;
    }
    if (count > 0)
        m_lastCentroid = sum * (1.0 / count);
}

void PanGestureRecognizer::reset()
{
    m_translation = {};
    m_velocity = {};
    m_travelled = 0;
}

}
