#include <platform/ui/controls/Switch.h>

#include <cairo.h>
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

void Switch::draw(cairo_t* cr, const Rect& rect)
{
    (void)rect;
    const double w = bounds().width(), h = bounds().height(), r = h / 2;
    const Color on = m_onTint.value_or(Color::rgba(0.3, 0.85, 0.39));
    cairo_new_sub_path(cr);
    cairo_arc(cr, r, r, r - 0.5, M_PI / 2, 3 * M_PI / 2);
    cairo_arc(cr, w - r, r, r - 0.5, -M_PI / 2, M_PI / 2);
    cairo_close_path(cr);
    if (m_on)
        cairo_set_source_rgba(cr, on.red, on.green, on.blue, isEnabled() ? on.alpha : 0.5);
    else
        cairo_set_source_rgba(cr, 0.9, 0.9, 0.92, 1);
    cairo_fill(cr);
    const double x = m_on ? w - r : r;
    cairo_set_source_rgba(cr, 0, 0, 0, 0.15);
    cairo_arc(cr, x, r + 1, r - 2, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    cairo_arc(cr, x, r, r - 2, 0, 2 * M_PI);
    cairo_fill(cr);
}

}
