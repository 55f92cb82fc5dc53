#include <platform/ui/controls/TextView.h>

#include <platform/graphics/CairoPainter.h>
#include <platform/graphics/Fonts.h>
#include <platform/graphics/TextLayout.h>
#include <platform/ui/window/Window.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

namespace {

// Typed text arrives from hosts and scripts: keep it valid UTF-8, with "\n" line breaks and no
// other control characters than tabs.
std::string cleanInput(const std::string& input)
{
    std::string text = input;
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
        text = valid;
        g_free(valid);
    }
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c >= 0x20 || c == '\n' || c == '\t') {
            if (c != 0x7f)
                out += static_cast<char>(c);
        }
    }
    return out;
}

}

bool isFontInstalled(const std::string& postScriptName)
{
    return fonts::isInstalled(postScriptName);
}

// The laid-out text: one layout for the bounds' width and one for measuring at other widths,
// each kept until the text, font or width change.
struct TextView::Layouts {
    PangoLayoutPtr shown;
    double shownWidth { -1 };
    PangoLayoutPtr measured;
    double measuredWidth { -1 };

    PangoLayout* at(const TextView& view, double width);
};

TextView::TextView()
    : m_layouts(std::make_unique<Layouts>())
{
    m_style.fontSize = 12;
    m_style.alignment = TextAlignment::Left;
    m_style.numberOfLines = 0;
    setBackgroundColor(Color::whiteColor());
}

TextView::TextView(const Rect& frame)
    : TextView()
{
    setFrame(frame);
}

TextView::~TextView()
{
    if (m_accessory)
        m_accessory->removeFromSuperview();
    std::lock_guard lock(textLayoutMutex());
    m_layouts.reset();
}

void TextView::automationValues(nlohmann::json& out) const
{
    out["font"] = m_style.fontName;
    out["fontSize"] = m_style.fontSize;
    out["textColor"] = m_style.color.htmlRGBaColor();
    out["alignment"] = m_style.alignment == TextAlignment::Center ? "center" : m_style.alignment == TextAlignment::Right ? "right" : "left";
    out["editable"] = m_editable;
    out["caret"] = m_caret;
    out["firstResponder"] = isFirstResponder();
}

void TextView::invalidateLayout()
{
    std::lock_guard lock(textLayoutMutex());
    *m_layouts = Layouts {};
    setNeedsDisplay();
}

void TextView::setText(std::string text)
{
    m_text = cleanInput(text);
    m_caret = m_text.size();
    invalidateLayout();
}

void TextView::setFont(std::string postScriptName, double size)
{
    m_style.fontName = std::move(postScriptName);
    if (size > 0)
        m_style.fontSize = size;
    invalidateLayout();
}

void TextView::setTextColor(Color color)
{
    m_style.color = color;
    setNeedsDisplay();
}

void TextView::setTextAlignment(TextAlignment alignment)
{
    m_style.alignment = alignment;
    invalidateLayout();
}

void TextView::setEditable(bool editable)
{
    m_editable = editable;
    if (!editable && isFirstResponder())
        resignFirstResponder();
}

void TextView::setTextContainerInset(EdgeInsets inset)
{
    m_inset = inset;
    invalidateLayout();
}

PangoLayout* TextView::Layouts::at(const TextView& view, double width)
{
    std::lock_guard lock(textLayoutMutex());
    const double textWidth = std::max(1.0, width - view.m_inset.left - view.m_inset.right);
    const bool isShown = width == view.bounds().width();
    PangoLayoutPtr& layout = isShown ? shown : measured;
    double& laidOutWidth = isShown ? shownWidth : measuredWidth;
    if (!layout || laidOutWidth != width) {
        layout = makeTextLayout(view.m_text, view.m_style, textWidth);
        laidOutWidth = width;
    }
    return layout.get();
}

Size TextView::sizeThatFits(Size size) const
{
    std::lock_guard lock(textLayoutMutex());
    const double width = size.width > 0 ? size.width : bounds().width();
    PangoRectangle logical;
    pango_layout_get_extents(m_layouts->at(*this, width), nullptr, &logical);
    const double height = std::ceil(static_cast<double>(logical.height) / PANGO_SCALE + m_inset.top + m_inset.bottom);
    return { width, height };
}

Rect TextView::caretRect() const
{
    std::lock_guard lock(textLayoutMutex());
    PangoRectangle strong;
    pango_layout_get_cursor_pos(m_layouts->at(*this, bounds().width()), static_cast<int>(m_caret), &strong, nullptr);
    const double x = static_cast<double>(strong.x) / PANGO_SCALE + m_inset.left;
    return { std::min(x, bounds().width() - m_inset.right + 1), static_cast<double>(strong.y) / PANGO_SCALE + m_inset.top, 2, static_cast<double>(strong.height) / PANGO_SCALE };
}

