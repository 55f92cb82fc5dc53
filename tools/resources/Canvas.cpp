#include <resources/Canvas.h>
#include <resources/Resources.h>

#include <platform/graphics/ImageCodecs.h>

#include <cairo.h>
#include <pango/pangocairo.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace vd::tools {

namespace {

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
struct FontDescriptionFree {
    void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};
struct PathDestroy {
    void operator()(cairo_path_t* path) const { cairo_path_destroy(path); }
};

// A Pango layout without hinting, so a glyph's shape does not depend on the size it is laid out at.
std::unique_ptr<PangoLayout, GObjectUnref> makeLayout(const std::string& text, const std::string& font)
{
    std::unique_ptr<PangoContext, GObjectUnref> context(pango_font_map_create_context(pango_cairo_font_map_get_default()));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context.get(), options);
    cairo_font_options_destroy(options);
    std::unique_ptr<PangoLayout, GObjectUnref> layout(pango_layout_new(context.get()));
    std::unique_ptr<PangoFontDescription, FontDescriptionFree> description(pango_font_description_from_string(font.c_str()));
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), text.c_str(), -1);
    return layout;
}

std::string utf8(std::uint32_t codepoint)
{
    std::string out;
    if (codepoint < 0x80) {
        out += static_cast<char>(codepoint);
    } else if (codepoint < 0x800) {
        out += static_cast<char>(0xC0 | (codepoint >> 6));
        out += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else if (codepoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codepoint >> 12));
        out += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codepoint >> 18));
        out += static_cast<char>(0x80 | ((codepoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codepoint & 0x3F));
    }
    return out;
}

Result<void> writeSimplePng(const std::filesystem::path& file, png_uint_32 format, int width, int height, const std::vector<std::uint8_t>& bytes)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width);
    png.height = static_cast<png_uint_32>(height);
    png.format = format;
    if (!png_image_write_to_file(&png, file.c_str(), 0, bytes.data(), 0, nullptr)) {
        const std::string reason = png.message;
        png_image_free(&png);
        return fail(file.string(), "cannot write (" + reason + ")");
    }
    return {};
}

}

double pathLength(cairo_t* cr)
{
    std::unique_ptr<cairo_path_t, PathDestroy> path(cairo_copy_path_flat(cr));
    double length = 0;
    double startX = 0, startY = 0, x = 0, y = 0;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* data = &path->data[i];
        switch (data->header.type) {
        case CAIRO_PATH_MOVE_TO:
            startX = x = data[1].point.x;
            startY = y = data[1].point.y;
            break;
        case CAIRO_PATH_LINE_TO:
            length += std::hypot(data[1].point.x - x, data[1].point.y - y);
            x = data[1].point.x;
            y = data[1].point.y;
            break;
        case CAIRO_PATH_CLOSE_PATH:
            length += std::hypot(startX - x, startY - y);
            x = startX;
            y = startY;
            break;
        case CAIRO_PATH_CURVE_TO:
            break; // a flattened path has no curves
        }
    }
    return length;
}

void setFittedDash(cairo_t* cr, double on, double off, int repeats, DashStart start)
{
    const double length = pathLength(cr);
    const double period = on + off;
    const double count = repeats * std::max(1.0, std::round(length / period / repeats));
    const double stretch = length / (count * period);
    const double dashes[] = { on * stretch, off * stretch };
    // Starting half a dash early centres a dash on the path's first point (a corner or the top).
    const double offset = start == DashStart::MidDash ? dashes[0] / 2 : dashes[0] + dashes[1] / 2;
    cairo_set_dash(cr, dashes, 2, offset);
}

