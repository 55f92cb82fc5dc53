#include <platform/graphics/CairoPainter.h>

#include <algorithm>
#include <cmath>

namespace vd {

namespace {

void setSource(cairo_t* cr, const Color& c, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha * alpha);
}

void addStops(cairo_pattern_t* pattern, std::span<const GradientStop> stops)
{
    for (const auto& stop : stops)
        cairo_pattern_add_color_stop_rgba(pattern, stop.offset, stop.color.red, stop.color.green, stop.color.blue, stop.color.alpha);
}

}

ImageSurface::ImageSurface(const Image& image)
{
    if (image.isEmpty()) {
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
        return;
    }
    // cairo never writes through a source surface, so handing it the image's const pixels is safe.
    const PixelBuffer& buffer = *image.buffer();
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(buffer.pixels.data()));
    m_surface = cairo_image_surface_create_for_data(data, buffer.opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, buffer.width, buffer.height, buffer.width * 4);
}

void appendPath(cairo_t* cr, const Path& path)
{
    path.forEachElement([cr](Path::Kind kind, const Point* p) {
        switch (kind) {
        case Path::Kind::Move:
            cairo_move_to(cr, p[0].x, p[0].y);
            break;
        case Path::Kind::Line:
            cairo_line_to(cr, p[0].x, p[0].y);
            break;
        case Path::Kind::Curve:
            cairo_curve_to(cr, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
            break;
        case Path::Kind::Close:
            cairo_close_path(cr);
            break;
        }
    });
}

#define CR PainterAccess::cairo(*this)

void Painter::save() { cairo_save(CR); }
void Painter::restore() { cairo_restore(CR); }
void Painter::translate(double dx, double dy) { cairo_translate(CR, dx, dy); }
void Painter::scale(double sx, double sy) { cairo_scale(CR, sx, sy); }
void Painter::rotate(double radians) { cairo_rotate(CR, radians); }

void Painter::concatenate(const AffineTransform& t)
{
    const cairo_matrix_t m { t.a, t.b, t.c, t.d, t.tx, t.ty };
    cairo_transform(CR, &m);
}

double Painter::pixelsPerPoint() const
{
    double dx = 1, dy = 0;
    cairo_user_to_device_distance(reinterpret_cast<cairo_t*>(m_native), &dx, &dy);
    return std::hypot(dx, dy);
}

void Painter::clip(const Rect& rect)
{
    cairo_new_path(CR);
    cairo_rectangle(CR, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_clip(CR);
}

void Painter::clip(const Path& path)
{
    cairo_new_path(CR);
    appendPath(CR, path);
    cairo_clip(CR);
}

void Painter::fill(const Color& color)
{
    setSource(CR, color);
    cairo_paint(CR);
}

void Painter::fillRect(const Rect& rect, const Color& color)
{
    if (rect.isEmpty() || color.alpha <= 0)
        return;
    cairo_new_path(CR);
    setSource(CR, color);
    cairo_rectangle(CR, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_fill(CR);
}

void Painter::fillPath(const Path& path, const Color& color)
{
    if (path.isEmpty() || color.alpha <= 0)
        return;
    cairo_new_path(CR);
    setSource(CR, color);
    appendPath(CR, path);
    cairo_fill(CR);
}

void Painter::fillPath(const Path& path, Point from, Point to, std::span<const GradientStop> stops)
{
    if (path.isEmpty())
        return;
    cairo_pattern_t* pattern = cairo_pattern_create_linear(from.x, from.y, to.x, to.y);
    addStops(pattern, stops);
    cairo_new_path(CR);
    cairo_set_source(CR, pattern);
    appendPath(CR, path);
    cairo_fill(CR);
    cairo_pattern_destroy(pattern);
}

void Painter::fillPath(const Path& path, Point center0, double radius0, Point center1, double radius1, std::span<const GradientStop> stops)
{
    if (path.isEmpty())
        return;
    cairo_pattern_t* pattern = cairo_pattern_create_radial(center0.x, center0.y, radius0, center1.x, center1.y, radius1);
    addStops(pattern, stops);
    cairo_new_path(CR);
    cairo_set_source(CR, pattern);
    appendPath(CR, path);
    cairo_fill(CR);
    cairo_pattern_destroy(pattern);
}

void Painter::strokePath(const Path& path, const Color& color, const StrokeStyle& style)
{
    if (path.isEmpty() || color.alpha <= 0 || style.width <= 0)
        return;
    cairo_t* c = CR;
    cairo_save(c);
    cairo_new_path(c);
    setSource(c, color);
    cairo_set_line_width(c, style.width);
    cairo_set_line_join(c, style.join == LineJoin::Round ? CAIRO_LINE_JOIN_ROUND : style.join == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL : CAIRO_LINE_JOIN_MITER);
    cairo_set_line_cap(c, style.cap == LineCap::Round ? CAIRO_LINE_CAP_ROUND : style.cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE : CAIRO_LINE_CAP_BUTT);
    // A pattern of zeros (or negative lengths) would make cairo refuse to draw: stroke solid.
    const auto& dashes = style.dashes;
    const bool usable = !dashes.empty() && std::ranges::all_of(dashes, [](double v) { return v >= 0; }) && std::ranges::any_of(dashes, [](double v) { return v > 0; });
    if (usable)
        cairo_set_dash(c, dashes.data(), static_cast<int>(dashes.size()), 0);
    appendPath(c, path);
    cairo_stroke(c);
    cairo_restore(c);
}

void Painter::strokeLine(Point from, Point to, const Color& color, double width)
{
    Path line;
    line.moveTo(from);
    line.lineTo(to);
    strokePath(line, color, { .width = width });
}

void Painter::drawImage(const Image& image, const Rect& rect, double alpha)
{
    if (image.isEmpty() || rect.isEmpty() || alpha <= 0)
        return;
    ImageSurface source(image);
    cairo_t* c = CR;
    CairoStateSaver saver(c);
    cairo_new_path(c);
    cairo_translate(c, rect.x(), rect.y());
    cairo_scale(c, rect.width() / image.pixelWidth(), rect.height() / image.pixelHeight());
    cairo_set_source_surface(c, source.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(c), m_imageFilter == ImageFilter::Good ? CAIRO_FILTER_GOOD : CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(cairo_get_source(c), CAIRO_EXTEND_PAD);
    cairo_rectangle(c, 0, 0, image.pixelWidth(), image.pixelHeight());
    cairo_clip(c);
    cairo_paint_with_alpha(c, alpha);
}

void Painter::drawImage(const Image& image, const Rect& rect, const Color& tint)
{
    if (image.renderingMode() != Image::RenderingMode::Template) {
        drawImage(image, rect, 1.0);
        return;
    }
    if (image.isEmpty() || rect.isEmpty())
        return;
    ImageSurface source(image);
    cairo_t* c = CR;
    CairoStateSaver saver(c);
    cairo_new_path(c);
    cairo_rectangle(c, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_clip(c);
    cairo_translate(c, rect.x(), rect.y());
    cairo_scale(c, rect.width() / image.pixelWidth(), rect.height() / image.pixelHeight());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(source.get());
    cairo_pattern_set_filter(pattern, m_imageFilter == ImageFilter::Good ? CAIRO_FILTER_GOOD : CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    setSource(c, tint);
    cairo_mask(c, pattern);
    cairo_pattern_destroy(pattern);
}

void Painter::drawText(const std::string& text, const TextStyle& style, const Rect& rect, VerticalAlignment vertical)
{
    vd::drawText(*this, text, style, rect, vertical);
}

void Painter::beginTransparencyLayer() { cairo_push_group(CR); }

void Painter::endTransparencyLayer(double alpha)
{
    cairo_pop_group_to_source(CR);
    cairo_paint_with_alpha(CR, std::clamp(alpha, 0.0, 1.0));
}

#undef CR

}
