#include <platform/graphics/Path.h>

#include <cairo.h>
#include <cmath>
#include <numbers>

namespace vd {

void Path::moveTo(Point p) { m_elements.push_back({ Kind::Move, { p } }); }
void Path::lineTo(Point p) { m_elements.push_back({ Kind::Line, { p } }); }
void Path::curveTo(Point control1, Point control2, Point end) { m_elements.push_back({ Kind::Curve, { control1, control2, end } }); }
void Path::close() { m_elements.push_back({ Kind::Close, {} }); }

void Path::addRect(const Rect& rect)
{
    moveTo({ rect.minX(), rect.minY() });
    lineTo({ rect.maxX(), rect.minY() });
    lineTo({ rect.maxX(), rect.maxY() });
    lineTo({ rect.minX(), rect.maxY() });
    close();
}

void Path::addEllipseInRect(const Rect& rect)
{
    // Four cubic quarter arcs, the usual 0.5523 control distance.
    constexpr double k = 0.5522847498;
    const double cx = rect.midX(), cy = rect.midY(), rx = rect.width() / 2, ry = rect.height() / 2;
    moveTo({ cx + rx, cy });
    curveTo({ cx + rx, cy + k * ry }, { cx + k * rx, cy + ry }, { cx, cy + ry });
    curveTo({ cx - k * rx, cy + ry }, { cx - rx, cy + k * ry }, { cx - rx, cy });
    curveTo({ cx - rx, cy - k * ry }, { cx - k * rx, cy - ry }, { cx, cy - ry });
    curveTo({ cx + k * rx, cy - ry }, { cx + rx, cy - k * ry }, { cx + rx, cy });
    close();
}

void Path::addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise)
{
    // Split into pieces of at most a quarter turn, each a cubic curve.
    double sweep = endAngle - startAngle;
    if (clockwise) {
        while (sweep < 0)
            sweep += 2 * std::numbers::pi;
    } else {
        while (sweep > 0)
            sweep -= 2 * std::numbers::pi;
    }
    const Point start { center.x + radius * std::cos(startAngle), center.y + radius * std::sin(startAngle) };
    if (m_elements.empty() || m_elements.back().kind == Kind::Close)
        moveTo(start);
    else
        lineTo(start);
    const int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / (std::numbers::pi / 2) - 1e-9)));
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double a = startAngle;
    for (int i = 0; i < pieces; ++i) {
        const double b = a + step;
        const Point p0 { center.x + radius * std::cos(a), center.y + radius * std::sin(a) };
        const Point p3 { center.x + radius * std::cos(b), center.y + radius * std::sin(b) };
        const Point c1 { p0.x - k * radius * std::sin(a), p0.y + k * radius * std::cos(a) };
        const Point c2 { p3.x + k * radius * std::sin(b), p3.y - k * radius * std::cos(b) };
        curveTo(c1, c2, p3);
        a = b;
    }
}

Rect Path::boundingBox() const
{
    bool first = true;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (const auto& element : m_elements) {
        const int count = element.kind == Kind::Curve ? 3 : element.kind == Kind::Close ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            const Point p = element.points[i];
            if (first) {
                x0 = x1 = p.x;
                y0 = y1 = p.y;
                first = false;
            }
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
    }
    return { x0, y0, x1 - x0, y1 - y0 };
}

void Path::addToCairo(cairo_t* cr) const
{
    for (const auto& element : m_elements) {
        switch (element.kind) {
        case Kind::Move:
            cairo_move_to(cr, element.points[0].x, element.points[0].y);
            break;
        case Kind::Line:
            cairo_line_to(cr, element.points[0].x, element.points[0].y);
            break;
        case Kind::Curve:
            cairo_curve_to(cr, element.points[0].x, element.points[0].y, element.points[1].x, element.points[1].y, element.points[2].x, element.points[2].y);
            break;
        case Kind::Close:
            cairo_close_path(cr);
            break;
        }
    }
}

}
