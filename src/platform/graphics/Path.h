#pragma once

#include <platform/graphics/Geometry.h>

#include <vector>

typedef struct _cairo cairo_t;

namespace vd {

// A vector outline in points, as the toolkit's bezier path: lines, cubic curves and closed
// sub-paths. Cheap to copy.
class Path {
public:
    void moveTo(Point p);
    void lineTo(Point p);
    void curveTo(Point control1, Point control2, Point end);
    void close();
    void addRect(const Rect& rect);
    void addEllipseInRect(const Rect& rect);
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise); // screen clockwise

    bool isEmpty() const { return m_elements.empty(); }
    Rect boundingBox() const; // of the points, control points included
    void addToCairo(cairo_t* cr) const; // appends the outline to cairo's current path

private:
    enum class Kind { Move, Line, Curve, Close };
    struct Element {
        Kind kind;
        Point points[3];
    };
    std::vector<Element> m_elements;
};

}
