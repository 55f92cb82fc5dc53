#pragma once

#include <platform/graphics/Geometry.h>

#include <vector>

namespace vd {

// A vector outline in points: lines, cubic curves and closed sub-paths, for shape layers,
// guides and anything a painter fills or strokes. Cheap to copy.
class Path {
public:
    void moveTo(Point p);
    void lineTo(Point p);
    void curveTo(Point control1, Point control2, Point end);
    void close();
    void addRect(const Rect& rect);
    void addEllipseInRect(const Rect& rect);
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise); // screen clockwise
    void addRoundedRect(const Rect& rect, double radius); // radius limited to half the shorter side
    void addCircle(Point center, double radius);

    bool isEmpty() const { return m_elements.empty(); }
    Rect boundingBox() const; // of the points, control points included

    enum class Kind { Move, Line, Curve, Close };
    // Calls visit(kind, points) for each element in order: one point for Move and Line, three
    // (two controls, then the end) for Curve, none for Close.
    template<typename Visitor>
    void forEachElement(Visitor&& visit) const
    {
        for (const auto& element : m_elements)
            visit(element.kind, element.points);
    }

private:
    struct Element {
        Kind kind;
        Point points[3];
    };
    std::vector<Element> m_elements;
};

}
