#pragma once

#include <platform/ui/views/View.h>

#include <functional>
#include <optional>
#include <vector>

namespace vd {

// What a control tells its targets about.
enum class ControlEvent : unsigned {
    TouchDown = 1 << 0,
    TouchUpInside = 1 << 1,
    TouchUpOutside = 1 << 2,
    TouchCancel = 1 << 3,
    ValueChanged = 1 << 4,
    EditingDidBegin = 1 << 5,
    EditingChanged = 1 << 6,
    EditingDidEnd = 1 << 7,
};

// The states a control's look depends on; combinations are bitwise ors, Normal is none of them.
enum ControlState : unsigned {
    ControlStateNormal = 0,
    ControlStateHighlighted = 1 << 0,
    ControlStateDisabled = 1 << 1,
    ControlStateSelected = 1 << 2,
};

// A view that turns touches into events for its targets: touch down, touch up inside or outside
// (inside means within 70 points of the bounds, so a finger that slides a little still counts),
// value changes. A disabled control swallows touches without acting on them.
class Control : public View {
public:
    using Action = std::function<void(Control&)>;
    using View::View;

    size_t addAction(ControlEvent event, Action action); // returns an id for removeAction
    void removeAction(size_t id);
    void sendActions(ControlEvent event); // runs the actions of event, the control kept alive meanwhile

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool isTracking() const { return m_tracking; }
    unsigned state() const; // ControlState bits

    void automationValues(nlohmann::json& out) const override;

    // A key that does what a tap does (the touch-up-inside actions), while the control is enabled
    // and a person could tap it: on screen and not covered ("escape" on a back button,
    // "ctrl+s" on a save button).
    const std::optional<KeyPress>& keyEquivalent() const { return m_keyEquivalent; }
    void setKeyEquivalent(std::optional<KeyPress> press) { m_keyEquivalent = press; }
    bool performKeyCommand(const KeyPress& press) override;

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;

protected:
    // Tracking of one finger, in the control's own coordinates. beginTracking answers whether to
    // follow the finger further; continueTracking whether to keep following it.
    virtual bool beginTracking(Point location) { (void)location; return true; }
    virtual bool continueTracking(Point location) { (void)location; return true; }
    virtual void endTracking(Point location, bool inside) { (void)location, (void)inside; }
    virtual void cancelTracking() {}
    virtual void stateDidChange() { setNeedsDisplay(); }
    bool isTouchInside(Point location) const;

private:
    struct Target {
        size_t id;
        ControlEvent event;
        Action action;
    };
    std::vector<Target> m_targets;
    size_t m_nextId { 1 };
    std::optional<KeyPress> m_keyEquivalent;
    bool m_enabled { true };
    bool m_highlighted { false };
    bool m_selected { false };
    bool m_tracking { false };
    int m_trackedTouch { -1 };
};

}
