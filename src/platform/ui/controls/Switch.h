#pragma once

#include <platform/ui/controls/Control.h>

namespace vd {

// An on/off switch: a tap flips it and tells the targets (value changed).
class Switch : public Control {
public:
    Switch();
    std::string className() const override { return "Switch"; }
    void automationValues(nlohmann::json& out) const override;

    bool isOn() const { return m_on; }
    void setOn(bool on); // sends no event
    void setOnTintColor(std::optional<Color> color);

    Size sizeThatFits(Size size) const override { (void)size; return { 51, 31 }; }
    void draw(Painter& painter, const Rect& rect) override;

protected:
    void endTracking(Point location, bool inside) override;

private:
    bool m_on { false };
    std::optional<Color> m_onTint;
};

}
