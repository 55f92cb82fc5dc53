#pragma once

#include <SDL.h>
#include <cairo.h>
#include <memory>

namespace vd {

// The window's picture: the pixels the screen is drawn into, and the way they reach the display.
// Its content outlasts a frame, so a frame redraws only what changed; after adopt() it is
// undefined and must be drawn whole.
class WindowPixels {
public:
    // Memory shared with a local X server, kept and reused while the window changes size, or else
    // the window's own surface as SDL makes it for every size.
    static std::unique_ptr<WindowPixels> make(SDL_Window* window);
    virtual ~WindowPixels();

    // Makes the picture the window's current size in pixels; false (said on stderr) when it cannot.
    virtual bool adopt() = 0;
    // Shows an area of the picture in the window.
    virtual void show(const SDL_Rect& area) = 0;

    int width() const { return m_width; }
    int height() const { return m_height; }
    cairo_surface_t* surface() const { return m_surface; }

protected:
    // Draws into width × height pixels at `data`, rows `stride` bytes apart.
    bool wrap(unsigned char* data, int width, int height, int stride);

private:
    cairo_surface_t* m_surface { nullptr };
    int m_width { 0 };
    int m_height { 0 };
};

}
