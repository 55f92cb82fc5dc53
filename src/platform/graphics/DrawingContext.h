#pragma once

#include <platform/graphics/Color.h>
#include <platform/graphics/Geometry.h>
#include <platform/graphics/Image.h>

typedef struct _cairo cairo_t;

namespace vd {

// A bitmap to draw into, in points: begin at a size, opaque or not, at a scale; draw; take the
// image. Opaque contexts start black, others fully transparent.
class DrawingContext {
public:
    enum class Opacity { Transparent, Opaque };

    DrawingContext(Size size, Opacity opacity, double scale);
    ~DrawingContext();
    DrawingContext(const DrawingContext&) = delete;
    DrawingContext& operator=(const DrawingContext&) = delete;

    bool isValid() const { return m_cairo != nullptr; }
    cairo_t* cairo() const { return m_cairo; } // user space in points, origin top-left
    Size size() const { return m_size; }
    double scale() const { return m_scale; }

    void fill(const Rect& rect, const Color& color);
    // Draws the whole image scaled into rect, at the given opacity.
    void drawImage(const Image& image, const Rect& rect, double alpha = 1.0);
    // The pixels drawn so far, as an image at this context's scale.
    Image takeImage() const;

private:
    Size m_size;
    double m_scale { 1 };
    Opacity m_opacity { Opacity::Transparent };
    cairo_surface_t* m_surface { nullptr };
    cairo_t* m_cairo { nullptr };
};

// Saves and restores the cairo state around a block.
class CairoStateSaver {
public:
    explicit CairoStateSaver(cairo_t* cr);
    ~CairoStateSaver();
    CairoStateSaver(const CairoStateSaver&) = delete;
    CairoStateSaver& operator=(const CairoStateSaver&) = delete;

private:
    cairo_t* m_cairo;
};

}
