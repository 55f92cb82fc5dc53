#include <platform/graphics/DrawingContext.h>

#include <cairo.h>
#include <cmath>
#include <cstring>

namespace vd {

DrawingContext::DrawingContext(Size size, Opacity opacity, double scale)
    : m_size(size)
    , m_scale(scale > 0 ? scale : 1.0)
    , m_opacity(opacity)
{
    const int width = std::max(0, static_cast<int>(std::ceil(size.width * m_scale - 1e-9)));
    const int height = std::max(0, static_cast<int>(std::ceil(size.height * m_scale - 1e-9)));
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
        return;
    }
    m_cairo = cairo_create(m_surface);
    if (opacity == Opacity::Opaque) {
        cairo_set_source_rgb(m_cairo, 0, 0, 0);
        cairo_paint(m_cairo);
    }
    cairo_scale(m_cairo, m_scale, m_scale);
}

DrawingContext::~DrawingContext()
{
    if (m_cairo)
        cairo_destroy(m_cairo);
    if (m_surface)
        cairo_surface_destroy(m_surface);
}

void DrawingContext::fill(const Rect& rect, const Color& color)
{
    if (!m_cairo)
        return;
    CairoStateSaver saver(m_cairo);
    cairo_set_source_rgba(m_cairo, color.red, color.green, color.blue, color.alpha);
    cairo_rectangle(m_cairo, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_fill(m_cairo);
}

void DrawingContext::drawImage(const Image& image, const Rect& rect, double alpha)
{
    if (!m_cairo || image.isEmpty() || rect.isEmpty())
        return;
    cairo_surface_t* source = image.makeSurface();
    CairoStateSaver saver(m_cairo);
    cairo_translate(m_cairo, rect.x(), rect.y());
    cairo_scale(m_cairo, rect.width() / image.pixelWidth(), rect.height() / image.pixelHeight());
    cairo_set_source_surface(m_cairo, source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(m_cairo), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(m_cairo), CAIRO_EXTEND_PAD);
    cairo_rectangle(m_cairo, 0, 0, image.pixelWidth(), image.pixelHeight());
    cairo_clip(m_cairo);
    cairo_paint_with_alpha(m_cairo, alpha);
    cairo_surface_destroy(source);
}

Image DrawingContext::takeImage() const
{
    if (!m_surface)
        return {};
    cairo_surface_flush(m_surface);
    PixelBuffer buffer;
    buffer.width = cairo_image_surface_get_width(m_surface);
    buffer.height = cairo_image_surface_get_height(m_surface);
    buffer.pixels.resize(static_cast<size_t>(buffer.width) * buffer.height);
    const int stride = cairo_image_surface_get_stride(m_surface);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    for (int y = 0; y < buffer.height; ++y)
        std::memcpy(buffer.pixels.data() + static_cast<size_t>(y) * buffer.width, data + static_cast<size_t>(y) * stride, static_cast<size_t>(buffer.width) * 4);
    buffer.opaque = m_opacity == Opacity::Opaque;
    return Image::fromBuffer(std::move(buffer), m_scale);
}

CairoStateSaver::CairoStateSaver(cairo_t* cr)
    : m_cairo(cr)
{
    cairo_save(m_cairo);
}

CairoStateSaver::~CairoStateSaver() { cairo_restore(m_cairo); }

}
