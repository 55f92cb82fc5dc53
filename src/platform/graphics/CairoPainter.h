#pragma once

// Between the painter and cairo. Only sources of the platform and of the hosts include this
// header; screens draw through Painter and never see cairo.

#include <platform/graphics/Painter.h>

#include <cairo.h>

namespace vd {

class PainterAccess {
public:
    static Painter wrap(cairo_t* cr) { return Painter(reinterpret_cast<Painter::Native*>(cr)); } // not owned
    static cairo_t* cairo(Painter& painter) { return reinterpret_cast<cairo_t*>(painter.m_native); }
};

// Saves and restores the cairo state around a block.
class CairoStateSaver {
public:
    explicit CairoStateSaver(cairo_t* cr)
        : m_cairo(cr)
    {
        cairo_save(m_cairo);
    }
    ~CairoStateSaver() { cairo_restore(m_cairo); }
    CairoStateSaver(const CairoStateSaver&) = delete;
    CairoStateSaver& operator=(const CairoStateSaver&) = delete;

private:
    cairo_t* m_cairo;
};

// A cairo surface reading the image's pixels (no copy), destroyed with the holder. Valid while
// the image (or a copy of it) lives.
class ImageSurface {
public:
    explicit ImageSurface(const Image& image);
    ~ImageSurface() { cairo_surface_destroy(m_surface); }
    ImageSurface(const ImageSurface&) = delete;
    ImageSurface& operator=(const ImageSurface&) = delete;
    cairo_surface_t* get() const { return m_surface; }

private:
    cairo_surface_t* m_surface;
};

void appendPath(cairo_t* cr, const Path& path); // adds the outline to cairo's current path

}
