#include <platform/ui/controls/Slider.h>

#include <platform/ui/controls/ImageView.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

namespace {
constexpr double kThumbDiameter = 28;
constexpr double kTrackHeight = 2;
constexpr double kThumbGrabMargin = 10;
}

Slider::Slider() = default;

Slider::Slider(const Rect& frame)
    : Control(frame)
{
}

void Slider::automationValues(nlohmann::json& out) const
{
    Control::automationValues(out);
    out["value"] = m_value;
    out["minimumValue"] = m_minimum;
    out["maximumValue"] = m_maximum;
}

void Slider::setValue(double value, bool animated)
{
    (void)animated;
    if (!std::isfinite(value))
        return;
    value = std::clamp(value, m_minimum, std::max(m_minimum, m_maximum));
    if (value == m_value)
        return;
    m_value = value;
    setNeedsDisplay();
}

void Slider::setMinimumValue(double minimum)
{
    if (!std::isfinite(minimum))
        return;
    m_minimum = minimum;
    m_maximum = std::max(m_maximum, minimum);
    setValue(m_value);
    setNeedsDisplay();
}

void Slider::setMaximumValue(double maximum)
{
    if (!std::isfinite(maximum))
        return;
    m_maximum = maximum;
    m_minimum = std::min(m_minimum, maximum);
    setValue(m_value);
    setNeedsDisplay();
}

void Slider::setThumbImage(Image image, unsigned state)
{
    if (state == ControlStateNormal) {
        m_thumbImage = std::move(image);
        setNeedsDisplay();
    }
}

void Slider::setMinimumTrackTintColor(std::optional<Color> color)
{
    m_minimumTrackTint = color;
    setNeedsDisplay();
}

void Slider::setMaximumTrackTintColor(std::optional<Color> color)
{
    m_maximumTrackTint = color;
    setNeedsDisplay();
}

Size Slider::thumbSize() const
{
    return m_thumbImage ? m_thumbImage.size() : Size { kThumbDiameter, kThumbDiameter };
}

Rect Slider::thumbRect() const
{
    const Size thumb = thumbSize();
    const double span = m_maximum - m_minimum;
    const double fraction = span > 0 ? (m_value - m_minimum) / span : 0;
    const double x = fraction * std::max(0.0, bounds().width() - thumb.width);
    return { x, (bounds().height() - thumb.height) / 2, thumb.width, thumb.height };
}

double Slider::valueForX(double x) const
{
    const double travel = bounds().width() - thumbSize().width;
    if (travel <= 0)
        return m_minimum;
    const double fraction = std::clamp((x - thumbSize().width / 2) / travel, 0.0, 1.0);
    return m_minimum + fraction * (m_maximum - m_minimum);
}

Size Slider::sizeThatFits(Size size) const
{
    return { size.width > 0 ? size.width : bounds().width(), std::max(31.0, thumbSize().height) };
}

bool Slider::beginTracking(Point location)
{
    m_changedWhileTracking = false;
    const Rect thumb = thumbRect();
    if (thumb.insetBy(-kThumbGrabMargin, -kThumbGrabMargin).contains(location)) {
        m_grabOffset = location.x - thumb.midX();
        return true;
    }
    m_grabOffset = 0;
    return continueTracking(location);
}

bool Slider::continueTracking(Point location)
{
    const double before = m_value;
    setValue(valueForX(location.x - m_grabOffset));
    if (m_value != before) {
        m_changedWhileTracking = true;
        if (m_continuous)
            sendActions(ControlEvent::ValueChanged);
    }
    return true;
}

void Slider::endTracking(Point location, bool inside)
{
    (void)location, (void)inside;
    if (!m_continuous && m_changedWhileTracking)
        sendActions(ControlEvent::ValueChanged);
}

void Slider::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    const Rect thumb = thumbRect();
    const double y = bounds().height() / 2 - kTrackHeight / 2;
    const double inset = thumbSize().width / 2 > 2 ? 2 : 0;
    const Color low = isEnabled() ? m_minimumTrackTint.value_or(tintColor()) : Color::white(0.7);
    const Color high = m_maximumTrackTint.value_or(Color::rgba(0.72, 0.72, 0.74));
    auto bar = [&](double x0, double x1, const Color& c) {
        if (x1 <= x0)
            return;
        painter.fillRect({ x0, y, x1 - x0, kTrackHeight }, c);
    };
    bar(inset, thumb.midX(), low);
    bar(thumb.midX(), bounds().width() - inset, high);
    if (m_thumbImage) {
        painter.drawImage(m_thumbImage, thumb, tintColor());
        return;
    }
    // The plain thumb: a white disc with a soft edge.
    const double r = thumb.width() / 2;
    Path shade, disc;
    shade.addCircle({ thumb.midX(), thumb.midY() + 1.5 }, r);
    disc.addCircle({ thumb.midX(), thumb.midY() }, r - 0.5);
    painter.fillPath(shade, Color::rgba(0, 0, 0, 0.12));
    painter.fillPath(disc, Color::whiteColor());
    painter.strokePath(disc, Color::rgba(0, 0, 0, 0.15), { .width = 0.5 });
}

}
