#include <platform/graphics/Image.h>

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
