#include <platform/ui/controls/Stepper.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

namespace {
constexpr double kRepeatDelay = 0.5;
constexpr double kRepeatInterval = 0.1;
}

Stepper::Stepper()
{
    setFrame({ 0, 0, 94, 29 });
}

Stepper::Stepper(const Rect& frame)
    : Control(frame)
{
}

Stepper::~Stepper()
{
    if (m_repeatTimer)
        RunLoop::main().cancel(m_repeatTimer);
}

void Stepper::automationValues(nlohmann::json& out) const
{
    Control::automationValues(out);
    out["value"] = m_value;
    out["minimumValue"] = m_minimum;
    out["maximumValue"] = m_maximum;
    out["stepValue"] = m_step;
}

void Stepper::setValue(double value)
{
    if (!std::isfinite(value))
        return;
    value = std::clamp(value, m_minimum, m_maximum);
    if (value != m_value) {
        m_value = value;
        setNeedsDisplay();
    }
}

void Stepper::setMinimumValue(double minimum)
{
    if (!std::isfinite(minimum))
        return;
    m_minimum = minimum;
    m_maximum = std::max(m_maximum, minimum);
    setValue(m_value);
    setNeedsDisplay();
}

void Stepper::setMaximumValue(double maximum)
{
    if (!std::isfinite(maximum))
        return;
    m_maximum = maximum;
    m_minimum = std::min(m_minimum, maximum);
    setValue(m_value);
    setNeedsDisplay();
}

void Stepper::setStepValue(double step)
{
    if (std::isfinite(step) && step > 0)
        m_step = step;
}

void Stepper::step(int direction)
{
    double next = m_value + direction * m_step;
    if (next > m_maximum)
        next = m_wraps ? m_minimum : m_maximum;
    else if (next < m_minimum)
        next = m_wraps ? m_maximum : m_minimum;
    if (next == m_value)
        return;
    m_value = next;
    setNeedsDisplay();
    sendActions(ControlEvent::ValueChanged);
}

void Stepper::increment()
{
    step(1);
}

void Stepper::decrement()
{
    step(-1);
}

bool Stepper::beginTracking(Point location)
{
    m_pressed = location.x < bounds().width() / 2 ? -1 : 1;
    step(m_pressed);
    if (m_autorepeat) {
        std::weak_ptr<View> weak = weak_from_this();
        m_repeatTimer = RunLoop::main().postAfter(kRepeatDelay, [weak] {
            auto self = std::static_pointer_cast<Stepper>(weak.lock());
            if (!self || !self->m_pressed)
                return;
            self->m_repeatTimer = RunLoop::main().scheduleTimer(kRepeatInterval, true, [weak] {
                if (auto again = std::static_pointer_cast<Stepper>(weak.lock()); again && again->m_pressed)
                    again->step(again->m_pressed);
            });
        });
    }
    setNeedsDisplay();
    return true;
}

bool Stepper::continueTracking(Point location)
{
    // A finger that slides off its half stops the repeating.
    const int over = bounds().contains(location) ? (location.x < bounds().width() / 2 ? -1 : 1) : 0;
    if (over != m_pressed)
        stopRepeating();
    return true;
}

void Stepper::endTracking(Point location, bool inside)
{
    (void)location, (void)inside;
    stopRepeating();
}

void Stepper::cancelTracking()
{
    stopRepeating();
}

void Stepper::stopRepeating()
{
    if (m_repeatTimer)
        RunLoop::main().cancel(m_repeatTimer);
    m_repeatTimer = 0;
    if (m_pressed) {
        m_pressed = 0;
        setNeedsDisplay();
    }
}

void Stepper::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    const Color tint = isEnabled() ? tintColor() : Color::white(0.7);
    const double w = bounds().width(), h = bounds().height(), r = 4;
    Path outline;
    outline.addRoundedRect({ 0.5, 0.5, w - 1, h - 1 }, r);
    if (m_pressed) {
        PainterStateSaver saver(painter);
        painter.clip(outline);
        painter.fillRect({ m_pressed < 0 ? 0 : w / 2, 0, w / 2, h }, tint.withAlpha(0.2));
    }
    painter.strokePath(outline, tint);
    painter.strokeLine({ w / 2, 0 }, { w / 2, h }, tint);
    // The signs fade at the end of the range they cannot pass (unless the value wraps).
    const double arm = std::min(7.0, h / 4);
    const bool minusLive = m_wraps || m_value > m_minimum;
    const bool plusLive = m_wraps || m_value < m_maximum;
    painter.strokeLine({ w / 4 - arm, h / 2 }, { w / 4 + arm, h / 2 }, tint.withAlpha(minusLive ? tint.alpha : 0.3), 1.5);
    Path plus;
    plus.moveTo({ 3 * w / 4 - arm, h / 2 });
    plus.lineTo({ 3 * w / 4 + arm, h / 2 });
    plus.moveTo({ 3 * w / 4, h / 2 - arm });
    plus.lineTo({ 3 * w / 4, h / 2 + arm });
    painter.strokePath(plus, tint.withAlpha(plusLive ? tint.alpha : 0.3), { .width = 1.5 });
}

}
