#include <platform/ui/controls/Label.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

Label::Label()
{
    setUserInteractionEnabled(false);
}

Label::Label(const Rect& frame)
    : View(frame)
{
    setUserInteractionEnabled(false);
}

void Label::automationValues(nlohmann::json& out) const
{
    out["font"] = m_style.fontName;
    out["fontSize"] = m_style.fontSize;
    out["textColor"] = m_style.color.htmlRGBaColor();
    out["lines"] = m_style.numberOfLines;
}

void Label::setText(std::string text)
{
    if (m_text == text)
        return;
    m_text = std::move(text);
    setNeedsDisplay();
}

void Label::setFont(std::string postScriptName, double size)
{
    m_style.fontName = std::move(postScriptName);
    m_style.fontSize = size > 0 ? size : 17;
    setNeedsDisplay();
}

void Label::setTextColor(Color color)
{
    m_style.color = color;
    setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment)
{
    m_style.alignment = alignment;
    setNeedsDisplay();
}

void Label::setNumberOfLines(int lines)
{
    m_style.numberOfLines = std::max(0, lines);
    setNeedsDisplay();
}

Size Label::sizeThatFits(Size size) const
{
    if (m_text.empty())
        return {};
    const double width = m_style.numberOfLines == 1 ? 0 : size.width;
    const Size measured = measureText(m_text, m_style, width);
    return { std::ceil(measured.width), std::ceil(measured.height) };
}

void Label::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    painter.drawText(m_text, m_style, bounds());
}

}
