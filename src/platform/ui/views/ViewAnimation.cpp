#include <platform/ui/views/View.h>

#include <platform/foundation/RunLoop.h>
#include <platform/ui/window/Window.h>

#include <cmath>
#include <numbers>

namespace vd {

namespace {

struct AnimationContext {
    double duration { 0 };
    double delay { 0 };
    AnimationOptions options;
    bool enabled { true };
};

// The animate() blocks being run, innermost last.
std::vector<AnimationContext>& contexts()
{
    static std::vector<AnimationContext> stack;
    return stack;
}

double ease(AnimationCurve curve, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    switch (curve) {
    case AnimationCurve::Linear:
        return t;
    case AnimationCurve::EaseIn:
        return t * t;
    case AnimationCurve::EaseOut:
        return t * (2 - t);
    case AnimationCurve::EaseInOut:
        return t * t * (3 - 2 * t);
    }
    return t;
}

// Transforms are interpolated as translation, rotation and scale, the way rotations look right.
void decompose(const double* m, double* out)
{
    const double sx = std::hypot(m[0], m[1]);
    const double angle = std::atan2(m[1], m[0]);
    const double det = m[0] * m[3] - m[1] * m[2];
    const double sy = sx != 0 ? det / sx : std::hypot(m[2], m[3]);
    out[0] = m[4];
    out[1] = m[5];
    out[2] = angle;
    out[3] = sx;
    out[4] = sy;
}

AffineTransform recompose(const double* p)
{
    return AffineTransform::scale(p[3], p[4]).concat(AffineTransform::rotation(p[2])).concat(AffineTransform::translation(p[0], p[1]));
}

}

void View::animate(double duration, double delay, AnimationOptions options, const std::function<void()>& changes, std::function<void(bool)> completion)
{
    contexts().push_back({ std::max(0.0, duration), std::max(0.0, delay), options, true });
    if (changes)
        changes();
    contexts().pop_back();
    if (completion) {
        // Completion runs once, on a later turn of the run loop, when the animation ends.
        const double total = std::max(0.0, duration) + std::max(0.0, delay);
        if (total > 0)
            RunLoop::main().postAfter(total, [completion = std::move(completion)] { completion(true); });
        else
            RunLoop::main().post([completion = std::move(completion)] { completion(true); });
    }
}

void View::animate(double duration, const std::function<void()>& changes, std::function<void(bool)> completion)
{
    animate(duration, 0, {}, changes, std::move(completion));
}

void View::performWithoutAnimation(const std::function<void()>& changes)
{
    contexts().push_back({ 0, 0, {}, false });
    if (changes)
        changes();
    contexts().pop_back();
}

void View::animateProperty(Property property, const double* from, const double* to, int count)
{
    if (contexts().empty() || !contexts().back().enabled || contexts().back().duration <= 0) {
        // A change outside an animation replaces any animation of that property.
        std::erase_if(m_animations, [&](const PropertyAnimation& a) { return a.property == property; });
        return;
    }
    const AnimationContext& context = contexts().back();
    bool same = true;
    for (int i = 0; i < count; ++i)
        same = same && from[i] == to[i];
    std::erase_if(m_animations, [&](const PropertyAnimation& a) { return a.property == property; });
    if (same)
        return;
    PropertyAnimation animation;
    animation.property = property;
    if (property == Property::Transform) {
        decompose(from, animation.from);
        decompose(to, animation.to);
        // Turn the short way round.
        double delta = animation.to[2] - animation.from[2];
        while (delta > std::numbers::pi)
            delta -= 2 * std::numbers::pi;
        while (delta < -std::numbers::pi)
            delta += 2 * std::numbers::pi;
        animation.to[2] = animation.from[2] + delta;
    } else {
        for (int i = 0; i < count; ++i) {
            animation.from[i] = from[i];
            animation.to[i] = to[i];
        }
    }
    animation.start = RunLoop::main().now() + context.delay;
    animation.duration = context.duration;
    animation.curve = context.options.curve;
    m_animations.push_back(animation);
    if (auto* w = window())
        w->invalidateRect({});
}

bool View::presentationValue(Property property, double* out, int count) const
{
    for (const auto& animation : m_animations) {
        if (animation.property != property)
            continue;
        const double now = RunLoop::main().now();
        const double progress = ease(animation.curve, animation.duration > 0 ? (now - animation.start) / animation.duration : 1.0);
        const int n = property == Property::Transform ? 5 : count;
        double values[6] {};
        for (int i = 0; i < n; ++i)
            values[i] = animation.from[i] + (animation.to[i] - animation.from[i]) * progress;
        if (property == Property::Transform) {
            const AffineTransform t = recompose(values);
            const double m[6] = { t.a, t.b, t.c, t.d, t.tx, t.ty };
            for (int i = 0; i < 6; ++i)
                out[i] = m[i];
        } else {
            for (int i = 0; i < count; ++i)
                out[i] = values[i];
        }
        return true;
    }
    return false;
}

Point View::presentationCenter() const
{
    double v[2];
    return presentationValue(Property::Center, v, 2) ? Point { v[0], v[1] } : m_center;
}

Rect View::presentationBounds() const
{
    double v[4];
    return presentationValue(Property::Bounds, v, 4) ? Rect { v[0], v[1], v[2], v[3] } : m_bounds;
}

AffineTransform View::presentationTransform() const
{
    double v[6];
    AffineTransform t = presentationValue(Property::Transform, v, 6) ? AffineTransform { v[0], v[1], v[2], v[3], v[4], v[5] } : m_transform;
    if (m_layer.hasAnimations()) {
        const double now = RunLoop::main().now();
        const double modelRotation = t.angle();
        const double rotation = m_layer.presentationRotation(now, modelRotation);
        if (rotation != modelRotation)
            t = AffineTransform::rotation(rotation - modelRotation).concat(t);
        const double scale = m_layer.presentationScale(now);
        if (scale != 1.0)
            t = AffineTransform::scale(scale, scale).concat(t);
    }
    return t;
}

double View::presentationAlpha() const
{
    double v[1];
    const double alpha = presentationValue(Property::Alpha, v, 1) ? v[0] : m_alpha;
    return m_layer.hasAnimations() ? m_layer.presentationOpacity(RunLoop::main().now(), alpha) : alpha;
}

std::optional<Color> View::presentationBackgroundColor() const
{
    double v[4];
    if (presentationValue(Property::BackgroundColor, v, 4))
        return Color { v[0], v[1], v[2], v[3] };
    return m_backgroundColor;
}

void View::pruneFinishedAnimations(double now)
{
    std::erase_if(m_animations, [now](const PropertyAnimation& a) { return now >= a.start + a.duration; });
    m_layer.pruneFinishedAnimations(now);
}

bool View::hasRunningAnimations() const
{
    return !m_animations.empty() || m_layer.hasAnimations();
}

void View::removeAllAnimations()
{
    if (hasRunningAnimations())
        invalidateVisualArea();
    m_animations.clear();
    m_layer.removeAllAnimations();
}

}
