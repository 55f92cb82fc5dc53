#pragma once

#include <platform/graphics/Color.h>
#include <platform/graphics/Geometry.h>
#include <platform/graphics/Image.h>
#include <platform/graphics/Path.h>
#include <platform/graphics/TextRenderer.h>

#include <span>
#include <vector>

namespace vd {

enum class LineJoin { Miter, Round, Bevel };
enum class LineCap { Butt, Round, Square };

// How an outline is stroked: width in points, joins, caps and an optional dash pattern
// (alternating painted and unpainted lengths; an unusable pattern strokes solid).
struct StrokeStyle {
    double width { 1 };
    LineJoin join { LineJoin::Miter };
    LineCap cap { LineCap::Butt };
    std::vector<double> dashes;
};

struct GradientStop {
    double offset { 0 }; // 0 at the start of the gradient, 1 at its end
    Color color;
};

// What views, snapshots and generated pictures draw with: a current transform (user space in
// points), a clip and a stack of saved states. Painters are made by a DrawingContext, the window
// and the renderer; a view receives one in draw() with its own coordinates already set.
class Painter {
public:
    ~Painter() = default;
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;
    Painter(Painter&&) = default;

    // The transform and clip; prefer PainterStateSaver to calling these in pairs.
    void save();
    void restore();

    void translate(double dx, double dy);
    void scale(double sx, double sy);
    void rotate(double radians); // clockwise on screen
    void concatenate(const AffineTransform& transform); // applied before the current transform
    double pixelsPerPoint() const; // how many device pixels a point of user space covers

    void clip(const Rect& rect);
    void clip(const Path& path);

    void fill(const Color& color); // the whole clip
    void fillRect(const Rect& rect, const Color& color);
    void fillPath(const Path& path, const Color& color);
    void fillPath(const Path& path, Point from, Point to, std::span<const GradientStop> stops); // linear gradient
    void fillPath(const Path& path, Point center0, double radius0, Point center1, double radius1, std::span<const GradientStop> stops); // radial gradient
    void strokePath(const Path& path, const Color& color, const StrokeStyle& style = {});
    void strokeLine(Point from, Point to, const Color& color, double width = 1);

    // The whole image scaled into rect at the given opacity, smoothed, edges not bleeding in.
    void drawImage(const Image& image, const Rect& rect, double alpha = 1.0);
    // How drawImage resamples: Good weighs every source pixel a result pixel covers; Quick
    // interpolates between the nearest four, a fraction of the cost, for frames that are only
    // seen for a moment (a size still changing).
    enum class ImageFilter { Good, Quick };
    void setImageFilter(ImageFilter filter) { m_imageFilter = filter; }
    // As drawImage, but a template image paints its alpha in tint (the image view's rule).
    void drawImage(const Image& image, const Rect& rect, const Color& tint);

    // Text set in rect as drawText() of the text renderer does.
    void drawText(const std::string& text, const TextStyle& style, const Rect& rect, VerticalAlignment vertical = VerticalAlignment::Center);

    // Everything drawn between begin and end is composited at once with the given opacity, so
    // overlapping parts fade together.
    void beginTransparencyLayer();
    void endTransparencyLayer(double alpha);

private:
    friend class PainterAccess;
    struct Native; // the drawing library's context, known only to platform sources
    explicit Painter(Native* native)
        : m_native(native)
    {
    }
    Native* m_native { nullptr };
    ImageFilter m_imageFilter { ImageFilter::Good };
};

// Saves the painter's state on construction and restores it on destruction.
class PainterStateSaver {
public:
    explicit PainterStateSaver(Painter& painter)
        : m_painter(painter)
    {
        m_painter.save();
    }
    ~PainterStateSaver() { m_painter.restore(); }
    PainterStateSaver(const PainterStateSaver&) = delete;
    PainterStateSaver& operator=(const PainterStateSaver&) = delete;

private:
    Painter& m_painter;
};

}
