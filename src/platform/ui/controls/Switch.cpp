#include <platform/ui/controls/Switch.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

Switch::Switch()
{
    setFrame({ 0, 0, 51, 31 });
}

void Switch::automationValues(nlohmann::json& out) const
{
    Control::automationValues(out);
    out["on"] = m_on;
}

void Switch::setOn(bool on)
{
    if (m_on != on) {
        m_on = on;
        setNeedsDisplay();
    }
}

void Switch::setOnTintColor(std::optional<Color> color)
{
    m_onTint = color;
    setNeedsDisplay();
}

void Switch::endTracking(Point location, bool inside)
{
    (void)location;
    if (!inside)
        return;
    m_on = !m_on;
    setNeedsDisplay();
    sendActions(ControlEvent::ValueChanged);
}

void Switch::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    const double w = bounds().width(), h = bounds().height(), r = h / 2;
    const Color on = m_onTint.value_or(Color::rgba(0.3, 0.85, 0.39));
    Path track;
    track.addRoundedRect({ 0.5, 0.5, w - 1, h - 1 }, r - 0.5);
    painter.fillPath(track, m_on ? on.withAlpha(isEnabled() ? on.alpha : 0.5) : Color::rgba(0.9, 0.9, 0.92));
    const double x = m_on ? w - r : r;
    Path shade, knob;
    shade.addCircle({ x, r + 1 }, r - 2);
    knob.addCircle({ x, r }, r - 2);
    painter.fillPath(shade, Color::rgba(0, 0, 0, 0.15));
    painter.fillPath(knob, Color::whiteColor());
}

}