void TextView::draw(Painter& painter, const Rect& rect)
{
    std::lock_guard lock(textLayoutMutex());
    (void)rect;
    PangoLayout* shown = m_layouts->at(*this, bounds().width());
    if (!m_text.empty() && m_style.color.alpha > 0) {
        cairo_t* cr = PainterAccess::cairo(painter);
        CairoStateSaver saver(cr);
        cairo_new_path(cr);
        cairo_set_source_rgba(cr, m_style.color.red, m_style.color.green, m_style.color.blue, m_style.color.alpha);
        cairo_move_to(cr, m_inset.left, m_inset.top);
        pango_cairo_show_layout(cr, shown);
    }
    if (isFirstResponder() && m_editable)
        painter.fillRect(caretRect(), tintColor());
}

void TextView::setCaretIndex(size_t index)
{
    index = std::min(index, m_text.size());
    // Land on a character boundary, never inside a UTF-8 sequence.
    while (index > 0 && index < m_text.size() && (static_cast<unsigned char>(m_text[index]) & 0xC0) == 0x80)
        --index;
    if (m_caret == index)
        return;
    m_caret = index;
    setNeedsDisplay();
}

size_t TextView::previousCaretStop(size_t index) const
{
    std::lock_guard lock(textLayoutMutex());
    if (index == 0)
        return 0;
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(m_layouts->at(*this, bounds().width()), &count);
    long offset = g_utf8_pointer_to_offset(m_text.data(), m_text.data() + index);
    do
        --offset;
    while (offset > 0 && offset < count && !attrs[offset].is_cursor_position);
    return static_cast<size_t>(g_utf8_offset_to_pointer(m_text.data(), offset) - m_text.data());
}

size_t TextView::nextCaretStop(size_t index) const
{
    std::lock_guard lock(textLayoutMutex());
    if (index >= m_text.size())
        return m_text.size();
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(m_layouts->at(*this, bounds().width()), &count);
    const long characters = g_utf8_strlen(m_text.data(), static_cast<gssize>(m_text.size()));
    long offset = g_utf8_pointer_to_offset(m_text.data(), m_text.data() + index);
    do
        ++offset;
    while (offset < characters && offset < count && !attrs[offset].is_cursor_position);
    return static_cast<size_t>(g_utf8_offset_to_pointer(m_text.data(), offset) - m_text.data());
}

size_t TextView::indexAtPoint(Point point) const
{
    std::lock_guard lock(textLayoutMutex());
    int index = 0, trailing = 0;
    pango_layout_xy_to_index(m_layouts->at(*this, bounds().width()), static_cast<int>((point.x - m_inset.left) * PANGO_SCALE), static_cast<int>((point.y - m_inset.top) * PANGO_SCALE), &index, &trailing);
    const char* at = m_text.data() + index;
    for (; trailing > 0 && at < m_text.data() + m_text.size(); --trailing)
        at = g_utf8_next_char(at);
    return static_cast<size_t>(at - m_text.data());
}

size_t TextView::verticalMove(size_t index, int lines) const
{
    std::lock_guard lock(textLayoutMutex());
    PangoLayout* shown = m_layouts->at(*this, bounds().width());
    int line = 0, x = 0;
    pango_layout_index_to_line_x(shown, static_cast<int>(index), false, &line, &x);
    // Passing through a short line does not lose the column the caret started in.
    if (m_goalX)
        x = *m_goalX;
    else
        m_goalX = x;
    const int target = line + lines;
    if (target < 0)
        return 0;
    if (target >= pango_layout_get_line_count(shown))
        return m_text.size();
    PangoLayoutLine* row = pango_layout_get_line_readonly(shown, target);
    int found = 0, trailing = 0;
    pango_layout_line_x_to_index(row, x, &found, &trailing);
    const char* at = m_text.data() + found;
    for (; trailing > 0 && at < m_text.data() + m_text.size() && *at != '\n'; --trailing)
        at = g_utf8_next_char(at);
    return static_cast<size_t>(at - m_text.data());
}

size_t TextView::lineBoundary(size_t index, bool end) const
{
    std::lock_guard lock(textLayoutMutex());
    PangoLayout* shown = m_layouts->at(*this, bounds().width());
    int line = 0, x = 0;
    pango_layout_index_to_line_x(shown, static_cast<int>(index), false, &line, &x);
    PangoLayoutLine* row = pango_layout_get_line_readonly(shown, line);
    if (!row)
        return index;
    if (!end)
        return static_cast<size_t>(row->start_index);
    size_t stop = static_cast<size_t>(row->start_index + row->length);
    // A wrapped line ends where the next begins; stay before its trailing space.
    if (line + 1 < pango_layout_get_line_count(shown) && stop > static_cast<size_t>(row->start_index) && stop <= m_text.size() && m_text[stop - 1] == ' ')
        --stop;
    return std::min(stop, m_text.size());
}

