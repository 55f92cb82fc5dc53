#include <resources/Canvas.h>
#include <resources/Resources.h>

#include <cairo.h>

#include <cmath>
#include <functional>

namespace vd::tools {

namespace {

// Every shape is drawn on a 200-point square and reaches within kMargin of its edges.
constexpr double kSide = 200;
constexpr double kMargin = 6;
constexpr double kCentre = kSide / 2;

// The outline styles shared by every shape. Outlines are stroked inside the shape, so an outlined
// shape covers exactly the area of its filled twin.
constexpr double kThin = 4;
constexpr double kBold = 13;
constexpr double kDashedWidth = 7;
constexpr double kDashOn = 15;
constexpr double kDashOff = 9;

enum class Style { Filled, Thin, Bold, Dashed };

std::vector<Point> regularPolygon(int corners, double radius, Point centre, double firstAngle)
{
    std::vector<Point> points;
    for (int i = 0; i < corners; ++i) {
        const double angle = firstAngle + 2 * M_PI * i / corners;
        points.push_back({ centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle) });
    }
    return points;
}

std::vector<Point> starPoints(int tips, double outer, double inner, Point centre)
{
    std::vector<Point> points;
    for (int i = 0; i < tips * 2; ++i) {
        const double angle = -M_PI / 2 + M_PI * i / tips;
        const double radius = i % 2 == 0 ? outer : inner;
        points.push_back({ centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle) });
    }
    return points;
}

void polygonPath(cairo_t* cr, const std::vector<Point>& points)
{
    for (const auto& point : points)
        cairo_line_to(cr, point.x, point.y);
    cairo_close_path(cr);
}

using PathMaker = std::function<void(cairo_t*)>;

