#pragma once

#include <algorithm>
#include <cmath>

namespace vd {

// Points are double precision throughout; rotations are radians.
struct Point {
    double x { 0 };
    double y { 0 };
    friend bool operator==(const Point&, const Point&) = default;
    Point operator+(Point o) const { return { x + o.x, y + o.y }; }
    Point operator-(Point o) const { return { x - o.x, y - o.y }; }
    Point operator*(double s) const { return { x * s, y * s }; }
};

struct Size {
    double width { 0 };
    double height { 0 };
    friend bool operator==(const Size&, const Size&) = default;
    bool isEmpty() const { return width <= 0 || height <= 0; }
};

struct EdgeInsets {
    double top { 0 };
    double left { 0 };
    double bottom { 0 };
    double right { 0 };
    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(Point o, Size s)
        : origin(o)
        , size(s)
    {
    }
    Rect(double x, double y, double w, double h)
        : origin { x, y }
        , size { w, h }
    {
    }
    friend bool operator==(const Rect&, const Rect&) = default;

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    double minX() const { return std::min(origin.x, origin.x + size.width); }
    double minY() const { return std::min(origin.y, origin.y + size.height); }
    double maxX() const { return std::max(origin.x, origin.x + size.width); }
    double maxY() const { return std::max(origin.y, origin.y + size.height); }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    Point center() const { return { midX(), midY() }; }
    bool isEmpty() const { return size.isEmpty(); }
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    Rect insetBy(double dx, double dy) const { return { origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy }; }
    Rect inset(EdgeInsets e) const { return { origin.x + e.left, origin.y + e.top, size.width - e.left - e.right, size.height - e.top - e.bottom }; }
    Rect offsetBy(double dx, double dy) const { return { origin.x + dx, origin.y + dy, size.width, size.height }; }
    bool intersects(const Rect& o) const { return minX() < o.maxX() && o.minX() < maxX() && minY() < o.maxY() && o.minY() < maxY(); }
    Rect unionWith(const Rect& o) const
    {
        if (isEmpty())
            return o;
        if (o.isEmpty())
            return *this;
        const double x0 = std::min(minX(), o.minX()), y0 = std::min(minY(), o.minY());
        return { x0, y0, std::max(maxX(), o.maxX()) - x0, std::max(maxY(), o.maxY()) - y0 };
    }
};

// The affine transform [a b 0; c d 0; tx ty 1], applied to row vectors: x' = a x + c y + tx.
struct AffineTransform {
    double a { 1 };
    double b { 0 };
    double c { 0 };
    double d { 1 };
    double tx { 0 };
    double ty { 0 };
    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;

    static AffineTransform identity() { return {}; }
    static AffineTransform rotation(double radians)
    {
        const double cs = std::cos(radians), sn = std::sin(radians);
        return { cs, sn, -sn, cs, 0, 0 };
    }
    static AffineTransform scale(double sx, double sy) { return { sx, 0, 0, sy, 0, 0 }; }
    static AffineTransform translation(double x, double y) { return { 1, 0, 0, 1, x, y }; }

    bool isIdentity() const { return *this == AffineTransform {}; }
    // this followed by other
    AffineTransform concat(const AffineTransform& o) const
    {
        return { a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c, c * o.b + d * o.d, tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty };
    }
    // Rotation applied before this transform (the order the screens compose a sticker's turn in).
    AffineTransform rotated(double radians) const { return rotation(radians).concat(*this); }
    AffineTransform scaled(double sx, double sy) const { return scale(sx, sy).concat(*this); }
    AffineTransform translated(double x, double y) const { return translation(x, y).concat(*this); }
    AffineTransform inverted() const
    {
        const double det = a * d - b * c;
        if (det == 0)
            return *this;
        return { d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det };
    }
    Point apply(Point p) const { return { a * p.x + c * p.y + tx, b * p.x + d * p.y + ty }; }
    Rect apply(const Rect& r) const
    {
        const Point p[4] = { apply(Point { r.minX(), r.minY() }), apply(Point { r.maxX(), r.minY() }), apply(Point { r.minX(), r.maxY() }), apply(Point { r.maxX(), r.maxY() }) };
        double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
        for (const auto& q : p) {
            x0 = std::min(x0, q.x);
            x1 = std::max(x1, q.x);
            y0 = std::min(y0, q.y);
            y1 = std::max(y1, q.y);
        }
        return { x0, y0, x1 - x0, y1 - y0 };
    }
    double angle() const { return std::atan2(b, a); } // the rotation a layer records
};

}
