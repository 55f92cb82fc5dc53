#pragma once

#include <platform/ui/views/View.h>

namespace vd {

// A bar that fills from the left as progress goes from 0 to 1. An animated change slides the
// filled part over a quarter of a second on the run loop's clock.
class ProgressView : public View {
public:
    ProgressView();
    explicit ProgressView(const Rect& frame);
    std::string className() const override { return "ProgressView"; }
    void automationValues(nlohmann::json& out) const override;

    double progress() const { return m_progress; }
    void setProgress(double progress, bool animated = false); // clamped to 0…1
    void setProgressTintColor(std::optional<Color> color);
    void setTrackTintColor(std::optional<Color> color);

    Size sizeThatFits(Size size) const override { return { size.width > 0 ? size.width : bounds().width(), 2 }; }
    void layoutSubviews() override;
    void didMoveToSuperview() override;
    void tintColorDidChange() override;

private:
    Rect fillFrame() const;
    void attachFill();

    double m_progress { 0 };
    std::optional<Color> m_progressTint;
    std::shared_ptr<View> m_fill;
};

}
