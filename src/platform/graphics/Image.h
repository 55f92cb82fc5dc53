#pragma once

#include <platform/graphics/Geometry.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vd {

// Pixels in the drawing library's ARGB32 layout: one native-endian 32-bit word a pixel, alpha premultiplied,
// rows of width words (no padding).
struct PixelBuffer {
    int width { 0 };
    int height { 0 };
    std::vector<std::uint32_t> pixels;
    bool opaque { false }; // every alpha is 255
};

// An immutable picture: pixels plus a scale that turns them into points. Copies share the pixels.
class Image {
public:
    enum class RenderingMode { Automatic, Template, Original };

    Image() = default;
    Image(std::shared_ptr<const PixelBuffer> buffer, double scale = 1.0);
    static Image fromBuffer(PixelBuffer buffer, double scale = 1.0);

    bool isEmpty() const { return !m_buffer || m_buffer->width == 0 || m_buffer->height == 0; }
    explicit operator bool() const { return !isEmpty(); }
    int pixelWidth() const { return m_buffer ? m_buffer->width : 0; }
    int pixelHeight() const { return m_buffer ? m_buffer->height : 0; }
    double scale() const { return m_scale; }
    Size size() const { return { pixelWidth() / m_scale, pixelHeight() / m_scale }; } // points
    bool isOpaque() const { return m_buffer && m_buffer->opaque; }
    const PixelBuffer* buffer() const { return m_buffer.get(); }
    const std::shared_ptr<const PixelBuffer>& sharedBuffer() const { return m_buffer; }
    std::uint32_t pixelAt(int x, int y) const { return m_buffer->pixels[static_cast<size_t>(y) * m_buffer->width + x]; }

    // The catalogue name the picture was loaded under, if any (shown in view dumps).
    const std::string& name() const { return m_name; }
    Image withName(std::string name) const;
    RenderingMode renderingMode() const { return m_mode; }
    Image withRenderingMode(RenderingMode mode) const; // Template: drawn as a mask in the tint colour
    Image withScale(double scale) const;

private:
    std::shared_ptr<const PixelBuffer> m_buffer;
    double m_scale { 1.0 };
    std::string m_name;
    RenderingMode m_mode { RenderingMode::Automatic };
};

// Straight (unpremultiplied) RGBA bytes of one ARGB32 pixel.
struct Rgba8 {
    std::uint8_t r, g, b, a;
};
Rgba8 unpremultiply(std::uint32_t argb);
std::uint32_t premultiply(Rgba8 rgba);

}
