#include <platform/graphics/DrawingContext.h>

#include <platform/graphics/CairoPainter.h>

#include <cmath>
#include <cstring>

namespace vd {

struct DrawingContext::Surface {
    cairo_surface_t* surface { nullptr };
    cairo_t* cairo { nullptr };
    ~Surface()
    {
        if (cairo)
            cairo_destroy(cairo);
        if (surface)
            cairo_surface_destroy(surface);
    }
};

DrawingContext::DrawingContext(Size size, Opacity opacity, double scale)
    : m_size(size)
    , m_scale(scale > 0 ? scale : 1.0)
    , m_opacity(opacity)
{
    const int width = std::max(0, static_cast<int>(std::ceil(size.width * m_scale - 1e-9)));
    const int height = std::max(0, static_cast<int>(std::ceil(size.height * m_scale - 1e-9)));
    auto surface = std::make_unique<Surface>();
    surface->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface->surface) != CAIRO_STATUS_SUCCESS)
        return;
    surface->cairo = cairo_create(surface->surface);
    if (opacity == Opacity::Opaque) {
        cairo_set_source_rgb(surface->cairo, 0, 0, 0);
        cairo_paint(surface->cairo);
    }
    cairo_scale(surface->cairo, m_scale, m_scale);
    m_painter = std::make_unique<Painter>(PainterAccess::wrap(surface->cairo));
    m_surface = std::move(surface);
}

DrawingContext::~DrawingContext() = default;

void DrawingContext::fill(const Rect& rect, const Color& color)
{
    if (m_painter)
        m_painter->fillRect(rect, color);
}

void DrawingContext::drawImage(const Image& image, const Rect& rect, double alpha)
{
    if (m_painter)
        m_painter->drawImage(image, rect, alpha);
}

Image DrawingContext::takeImage() const
{
    if (!m_surface)
        return {};
    return Image::fromBuffer(takePixels(), m_scale);
}

PixelBuffer DrawingContext::takePixels() const
{
    if (!m_surface)
        return {};
    cairo_surface_t* surface = m_surface->surface;
    cairo_surface_flush(surface);
    PixelBuffer buffer;
    buffer.width = cairo_image_surface_get_width(surface);
    buffer.height = cairo_image_surface_get_height(surface);
    buffer.pixels.resize(static_cast<size_t>(buffer.width) * buffer.height);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < buffer.height; ++y)
        std::memcpy(buffer.pixels.data() + static_cast<size_t>(y) * buffer.width, data + static_cast<size_t>(y) * stride, static_cast<size_t>(buffer.width) * 4);
    buffer.opaque = m_opacity == Opacity::Opaque;
    return buffer;
}

}
