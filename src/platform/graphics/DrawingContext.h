#pragma once

#include <platform/graphics/Color.h>
#include <platform/graphics/Geometry.h>
#include <platform/graphics/Image.h>
#include <platform/graphics/Painter.h>

#include <memory>

namespace vd {

// A bitmap to draw into, in points: begin at a size, opaque or not, at a scale; draw with its
// painter; take the image. Opaque contexts start black, others fully transparent.
class DrawingContext {
public:
    enum class Opacity { Transparent, Opaque };

    DrawingContext(Size size, Opacity opacity, double scale);
    ~DrawingContext();
    DrawingContext(const DrawingContext&) = delete;
    DrawingContext& operator=(const DrawingContext&) = delete;

    bool isValid() const { return m_painter != nullptr; }
    Painter& painter() { return *m_painter; } // user space in points, origin top-left; valid contexts only
    Size size() const { return m_size; }
    double scale() const { return m_scale; }

    void fill(const Rect& rect, const Color& color);
    // Draws the whole image scaled into rect, at the given opacity.
    void drawImage(const Image& image, const Rect& rect, double alpha = 1.0);
    // The pixels drawn so far, as an image at this context's scale, or as a buffer to work on.
    Image takeImage() const;
    PixelBuffer takePixels() const;

private:
    struct Surface;
    Size m_size;
    double m_scale { 1 };
    Opacity m_opacity { Opacity::Transparent };
    std::unique_ptr<Surface> m_surface;
    std::unique_ptr<Painter> m_painter;
};

}
