#pragma once

#include <platform/graphics/TextRenderer.h>
#include <platform/ui/views/View.h>

namespace vd {

// One or more lines of text in a font by PostScript name (a font that is not installed is drawn in
// the stand-in font), centred vertically in the bounds.
class Label : public View {
public:
    Label();
    explicit Label(const Rect& frame);
    std::string className() const override { return "Label"; }
    std::optional<std::string> automationText() const override { return m_text; }
    void automationValues(nlohmann::json& out) const override;

    const std::string& text() const { return m_text; }
    void setText(std::string text);
    const std::string& fontName() const { return m_style.fontName; }
    double fontSize() const { return m_style.fontSize; }
    void setFont(std::string postScriptName, double size);
    Color textColor() const { return m_style.color; }
    void setTextColor(Color color);
    TextAlignment textAlignment() const { return m_style.alignment; }
    void setTextAlignment(TextAlignment alignment);
    int numberOfLines() const { return m_style.numberOfLines; }
    void setNumberOfLines(int lines); // 0: as many as the text needs
    const TextStyle& textStyle() const { return m_style; }

    Size sizeThatFits(Size size) const override; // size.width bounds the lines when more than one is allowed
    void draw(Painter& painter, const Rect& rect) override;

private:
    std::string m_text;
    TextStyle m_style;
};

}
