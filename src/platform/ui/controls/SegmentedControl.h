#pragma once

#include <platform/graphics/TextRenderer.h>
#include <platform/ui/controls/Control.h>

#include <vector>

namespace vd {

// A row of equally wide segments, one of which is selected; a tap on another segment selects it
// and tells the targets (value changed). Drawn in the tint colour.
class SegmentedControl : public Control {
public:
    static constexpr int NoSegment = -1;
    SegmentedControl();
    explicit SegmentedControl(std::vector<std::string> titles);
    std::string className() const override { return "SegmentedControl"; }
    std::optional<std::string> automationText() const override;
    void automationValues(nlohmann::json& out) const override;

    size_t numberOfSegments() const { return m_titles.size(); }
    void insertSegment(std::string title, size_t index);
    void removeAllSegments();
    void setTitle(std::string title, size_t segment);
    std::string titleForSegment(size_t segment) const;
    int selectedSegmentIndex() const { return m_selected; }
    void setSelectedSegmentIndex(int index); // sends no event; out of range means none
    void setFont(std::string postScriptName, double size);
    int segmentAtPoint(Point point) const; // NoSegment outside

    Size sizeThatFits(Size size) const override;
    void draw(Painter& painter, const Rect& rect) override;

protected:
    bool beginTracking(Point location) override;
    bool continueTracking(Point location) override;
    void endTracking(Point location, bool inside) override;
    void cancelTracking() override;

private:
    std::vector<std::string> m_titles;
    int m_selected { NoSegment };
    int m_pressed { NoSegment };
    TextStyle m_style;
};

}