void TextView::replace(size_t from, size_t to, const std::string& text)
{
    m_goalX.reset();
    auto protector = shared_from_this();
    m_text.replace(from, to - from, text);
    m_caret = from + text.size();
    invalidateLayout();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidChange(*this);
}

void TextView::insertText(const std::string& text)
{
    if (!m_editable || !isFirstResponder())
        return;
    std::string clean = cleanInput(text);
    if (m_singleLine)
        std::replace(clean.begin(), clean.end(), '\n', ' ');
    if (clean.empty())
        return;
    replace(m_caret, m_caret, clean);
}

void TextView::keyPressed(Key key)
{
    if (!m_editable || !isFirstResponder())
        return;
    if (key != Key::Up && key != Key::Down)
        m_goalX.reset();
    switch (key) {
    case Key::Return:
        if (m_singleLine)
            resignFirstResponder();
        else
            replace(m_caret, m_caret, "\n");
        break;
    case Key::Tab:
        replace(m_caret, m_caret, "\t");
        break;
    case Key::Backspace:
        if (m_caret > 0)
            replace(previousCaretStop(m_caret), m_caret, "");
        break;
    case Key::Delete:
        if (m_caret < m_text.size())
            replace(m_caret, nextCaretStop(m_caret), "");
        break;
    case Key::Left:
        setCaretIndex(previousCaretStop(m_caret));
        break;
    case Key::Right:
        setCaretIndex(nextCaretStop(m_caret));
        break;
    case Key::Up:
        setCaretIndex(verticalMove(m_caret, -1));
        break;
    case Key::Down:
        setCaretIndex(verticalMove(m_caret, 1));
        break;
    case Key::Home:
        setCaretIndex(lineBoundary(m_caret, false));
        break;
    case Key::End:
        setCaretIndex(lineBoundary(m_caret, true));
        break;
    case Key::Escape:
        resignFirstResponder();
        break;
    case Key::Other:
    case Key::Character:
        break;
    }
}

bool TextView::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    if (!m_editable || !window())
        return false;
    auto protector = shared_from_this();
    if (auto delegate = m_delegate.lock(); delegate && !delegate->textViewShouldBeginEditing(*this))
        return false;
    if (!View::becomeFirstResponder())
        return false;
    m_caret = m_text.size();
    showAccessory();
    setNeedsDisplay();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidBeginEditing(*this);
    return true;
}

bool TextView::resignFirstResponder()
{
    if (!isFirstResponder())
        return true;
    auto protector = shared_from_this();
    View::resignFirstResponder();
    hideAccessory();
    setNeedsDisplay();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidEndEditing(*this);
    return true;
}

void TextView::didMoveToWindow()
{
    // Leaving the window ends editing, as the keyboard goes away with the view.
    if (!window() && m_accessory && m_accessory->superview()) {
        hideAccessory();
        if (auto delegate = m_delegate.lock())
            delegate->textViewDidEndEditing(*this);
    }
}

void TextView::setInputAccessoryView(std::shared_ptr<View> view)
{
    const bool shown = m_accessory && m_accessory->superview();
    hideAccessory();
    m_accessory = std::move(view);
    if (shown)
        showAccessory();
}

void TextView::showAccessory()
{
    auto* w = window();
    if (!m_accessory || !w)
        return;
    const Size size = w->bounds().size;
    const double height = m_accessory->sizeThatFits({ size.width, 0 }).height;
    m_accessory->setFrame({ 0, size.height - height, size.width, height });
    m_accessory->setAutoresizingMask(FlexibleWidth | FlexibleTopMargin);
    w->addSubview(m_accessory);
}

void TextView::hideAccessory()
{
    if (m_accessory)
        m_accessory->removeFromSuperview();
}

void TextView::touchesBegan(const TouchSet& touches, const TouchEvent& event)
{
    if (!m_editable) {
        View::touchesBegan(touches, event);
        return;
    }
    m_touchBegan = true;
}

void TextView::touchesEnded(const TouchSet& touches, const TouchEvent& event)
{
    if (!m_editable || !m_touchBegan || touches.empty()) {
        View::touchesEnded(touches, event);
        return;
    }
    m_touchBegan = false;
    const Point location = touches.front()->locationInView(this);
    if (!bounds().contains(location))
        return;
    auto protector = shared_from_this();
    if (!isFirstResponder() && !becomeFirstResponder())
        return;
    setCaretIndex(indexAtPoint(location));
}

void TextView::touchesCancelled(const TouchSet& touches, const TouchEvent& event)
{
    // A recognizer took the touch (a sticker's drag, a double tap): no caret move.
    m_touchBegan = false;
    View::touchesCancelled(touches, event);
}

}
