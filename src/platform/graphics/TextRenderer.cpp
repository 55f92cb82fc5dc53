#include <platform/graphics/TextRenderer.h>

#include <platform/graphics/CairoPainter.h>
#include <platform/graphics/Fonts.h>
#include <platform/graphics/TextLayout.h>

#include <list>
#include <unordered_map>

namespace vd {

namespace {

std::string lowercase(std::string s)
{
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string weightWordForName(const std::string& name)
{
    const std::string lower = lowercase(name);
    if (lower.find("ultrabold") != std::string::npos || lower.find("heavy") != std::string::npos || lower.find("black") != std::string::npos)
        return " Heavy";
    if (lower.find("semibold") != std::string::npos || lower.find("demibold") != std::string::npos)
        return " Semi-Bold";
    if (lower.find("bold") != std::string::npos)
        return " Bold";
    if (lower.find("light") != std::string::npos || lower.find("thin") != std::string::npos)
        return " Light";
    return "";
}

struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};
using FontDescriptionPtr = std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;

std::string lookUpFontDescription(const std::string& name)
{
    const auto face = fonts::faceForPostScriptName(name);
    if (!face)
        return "Gillius ADF,DejaVu Sans" + weightWordForName(name);
    FontDescriptionPtr description(pango_font_description_new());
    pango_font_description_set_family(description.get(), face->family.c_str());
    pango_font_description_set_weight(description.get(), static_cast<PangoWeight>(face->weight));
    pango_font_description_set_style(description.get(), face->slant == fonts::Face::Slant::Italic ? PANGO_STYLE_ITALIC : face->slant == fonts::Face::Slant::Oblique ? PANGO_STYLE_OBLIQUE : PANGO_STYLE_NORMAL);
    char* text = pango_font_description_to_string(description.get());
    std::string result = text;
    g_free(text);
    return result;
}

// Layouts of recently drawn texts, least recently used dropped first.
class LayoutCache {
public:
    PangoLayout* layout(const std::string& text, const TextStyle& style, double width)
    {
        std::string key = text;
        key += '\x1f';
        key += style.fontName + '\x1f' + std::to_string(style.fontSize) + '\x1f' + std::to_string(static_cast<int>(style.alignment)) + '\x1f' + std::to_string(style.numberOfLines) + '\x1f' + std::to_string(width);
        if (auto it = m_entries.find(key); it != m_entries.end()) {
            m_order.splice(m_order.begin(), m_order, it->second.position);
            return it->second.layout.get();
        }
        PangoLayoutPtr layout = makeTextLayout(text, style, width);
        PangoLayout* made = layout.get();
        m_order.push_front(key);
        m_entries[key] = { std::move(layout), m_order.begin() };
        if (m_entries.size() > kCapacity) {
            m_entries.erase(m_order.back());
            m_order.pop_back();
        }
        return made;
    }

private:
    static constexpr size_t kCapacity = 1024;
    struct Entry {
        PangoLayoutPtr layout;
        std::list<std::string>::iterator position;
    };
    std::unordered_map<std::string, Entry> m_entries;
    std::list<std::string> m_order;
};

LayoutCache& layoutCache()
{
    static LayoutCache cache;
    return cache;
}

}

std::recursive_mutex& textLayoutMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

PangoContext* textLayoutContext()
{
    static PangoContext* context = [] {
        PangoContext* c = pango_font_map_create_context(pango_cairo_font_map_get_default());
        pango_cairo_context_set_resolution(c, 72);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        pango_cairo_context_set_font_options(c, options);
        cairo_font_options_destroy(options);
        return c;
    }();
    return context;
}

PangoLayoutPtr makeTextLayout(const std::string& text, const TextStyle& style, double width)
{
    PangoLayoutPtr layout(pango_layout_new(textLayoutContext()));
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    FontDescriptionPtr description(pango_font_description_from_string(fontDescriptionForPostScriptName(style.fontName).c_str()));
    pango_font_description_set_absolute_size(description.get(), style.fontSize * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), description.get());
    if (width > 0) {
        pango_layout_set_width(layout.get(), static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    }
    if (style.numberOfLines > 0) {
        pango_layout_set_height(layout.get(), -style.numberOfLines);
        if (width > 0)
            pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
    }
    switch (style.alignment) {
    case TextAlignment::Center:
        pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
        break;
    case TextAlignment::Right:
        pango_layout_set_alignment(layout.get(), PANGO_ALIGN_RIGHT);
        break;
    case TextAlignment::Justified:
        pango_layout_set_justify(layout.get(), true);
        break;
    case TextAlignment::Left:
    case TextAlignment::Natural:
        break;
    }
    return layout;
}

std::string fontDescriptionForPostScriptName(const std::string& name)
{
    std::lock_guard lock(textLayoutMutex());
    static std::unordered_map<std::string, std::string> known;
    if (auto it = known.find(name); it != known.end())
        return it->second;
    return known[name] = lookUpFontDescription(name);
}

Size measureText(const std::string& text, const TextStyle& style, double maxWidth)
{
    std::lock_guard lock(textLayoutMutex());
    PangoLayout* layout = layoutCache().layout(text, style, maxWidth);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return { static_cast<double>(logical.width) / PANGO_SCALE, static_cast<double>(logical.height) / PANGO_SCALE };
}

void drawText(Painter& painter, const std::string& text, const TextStyle& style, const Rect& rect, VerticalAlignment vertical)
{
    if (text.empty() || style.color.alpha <= 0)
        return;
    std::lock_guard lock(textLayoutMutex());
    PangoLayout* layout = layoutCache().layout(text, style, rect.width());
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double height = static_cast<double>(logical.height) / PANGO_SCALE;
    const double y = vertical == VerticalAlignment::Center ? rect.y() + (rect.height() - height) / 2 : rect.y();
    cairo_t* cr = PainterAccess::cairo(painter);
    CairoStateSaver saver(cr);
    cairo_new_path(cr);
    cairo_set_source_rgba(cr, style.color.red, style.color.green, style.color.blue, style.color.alpha);
    cairo_move_to(cr, rect.x(), y);
    pango_cairo_show_layout(cr, layout);
}

}
