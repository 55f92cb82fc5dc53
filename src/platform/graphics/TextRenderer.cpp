#include <platform/graphics/TextRenderer.h>

#include <platform/graphics/DrawingContext.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <list>
#include <mutex>
#include <pango/pangocairo.h>
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

std::string lookUpFontDescription(const std::string& name)
{
    std::string result;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_POSTSCRIPT_NAME, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    if (fonts && fonts->nfont > 0) {
        FcPattern* font = fonts->fonts[0];
        FcChar8* family = nullptr;
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetString(font, FC_FAMILY, 0, &family);
        FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(font, FC_SLANT, 0, &slant);
        if (family) {
            PangoFontDescription* description = pango_font_description_new();
            pango_font_description_set_family(description, reinterpret_cast<const char*>(family));
            pango_font_description_set_weight(description, static_cast<PangoWeight>(FcWeightToOpenType(weight)));
            pango_font_description_set_style(description, slant == FC_SLANT_ITALIC ? PANGO_STYLE_ITALIC : slant == FC_SLANT_OBLIQUE ? PANGO_STYLE_OBLIQUE : PANGO_STYLE_NORMAL);
            char* text = pango_font_description_to_string(description);
            result = text;
            g_free(text);
            pango_font_description_free(description);
        }
    }
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (result.empty())
        result = "Gillius ADF,DejaVu Sans" + weightWordForName(name);
    return result;
}

// A Pango context whose metrics do not depend on the drawing scale, so one layout serves every
// scale and text measures the same on screen and in a snapshot.
PangoContext* sharedContext()
{
    static PangoContext* context = [] {
        PangoFontMap* map = pango_cairo_font_map_get_default();
        PangoContext* c = pango_font_map_create_context(map);
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
            return it->second.layout;
        }
        PangoLayout* layout = pango_layout_new(sharedContext());
        pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
        PangoFontDescription* description = pango_font_description_from_string(fontDescriptionForPostScriptName(style.fontName).c_str());
        pango_font_description_set_absolute_size(description, style.fontSize * PANGO_SCALE);
        pango_layout_set_font_description(layout, description);
        pango_font_description_free(description);
        if (width > 0) {
            pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
            pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        }
        if (style.numberOfLines > 0) {
            pango_layout_set_height(layout, -style.numberOfLines);
            if (width > 0)
                pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        }
        switch (style.alignment) {
        case TextAlignment::Center:
            pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
            break;
        case TextAlignment::Right:
            pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
            break;
        case TextAlignment::Justified:
            pango_layout_set_justify(layout, true);
            break;
        case TextAlignment::Left:
        case TextAlignment::Natural:
            break;
        }
        m_order.push_front(key);
        m_entries[key] = { layout, m_order.begin() };
        if (m_entries.size() > kCapacity) {
            auto& last = m_order.back();
            g_object_unref(m_entries[last].layout);
            m_entries.erase(last);
            m_order.pop_back();
        }
        return layout;
    }

private:
    static constexpr size_t kCapacity = 1024;
    struct Entry {
        PangoLayout* layout { nullptr };
        std::list<std::string>::iterator position;
    };
    std::unordered_map<std::string, Entry> m_entries;
    std::list<std::string> m_order;
};

// One Pango context and cache serve every thread, one thread at a time.
std::recursive_mutex& textMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

LayoutCache& layoutCache()
{
    static LayoutCache cache;
    return cache;
}

}

std::string fontDescriptionForPostScriptName(const std::string& name)
{
    std::lock_guard lock(textMutex());
    static std::unordered_map<std::string, std::string> known;
    if (auto it = known.find(name); it != known.end())
        return it->second;
    return known[name] = lookUpFontDescription(name);
}

Size measureText(const std::string& text, const TextStyle& style, double maxWidth)
{
    std::lock_guard lock(textMutex());
    PangoLayout* layout = layoutCache().layout(text, style, maxWidth);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return { static_cast<double>(logical.width) / PANGO_SCALE, static_cast<double>(logical.height) / PANGO_SCALE };
}

void drawText(cairo_t* cr, const std::string& text, const TextStyle& style, const Rect& rect, VerticalAlignment vertical)
{
    if (text.empty() || style.color.alpha <= 0)
        return;
    std::lock_guard lock(textMutex());
    PangoLayout* layout = layoutCache().layout(text, style, rect.width());
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double height = static_cast<double>(logical.height) / PANGO_SCALE;
    const double y = vertical == VerticalAlignment::Center ? rect.y() + (rect.height() - height) / 2 : rect.y();
    CairoStateSaver saver(cr);
    cairo_set_source_rgba(cr, style.color.red, style.color.green, style.color.blue, style.color.alpha);
    cairo_move_to(cr, rect.x(), y);
    pango_cairo_show_layout(cr, layout);
}

}
