#pragma once

#include <platform/graphics/CairoPainter.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/Geometry.h>

#include <cstdint>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

namespace vd::tools {

// The length of the current path of cr, in user units (curves flattened).
double pathLength(cairo_t* cr);

// Dashes of about `on` and `off` units, stretched so that a whole number of them runs around the
// current path and no short dash appears where a closed outline meets itself. With repeats > 1 the
// count is a multiple of it, so an outline of that many equal sides gets the same dashes on each.
// The path's first point falls in the middle of a dash, or in the middle of a gap.
enum class DashStart { MidDash, MidGap };
void setFittedDash(cairo_t* cr, double on, double off, int repeats = 1, DashStart start = DashStart::MidDash);

// A closed polygon through the points with every corner rounded by radius.
void roundedPolygonPath(cairo_t* cr, const std::vector<Point>& points, double radius);

// The outline of one glyph of the named font family, scaled so that its inked box fits box
// (keeping proportions) and centred in it. False when the font has no such glyph.
bool glyphPath(cairo_t* cr, const std::string& family, std::uint32_t codepoint, const Rect& box);

// A line of text with its top-left corner at origin, in the given Pango font description.
void drawText(cairo_t* cr, const std::string& text, const std::string& font, Point origin, const Color& color, double maxWidth = 0);

}
