#include <platform/ui/controls/Control.h>

#include <platform/ui/window/Window.h>

#include <nlohmann/json.hpp>

namespace vd {

namespace {
constexpr double kTouchSlop = 70; // how far outside the bounds a lifted finger still counts as inside
}

size_t Control::addAction(ControlEvent event, Action action)
{
    m_targets.push_back({ m_nextId, event, std::move(action) });
    return m_nextId++;
}

void Control::removeAction(size_t id)
{
    std::erase_if(m_targets, [id](const Target& t) { return t.id == id; });
}

bool Control::performKeyCommand(const KeyPress& press)
{
    if (m_keyEquivalent && *m_keyEquivalent == press && m_enabled) {
        if (auto* w = window(); w && w->isReachable(*this)) {
            sendActions(ControlEvent::TouchUpInside);
            return true;
        }
    }
    return View::performKeyCommand(press);
}

void Control::sendActions(ControlEvent event)
{
    auto protector = shared_from_this();
    // An action may add or remove actions, so run a copy.
    std::vector<Action> actions;
    for (const auto& target : m_targets)
        if (target.event == event)
            actions.push_back(target.action);
    for (auto& action : actions)
        action(*this);
}

void Control::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (!enabled && m_tracking) {
        m_tracking = false;
        m_trackedTouch = -1;
        m_highlighted = false;
        cancelTracking();
    }
    stateDidChange();
}

void Control::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    stateDidChange();
}

void Control::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    stateDidChange();
}

unsigned Control::state() const
{
    unsigned s = ControlStateNormal;
    if (m_highlighted)
        s |= ControlStateHighlighted;
    if (!m_enabled)
        s |= ControlStateDisabled;
    if (m_selected)
        s |= ControlStateSelected;
    return s;
}

void Control::automationValues(nlohmann::json& out) const
{
    out["enabled"] = m_enabled;
    out["highlighted"] = m_highlighted;
    out["selected"] = m_selected;
}

bool Control::isTouchInside(Point location) const
{
    return bounds().insetBy(-kTouchSlop, -kTouchSlop).contains(location);
}

void Control::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    if (!m_enabled || m_tracking || touches.empty())
        return;
    auto protector = shared_from_this();
    const auto& touch = touches.front();
    const Point location = touch->locationInView(this);
    m_trackedTouch = touch->identifier();
    m_tracking = beginTracking(location);
    setHighlighted(true);
    sendActions(ControlEvent::TouchDown);
    if (!m_tracking)
        m_trackedTouch = -1;
}

void Control::touchesMoved(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    for (const auto& touch : touches) {
        if (touch->identifier() != m_trackedTouch || !m_tracking)
            continue;
        auto protector = shared_from_this();
        const Point location = touch->locationInView(this);
        setHighlighted(isTouchInside(location));
        m_tracking = continueTracking(location);
    }
}

void Control::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    for (const auto& touch : touches) {
        if (touch->identifier() != m_trackedTouch)
            continue;
        auto protector = shared_from_this();
        const Point location = touch->locationInView(this);
        const bool inside = isTouchInside(location);
        const bool wasTracking = m_tracking;
        m_tracking = false;
        m_trackedTouch = -1;
        setHighlighted(false);
        if (!m_enabled)
            return;
        if (wasTracking)
            endTracking(location, inside);
        sendActions(inside ? ControlEvent::TouchUpInside : ControlEvent::TouchUpOutside);
    }
}

void Control::touchesCancelled(const TouchSet& touches, const TouchEvent& event)
{
    (void)event;
    for (const auto& touch : touches) {
        if (touch->identifier() != m_trackedTouch)
            continue;
        auto protector = shared_from_this();
        m_tracking = false;
        m_trackedTouch = -1;
        setHighlighted(false);
        cancelTracking();
        sendActions(ControlEvent::TouchCancel);
    }
}

}
