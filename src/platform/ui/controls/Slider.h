#pragma once

#include <platform/graphics/Image.h>
#include <platform/ui/controls/Control.h>

namespace vd {

// A value between a minimum and a maximum, chosen by dragging a thumb along a track. A finger that
// lands on the track away from the thumb brings the thumb there. Touches are read in the slider's
// own coordinates, so a slider in a rotated container follows the finger along its track.
class Slider : public Control {
public:
    Slider();
    explicit Slider(const Rect& frame);
    std::string className() const override { return "Slider"; }
    void automationValues(nlohmann::json& out) const override;

    double value() const { return m_value; }
    void setValue(double value, bool animated = false); // clamped to the range; sends no event
    double minimumValue() const { return m_minimum; }
    void setMinimumValue(double minimum);
    double maximumValue() const { return m_maximum; }
    void setMaximumValue(double maximum);
    bool isContinuous() const { return m_continuous; }
    void setContinuous(bool continuous) { m_continuous = continuous; } // false: one event when the finger lifts
    void setThumbImage(Image image, unsigned state = ControlStateNormal);
    Image thumbImage() const { return m_thumbImage; }
    void setMinimumTrackTintColor(std::optional<Color> color);
    void setMaximumTrackTintColor(std::optional<Color> color);

    Rect thumbRect() const; // in the slider's coordinates
    Size sizeThatFits(Size size) const override;
    void draw(Painter& painter, const Rect& rect) override;

protected:
    bool beginTracking(Point location) override;
    bool continueTracking(Point location) override;
    void endTracking(Point location, bool inside) override;

private:
    Size thumbSize() const;
    double valueForX(double x) const;

    double m_value { 0 };
    double m_minimum { 0 };
    double m_maximum { 1 };
    bool m_continuous { true };
    Image m_thumbImage;
    std::optional<Color> m_minimumTrackTint;
    std::optional<Color> m_maximumTrackTint;
    double m_grabOffset { 0 };
    bool m_changedWhileTracking { false };
};

}
