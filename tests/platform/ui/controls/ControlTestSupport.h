#pragma once

#include <platform/graphics/DrawingContext.h>
#include <platform/ui/window/Window.h>

namespace vd::test {

// A finger that lands at from, moves in steps to to, and lifts (window points).
inline void drag(Window& window, Point from, Point to, int steps = 8)
{
    window.sendTouches(TouchPhase::Began, { { 1, from } });
    for (int i = 1; i <= steps; ++i)
        window.sendTouches(TouchPhase::Moved, { { 1, from + (to - from) * (static_cast<double>(i) / steps) } });
    window.sendTouches(TouchPhase::Ended, { { 1, to } });
}

inline void tap(Window& window, Point at)
{
    window.sendTouches(TouchPhase::Began, { { 1, at } });
    window.sendTouches(TouchPhase::Ended, { { 1, at } });
}

inline Point centerInWindow(const View& view)
{
    return view.convertPointToView(view.bounds().center(), nullptr);
}

inline Image renderWindow(Window& window, double scale = 1)
{
    window.prepareFrame();
    DrawingContext context(window.bounds().size, DrawingContext::Opacity::Transparent, scale);
    window.render(context.painter());
    return context.takeImage();
}

inline Rgba8 pixelAt(const Image& image, double x, double y)
{
    return unpremultiply(image.pixelAt(static_cast<int>(x * image.scale()), static_cast<int>(y * image.scale())));
}

}