void ellipsePath(cairo_t* cr, double cx, double cy, double rx, double ry)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    // Starting at the top puts the first dash (and any seam) at the top of the outline.
    cairo_arc(cr, 0, 0, 1, -M_PI / 2, 3 * M_PI / 2);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void roundedRectanglePath(cairo_t* cr, const Rect& rect, double radius)
{
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void rectanglePath(cairo_t* cr, const Rect& rect)
{
    // From the top middle, so dashes sit symmetrically on the outline.
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    cairo_move_to(cr, x + w / 2, y);
    cairo_line_to(cr, x + w, y);
    cairo_line_to(cr, x + w, y + h);
    cairo_line_to(cr, x, y + h);
    cairo_line_to(cr, x, y);
    cairo_close_path(cr);
}

void triangleCorners(std::vector<Point>& points)
{
    const double width = kSide - 2 * kMargin;
    const double height = width * std::sqrt(3.0) / 2;
    const double top = (kSide - height) / 2;
    points = { { kCentre, top }, { kSide - kMargin, top + height }, { kMargin, top + height } };
}

// A heater shield: straight top, straight sides, curving in to a point at the bottom.
void shieldPath(cairo_t* cr)
{
    const double left = 22, right = kSide - 22, top = kMargin + 2, bottom = kSide - kMargin;
    cairo_move_to(cr, kCentre, top);
    cairo_line_to(cr, right, top);
    cairo_line_to(cr, right, 90);
    cairo_curve_to(cr, right, 144, 146, 176, kCentre, bottom);
    cairo_curve_to(cr, 54, 176, left, 144, left, 90);
    cairo_line_to(cr, left, top);
    cairo_close_path(cr);
}

PathMaker outlineOf(const std::string& base)
{
    if (base == "c")
        return [](cairo_t* cr) { ellipsePath(cr, kCentre, kCentre, kCentre - kMargin, kCentre - kMargin); };
    if (base == "c1")
        return [](cairo_t* cr) {
            ellipsePath(cr, kCentre, kCentre, kCentre - kMargin, kCentre - kMargin);
            ellipsePath(cr, kCentre, kCentre, 52, 52);
        };
    if (base == "q")
        return [](cairo_t* cr) { rectanglePath(cr, Rect { kMargin, kMargin, kSide - 2 * kMargin, kSide - 2 * kMargin }); };
    if (base == "i")
        return shieldPath;
    if (base == "r")
        return [](cairo_t* cr) { rectanglePath(cr, Rect { kMargin, 40, kSide - 2 * kMargin, 120 }); };
    if (base == "rc")
        return [](cairo_t* cr) { roundedRectanglePath(cr, Rect { kMargin, 40, kSide - 2 * kMargin, 120 }, 30); };
    if (base == "t")
        return [](cairo_t* cr) {
            std::vector<Point> corners;
            triangleCorners(corners);
            polygonPath(cr, corners);
        };
    if (base == "tc")
        return [](cairo_t* cr) {
            // Rounding the corners pulls the outline in, so the triangle is made larger to reach as far.
            std::vector<Point> corners;
            triangleCorners(corners);
            const double radius = 22;
            const double grow = radius * (1 / std::sin(M_PI / 6) - 1);
            Point centroid { kCentre, (corners[0].y + corners[1].y + corners[2].y) / 3 };
            for (auto& corner : corners) {
                const double dx = corner.x - centroid.x, dy = corner.y - centroid.y, d = std::hypot(dx, dy);
                corner = { corner.x + dx / d * grow * 0.85, corner.y + dy / d * grow * 0.85 };
            }
            roundedPolygonPath(cr, corners, radius);
        };
    if (base == "s")
        return [](cairo_t* cr) {
            const double outer = 100;
            polygonPath(cr, starPoints(5, outer, outer * 0.45, { kCentre, kCentre + outer * (1 - std::cos(M_PI / 5)) / 2 }));
        };
    if (base == "s1")
        return [](cairo_t* cr) { polygonPath(cr, starPoints(16, kCentre - kMargin, (kCentre - kMargin) * 0.8, { kCentre, kCentre })); };
    if (base == "p")
        return [](cairo_t* cr) {
            const double radius = kCentre - kMargin;
            polygonPath(cr, regularPolygon(6, radius, { kCentre, kCentre }, -M_PI / 2));
        };
    if (base == "e")
        return [](cairo_t* cr) { ellipsePath(cr, kCentre, kCentre, kCentre - kMargin, 62); };
    return {};
}

// Outlines made of equal sides get the same dashes on every side.
int equalSides(const std::string& base)
{
    if (base == "q")
        return 4;
    if (base == "t" || base == "tc")
        return 3;
    if (base == "s")
        return 10;
    if (base == "s1")
        return 32;
    if (base == "p")
        return 6;
    return 1;
}

void drawLine(cairo_t* cr, Style style)
{
    const double thickness[] = { 16, kThin * 1.5, 34, 16 };
    const double width = thickness[static_cast<int>(style)];
    cairo_set_line_width(cr, width);
    if (style == Style::Dashed) {
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        // Round caps stick out by half the width, so the dashes' path stops short by as much.
        cairo_move_to(cr, kMargin + width / 2, kCentre);
        cairo_line_to(cr, kSide - kMargin - width / 2, kCentre);
        const double length = kSide - 2 * kMargin - width;
        const int dashes = 6;
        const double gap = 12 + width; // the visible gap between rounded dashes is 12 points
        // Dash, gap, ..., dash: the last dash ends exactly at the far end.
        const double on = (length - (dashes - 1) * gap) / dashes;
        const double pattern[] = { on, gap };
        cairo_set_dash(cr, pattern, 2, 0);
        cairo_stroke(cr);
        return;
    }
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_move_to(cr, kMargin, kCentre);
    cairo_line_to(cr, kSide - kMargin, kCentre);
    cairo_stroke(cr);
}

void drawShape(cairo_t* cr, const PathMaker& outline, Style style, int sides)
{
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, 20);
    outline(cr);
    if (style == Style::Filled) {
        cairo_fill(cr);
        return;
    }
    cairo_clip_preserve(cr);
    const double widths[] = { 0, kThin, kBold, kDashedWidth };
    cairo_set_line_width(cr, 2 * widths[static_cast<int>(style)]);
    if (style == Style::Dashed) {
        // Each closed outline of the shape gets its own whole number of dashes.
        cairo_path_t* path = cairo_copy_path(cr);
        cairo_new_path(cr);
        // Split the path at its move-tos and stroke each sub-path with its own fitted dashes.
        int start = 0;
        auto strokeRange = [&](int from, int to) {
            if (from >= to)
                return;
            cairo_path_t part { CAIRO_STATUS_SUCCESS, path->data + from, to - from };
            cairo_append_path(cr, &part);
            // The burst's sides are shorter than a dash: each spike becomes one dash, gaps at the valleys.
            // The star's tips are too sharp to carry a dash, so gaps sit on its corners.
            if (sides == 32)
                setFittedDash(cr, 32, 18, 16);
            else if (sides == 10)
                setFittedDash(cr, kDashOn, kDashOff, 10, DashStart::MidGap);
            else
                setFittedDash(cr, kDashOn, kDashOff, sides);
            cairo_stroke(cr);
        };
        for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
            if (path->data[i].header.type == CAIRO_PATH_MOVE_TO && i > start) {
                strokeRange(start, i);
                start = i;
            }
        }
        strokeRange(start, path->num_data);
        cairo_path_destroy(path);
        return;
    }
    cairo_stroke(cr);
}

}

std::vector<Picture> makeShapes()
{
    // The bases and suffixes in the order the logo store lists them.
    const char* bases[] = { "l", "c", "c1", "q", "i", "r", "rc", "t", "tc", "s", "s1", "p", "e" };
    const std::pair<const char*, Style> styles[] = { { "", Style::Filled }, { "s", Style::Thin }, { "b", Style::Bold }, { "p", Style::Dashed } };
    std::vector<Picture> shapes;
    for (const char* base : bases) {
        for (const auto& [suffix, style] : styles) {
            DrawingContext context({ kSide, kSide }, DrawingContext::Opacity::Transparent, kScale);
            cairo_t* cr = PainterAccess::cairo(context.painter());
            cairo_set_source_rgb(cr, kTemplateGrey, kTemplateGrey, kTemplateGrey);
            if (std::string(base) == "l")
                drawLine(cr, style);
            else
                drawShape(cr, outlineOf(base), style, equalSides(base));
            shapes.push_back({ std::string(base) + suffix, context.takeImage(), PictureKind::Shape });
        }
    }
    return shapes;
}

}