void roundedPolygonPath(cairo_t* cr, const std::vector<Point>& points, double radius)
{
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
        const Point previous = points[(i + n - 1) % n];
        const Point corner = points[i];
        const Point next = points[(i + 1) % n];
        const double ax = previous.x - corner.x, ay = previous.y - corner.y;
        const double bx = next.x - corner.x, by = next.y - corner.y;
        const double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
        const double angle = std::acos(std::clamp((ax * bx + ay * by) / (la * lb), -1.0, 1.0));
        // Distance from the corner to where the arc meets each side, and from the corner to its centre.
        const double tangent = radius / std::tan(angle / 2);
        const double centreDistance = radius / std::sin(angle / 2);
        const double ux = ax / la + bx / lb, uy = ay / la + by / lb;
        const double ul = std::hypot(ux, uy);
        const double cx = corner.x + ux / ul * centreDistance, cy = corner.y + uy / ul * centreDistance;
        const double startAngle = std::atan2(corner.y + ay / la * tangent - cy, corner.x + ax / la * tangent - cx);
        const double endAngle = std::atan2(corner.y + by / lb * tangent - cy, corner.x + bx / lb * tangent - cx);
        // The arc around a corner always takes the short way, whichever way the polygon runs.
        const double sweep = std::remainder(endAngle - startAngle, 2 * M_PI);
        if (sweep > 0)
            cairo_arc(cr, cx, cy, radius, startAngle, endAngle);
        else
            cairo_arc_negative(cr, cx, cy, radius, startAngle, endAngle);
    }
    cairo_close_path(cr);
}

bool glyphPath(cairo_t* cr, const std::string& family, std::uint32_t codepoint, const Rect& box)
{
    auto layout = makeLayout(utf8(codepoint), family + " 100");
    if (pango_layout_get_unknown_glyphs_count(layout.get()) > 0)
        return false;
    PangoRectangle ink;
    pango_layout_get_extents(layout.get(), &ink, nullptr);
    const double x = ink.x / double(PANGO_SCALE), y = ink.y / double(PANGO_SCALE);
    const double w = ink.width / double(PANGO_SCALE), h = ink.height / double(PANGO_SCALE);
    if (w <= 0 || h <= 0)
        return false;
    const double k = std::min(box.width() / w, box.height() / h);
    cairo_save(cr);
    cairo_translate(cr, box.midX(), box.midY());
    cairo_scale(cr, k, k);
    cairo_translate(cr, -(x + w / 2), -(y + h / 2));
    cairo_move_to(cr, 0, 0);
    pango_cairo_layout_path(cr, layout.get());
    cairo_restore(cr);
    return true;
}

void drawText(cairo_t* cr, const std::string& text, const std::string& font, Point origin, const Color& color, double maxWidth)
{
    auto layout = makeLayout(text, font);
    if (maxWidth > 0) {
        pango_layout_set_width(layout.get(), static_cast<int>(maxWidth * PANGO_SCALE));
        pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
        pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
    }
    cairo_save(cr);
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
    cairo_move_to(cr, origin.x, origin.y);
    pango_cairo_show_layout(cr, layout.get());
    cairo_restore(cr);
}

Result<void> savePicture(const Picture& picture, const std::filesystem::path& file)
{
    const PixelBuffer* buffer = picture.image.buffer();
    if (!buffer)
        return fail(file.string(), "the picture is empty");
    const size_t count = buffer->pixels.size();
    if (picture.isTemplate()) {
        const auto grey = static_cast<std::uint8_t>(std::lround(kTemplateGrey * 255));
        std::vector<std::uint8_t> bytes(count * 2);
        for (size_t i = 0; i < count; ++i) {
            bytes[i * 2] = grey;
            bytes[i * 2 + 1] = static_cast<std::uint8_t>(buffer->pixels[i] >> 24);
        }
        return writeSimplePng(file, PNG_FORMAT_GA, buffer->width, buffer->height, bytes);
    }
    std::vector<std::uint8_t> bytes(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const Rgba8 p = unpremultiply(buffer->pixels[i]);
        std::memcpy(&bytes[i * 4], &p, 4);
    }
    return writeSimplePng(file, PNG_FORMAT_RGBA, buffer->width, buffer->height, bytes);
}

Result<void> saveOpaque(const Image& image, const std::filesystem::path& file)
{
    const PixelBuffer* buffer = image.buffer();
    if (!buffer)
        return fail(file.string(), "the picture is empty");
    std::vector<std::uint8_t> bytes(buffer->pixels.size() * 3);
    for (size_t i = 0; i < buffer->pixels.size(); ++i) {
        const std::uint32_t p = buffer->pixels[i];
        bytes[i * 3] = static_cast<std::uint8_t>(p >> 16);
        bytes[i * 3 + 1] = static_cast<std::uint8_t>(p >> 8);
        bytes[i * 3 + 2] = static_cast<std::uint8_t>(p);
    }
    return writeSimplePng(file, PNG_FORMAT_RGB, buffer->width, buffer->height, bytes);
}

}
