#include <platform/graphics/Path.h>

#include <algorithm>
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
    else if (const auto& last = m_elements.back(); !(last.kind == Kind::Move && std::hypot(last.points[0].x - start.x, last.points[0].y - start.y) < 1e-9))
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

void Path::addRoundedRect(const Rect& r, double radius)
{
    radius = std::min({ radius, r.width() / 2, r.height() / 2 });
    if (radius <= 0) {
        addRect(r);
        return;
    }
    constexpr double pi = std::numbers::pi;
    const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
    moveTo({ x1 - radius, y0 });
    addArc({ x1 - radius, y0 + radius }, radius, -pi / 2, 0, true);
    addArc({ x1 - radius, y1 - radius }, radius, 0, pi / 2, true);
    addArc({ x0 + radius, y1 - radius }, radius, pi / 2, pi, true);
    addArc({ x0 + radius, y0 + radius }, radius, pi, 3 * pi / 2, true);
    close();
}

void Path::addCircle(Point center, double radius)
{
    addEllipseInRect({ center.x - radius, center.y - radius, 2 * radius, 2 * radius });
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

}
