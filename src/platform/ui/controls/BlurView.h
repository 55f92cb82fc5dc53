#pragma once

#include <platform/ui/views/View.h>

namespace vd {

// Frosted glass: draws what lies under it in its parent (the parent's own drawing and the earlier
// siblings), blurred, under a tint of its style. Views meant to sit on the glass go into
// contentView(), which stays sharp.
class BlurView : public View {
public:
    enum class Style { ExtraLight, Light, Dark, Regular };
    explicit BlurView(Style style = Style::Light);
    std::string className() const override { return "BlurView"; }
    void automationValues(nlohmann::json& out) const override;

    Style style() const { return m_style; }
    void setStyle(Style style);
    double blurRadius() const { return m_radius; }
    void setBlurRadius(double points); // 0 shows the tint only
    const std::shared_ptr<View>& contentView();

    void layoutSubviews() override;
    void didMoveToSuperview() override;
    void draw(Painter& painter, const Rect& rect) override;

private:
    void attachContent();

    Style m_style;
    double m_radius { 12 };
    std::shared_ptr<View> m_content;
};

}
