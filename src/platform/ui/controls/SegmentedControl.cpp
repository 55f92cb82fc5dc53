#include <platform/ui/controls/SegmentedControl.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

SegmentedControl::SegmentedControl()
{
    m_style.fontSize = 13;
    m_style.alignment = TextAlignment::Center;
    setFrame({ 0, 0, 200, 29 });
}

SegmentedControl::SegmentedControl(std::vector<std::string> titles)
    : SegmentedControl()
{
    m_titles = std::move(titles);
    sizeToFit();
}

std::optional<std::string> SegmentedControl::automationText() const
{
    if (m_selected == NoSegment)
        return std::nullopt;
    return m_titles[static_cast<size_t>(m_selected)];
}

void SegmentedControl::automationValues(nlohmann::json& out) const
{
    Control::automationValues(out);
    out["selectedSegmentIndex"] = m_selected;
    out["segments"] = m_titles;
}

void SegmentedControl::insertSegment(std::string title, size_t index)
{
    index = std::min(index, m_titles.size());
    m_titles.insert(m_titles.begin() + static_cast<long>(index), std::move(title));
    if (m_selected != NoSegment && static_cast<size_t>(m_selected) >= index)
        ++m_selected;
    setNeedsDisplay();
}

void SegmentedControl::removeAllSegments()
{
    m_titles.clear();
    m_selected = NoSegment;
    setNeedsDisplay();
}

void SegmentedControl::setTitle(std::string title, size_t segment)
{
    if (segment < m_titles.size()) {
        m_titles[segment] = std::move(title);
        setNeedsDisplay();
    }
}

std::string SegmentedControl::titleForSegment(size_t segment) const
{
    return segment < m_titles.size() ? m_titles[segment] : std::string();
}

void SegmentedControl::setSelectedSegmentIndex(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_titles.size())
        index = NoSegment;
    if (index != m_selected) {
        m_selected = index;
        setNeedsDisplay();
    }
}

void SegmentedControl::setFont(std::string postScriptName, double size)
{
    m_style.fontName = std::move(postScriptName);
    if (size > 0)
        m_style.fontSize = size;
    setNeedsDisplay();
}

int SegmentedControl::segmentAtPoint(Point point) const
{
    if (m_titles.empty() || !bounds().contains(point))
        return NoSegment;
    const double width = bounds().width() / static_cast<double>(m_titles.size());
    return std::clamp(static_cast<int>(point.x / width), 0, static_cast<int>(m_titles.size()) - 1);
}

Size SegmentedControl::sizeThatFits(Size size) const
{
    (void)size;
    double widest = 0;
    for (const auto& title : m_titles)
        widest = std::max(widest, measureText(title, m_style, 0).width);
    return { std::ceil((widest + 24) * static_cast<double>(std::max<size_t>(1, m_titles.size()))), 29 };
}

bool SegmentedControl::beginTracking(Point location)
{
    m_pressed = segmentAtPoint(location);
    setNeedsDisplay();
    return true;
}

bool SegmentedControl::continueTracking(Point location)
{
    const int over = segmentAtPoint(location);
    if (over != m_pressed) {
        m_pressed = over;
        setNeedsDisplay();
    }
    return true;
}

void SegmentedControl::endTracking(Point location, bool inside)
{
    (void)inside;
    const int segment = segmentAtPoint(location);
    m_pressed = NoSegment;
    setNeedsDisplay();
    if (segment != NoSegment && segment != m_selected) {
        m_selected = segment;
        sendActions(ControlEvent::ValueChanged);
    }
}

void SegmentedControl::cancelTracking()
{
    m_pressed = NoSegment;
    setNeedsDisplay();
}

void SegmentedControl::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    const Color tint = isEnabled() ? tintColor() : Color::white(0.7);
    const double w = bounds().width(), h = bounds().height(), r = 4;
    const size_t count = std::max<size_t>(1, m_titles.size());
    const double segment = w / static_cast<double>(count);
    Path outline;
    outline.addRoundedRect({ 0.5, 0.5, w - 1, h - 1 }, r);
    painter.save();
    painter.clip(outline);
    for (size_t i = 0; i < m_titles.size(); ++i) {
        const bool selected = static_cast<int>(i) == m_selected;
        const bool pressed = static_cast<int>(i) == m_pressed;
        if (selected || pressed) {
            painter.fillRect({ segment * static_cast<double>(i), 0, segment, h }, tint.withAlpha(selected ? tint.alpha : 0.15));
        }
        TextStyle style = m_style;
        style.color = selected ? Color::whiteColor() : tint;
        painter.drawText(m_titles[i], style, { segment * static_cast<double>(i) + 4, 0, segment - 8, h });
    }
    painter.restore();
    Path dividers;
    for (size_t i = 1; i < m_titles.size(); ++i) {
        const double x = std::round(segment * static_cast<double>(i)) + 0.5;
        dividers.moveTo({ x, 0 });
        dividers.lineTo({ x, h });
    }
    painter.strokePath(outline, tint);
    painter.strokePath(dividers, tint);
}

}
