#pragma once

// The one text-layout context of the program and the lock around it, shared by the text renderer
// and the editable text view. Only sources of the platform include this header.

#include <platform/graphics/TextRenderer.h>

#include <memory>
#include <mutex>
#include <pango/pangocairo.h>

namespace vd {

// Pango's context and layouts are not thread-safe and a view may be drawn into a snapshot on a
// worker thread: every use of either goes through this lock.
std::recursive_mutex& textLayoutMutex();

// A context whose metrics do not depend on the drawing scale, so one layout serves every scale
// and text measures the same on screen and in a snapshot.
PangoContext* textLayoutContext();

struct PangoLayoutDeleter {
    void operator()(PangoLayout* layout) const
    {
        if (layout)
            g_object_unref(layout);
    }
};
using PangoLayoutPtr = std::unique_ptr<PangoLayout, PangoLayoutDeleter>;

// The text set in the style's font, size and alignment, wrapped at word boundaries within width
// (width <= 0: unlimited) and cut with an ellipsis after the style's number of lines (0: none).
// Call with textLayoutMutex() held.
PangoLayoutPtr makeTextLayout(const std::string& text, const TextStyle& style, double width);

}
