#pragma once

#include <platform/graphics/Color.h>
#include <platform/graphics/Geometry.h>
#include <platform/graphics/Painter.h>
#include <platform/graphics/Path.h>

#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class View;

// A keyed property animation on a layer (the endless turn of a decoration). Key paths understood:
// "transform.rotation.z" (also "transform.rotation"), "transform.scale", "opacity".
struct BasicAnimation {
    std::string keyPath;
    std::optional<double> fromValue; // absent: the model value when added
    double toValue { 0 };
    double duration { 0.25 };                // seconds a repetition
    float repeatCount { 1 };                 // repetitions; infinity repeats for ever
    bool cumulative { false };               // each repetition continues from where the last ended
    bool autoreverses { false };
    double beginTime { 0 };                  // set when added: the run loop's time

    static constexpr float kForever = std::numeric_limits<float>::infinity();

    bool isFinished(double now) const;
    double valueAt(double now, double modelFrom) const; // the animated value at a time
};

// A stroked (and optionally filled) outline drawn above its view's content and subviews, in the
// view's coordinates offset by its frame origin.
class ShapeLayer {
public:
    void setPath(Path path);
    const Path& path() const { return m_path; }
    void setStrokeColor(std::optional<Color> color); // absent: no stroke
    const std::optional<Color>& strokeColor() const { return m_strokeColor; }
    void setFillColor(std::optional<Color> color);   // absent: no fill (the default is black: a new shape shows)
    const std::optional<Color>& fillColor() const { return m_fillColor; }
    void setLineWidth(double width);
    double lineWidth() const { return m_lineWidth; }
    void setLineJoin(LineJoin join);
    LineJoin lineJoin() const { return m_lineJoin; }
    void setLineCap(LineCap cap);
    LineCap lineCap() const { return m_lineCap; }
    void setLineDashPattern(std::vector<double> pattern); // alternating painted and unpainted lengths
    const std::vector<double>& lineDashPattern() const { return m_dashPattern; }
    void setHidden(bool hidden);
    bool isHidden() const { return m_hidden; }
    void setFrame(const Rect& frame);
    const Rect& frame() const { return m_frame; }
    void setName(std::string name) { m_name = std::move(name); }
    const std::string& name() const { return m_name; }

    void removeFromSuperlayer();
    void draw(Painter& painter) const; // in the owning view's coordinates

private:
    friend class Layer;
    void changed();

    Path m_path;
    std::optional<Color> m_strokeColor;
    std::optional<Color> m_fillColor { Color::black() };
    double m_lineWidth { 1 };
    LineJoin m_lineJoin { LineJoin::Miter };
    LineCap m_lineCap { LineCap::Butt };
    std::vector<double> m_dashPattern;
    bool m_hidden { false };
    Rect m_frame;
    std::string m_name;
    View* m_owner { nullptr };
};

// The drawing attributes of a view kept apart from its geometry: border, corners, shadow,
// keyed animations and shape sublayers. Owned by its view.
class Layer {
public:
    explicit Layer(View& view)
        : m_view(view)
    {
    }
    ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    void setBorderColor(const Color& color);
    Color borderColor() const { return m_borderColor; }
    void setBorderWidth(double width);
    double borderWidth() const { return m_borderWidth; }
    void setCornerRadius(double radius);
    double cornerRadius() const { return m_cornerRadius; }
    void setMasksToBounds(bool masks); // the view's clipsToBounds
    bool masksToBounds() const;

    void setShadowColor(const Color& color);
    Color shadowColor() const { return m_shadowColor; }
    void setShadowOffset(Size offset);
    Size shadowOffset() const { return m_shadowOffset; }
    void setShadowOpacity(double opacity);
    double shadowOpacity() const { return m_shadowOpacity; }
    void setShadowRadius(double radius);
    double shadowRadius() const { return m_shadowRadius; }

    // Keyed animations: adding under a key replaces what was there; beginTime becomes now.
    void addAnimation(BasicAnimation animation, const std::string& key);
    void removeAnimationForKey(const std::string& key);
    void removeAllAnimations();
    const BasicAnimation* animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;
    bool hasAnimations() const { return !m_animations.empty(); }
    void pruneFinishedAnimations(double now); // finished animations are removed, so the model value shows again

    // Presentation adjustments of the keyed animations at a time.
    double presentationRotation(double now, double modelRotation) const; // nothing animated: modelRotation
    double presentationScale(double now) const;
    double presentationOpacity(double now, double modelOpacity) const;

    void addSublayer(std::shared_ptr<ShapeLayer> layer);
    const std::vector<std::shared_ptr<ShapeLayer>>& sublayers() const { return m_sublayers; }

    View& view() const { return m_view; }

private:
    friend class ShapeLayer;
    void removeSublayer(const ShapeLayer* layer);

    View& m_view;
    Color m_borderColor { Color::black() };
    double m_borderWidth { 0 };
    double m_cornerRadius { 0 };
    Color m_shadowColor { Color::black() };
    Size m_shadowOffset { 0, -3 };
    double m_shadowOpacity { 0 };
    double m_shadowRadius { 3 };
    std::map<std::string, BasicAnimation> m_animations;
    std::vector<std::shared_ptr<ShapeLayer>> m_sublayers;
};

}
