#pragma once

#include <platform/ui/controls/Control.h>
#include <platform/foundation/RunLoop.h>

namespace vd {

// A value changed by a step with a minus and a plus half, kept between a minimum and a maximum.
// Holding a half repeats the step (after half a second, ten times a second) while autorepeat is on.
class Stepper : public Control {
public:
    Stepper();
    explicit Stepper(const Rect& frame);
    ~Stepper() override;
    std::string className() const override { return "Stepper"; }
    void automationValues(nlohmann::json& out) const override;

    double value() const { return m_value; }
    void setValue(double value); // clamped; sends no event
    double minimumValue() const { return m_minimum; }
    void setMinimumValue(double minimum);
    double maximumValue() const { return m_maximum; }
    void setMaximumValue(double maximum);
    double stepValue() const { return m_step; }
    void setStepValue(double step); // must be above 0; others are ignored
    bool wraps() const { return m_wraps; }
    void setWraps(bool wraps) { m_wraps = wraps; } // past one end to the other
    bool autorepeat() const { return m_autorepeat; }
    void setAutorepeat(bool autorepeat) { m_autorepeat = autorepeat; }

    void increment(); // as a press of plus: steps, then tells the targets when the value changed
    void decrement();

    Size sizeThatFits(Size size) const override { (void)size; return { 94, 29 }; }
    void draw(Painter& painter, const Rect& rect) override;

protected:
    bool beginTracking(Point location) override;
    bool continueTracking(Point location) override;
    void endTracking(Point location, bool inside) override;
    void cancelTracking() override;

private:
    void step(int direction);
    void stopRepeating();

    double m_value { 0 };
    double m_minimum { 0 };
    double m_maximum { 100 };
    double m_step { 1 };
    bool m_wraps { false };
    bool m_autorepeat { true };
    int m_pressed { 0 }; // -1 minus, +1 plus, 0 none
    RunLoop::TimerId m_repeatTimer { 0 };
};

}
