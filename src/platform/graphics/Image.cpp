#include <platform/graphics/Image.h>

#include <cairo.h>

namespace vd {

Image::Image(std::shared_ptr<const PixelBuffer> buffer, double scale)
    : m_buffer(std::move(buffer))
    , m_scale(scale > 0 ? scale : 1.0)
{
}

Image Image::fromBuffer(PixelBuffer buffer, double scale)
{
    return Image(std::make_shared<const PixelBuffer>(std::move(buffer)), scale);
}

Image Image::withName(std::string name) const
{
    Image copy = *this;
    copy.m_name = std::move(name);
    return copy;
}

Image Image::withRenderingMode(RenderingMode mode) const
{
    Image copy = *this;
    copy.m_mode = mode;
    return copy;
}

Image Image::withScale(double scale) const
{
    Image copy = *this;
    copy.m_scale = scale > 0 ? scale : 1.0;
    return copy;
}

cairo_surface_t* Image::makeSurface() const
{
    if (isEmpty())
        return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
    // cairo never writes through a source surface, so handing it our const pixels is safe.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(m_buffer->pixels.data()));
    return cairo_image_surface_create_for_data(data, m_buffer->opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, m_buffer->width, m_buffer->height, m_buffer->width * 4);
}

Rgba8 unpremultiply(std::uint32_t argb)
{
    const unsigned a = argb >> 24;
    unsigned r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
    if (a == 0)
        return { 0, 0, 0, 0 };
    if (a != 255) {
        r = (r * 255 + a / 2) / a;
        g = (g * 255 + a / 2) / a;
        b = (b * 255 + a / 2) / a;
    }
    return { static_cast<std::uint8_t>(r > 255 ? 255 : r), static_cast<std::uint8_t>(g > 255 ? 255 : g), static_cast<std::uint8_t>(b > 255 ? 255 : b), static_cast<std::uint8_t>(a) };
}

std::uint32_t premultiply(Rgba8 p)
{
    const unsigned a = p.a;
    const unsigned r = (p.r * a + 127) / 255, g = (p.g * a + 127) / 255, b = (p.b * a + 127) / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}
