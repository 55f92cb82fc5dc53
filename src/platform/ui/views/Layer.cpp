#include <platform/ui/views/Layer.h>

#include <platform/foundation/RunLoop.h>
#include <platform/ui/views/View.h>
#include <platform/ui/window/Window.h>

#include <algorithm>
#include <cmath>

namespace vd {

bool BasicAnimation::isFinished(double now) const
{
    if (duration <= 0)
        return true;
    if (std::isinf(repeatCount))
        return false;
    const double cycles = std::max(1.0f, repeatCount) * (autoreverses ? 2.0 : 1.0);
    return now - beginTime >= duration * cycles;
}

double BasicAnimation::valueAt(double now, double modelFrom) const
{
    const double from = fromValue.value_or(modelFrom);
    if (duration <= 0)
        return toValue;
    const double elapsed = std::max(0.0, now - beginTime);
    const double cycleLength = autoreverses ? 2 * duration : duration;
    const double cycle = std::floor(elapsed / cycleLength);
    double inCycle = (elapsed - cycle * cycleLength) / duration;
    if (autoreverses && inCycle > 1)
        inCycle = 2 - inCycle;
    double value = from + (toValue - from) * inCycle;
    if (cumulative)
        value += cycle * (toValue - from);
    return value;
}

void ShapeLayer::changed()
{
    if (m_owner)
        m_owner->setNeedsDisplay();
}

void ShapeLayer::setPath(Path path)
{
    changed();
    m_path = std::move(path);
    changed();
}

void ShapeLayer::setStrokeColor(std::optional<Color> color)
{
    m_strokeColor = color;
    changed();
}

void ShapeLayer::setFillColor(std::optional<Color> color)
{
    m_fillColor = color;
    changed();
}

void ShapeLayer::setLineWidth(double width)
{
    m_lineWidth = std::max(0.0, width);
    changed();
}

void ShapeLayer::setLineJoin(LineJoin join)
{
    m_lineJoin = join;
    changed();
}

void ShapeLayer::setLineCap(LineCap cap)
{
    m_lineCap = cap;
    changed();
}

void ShapeLayer::setLineDashPattern(std::vector<double> pattern)
{
    m_dashPattern = std::move(pattern);
    changed();
}

void ShapeLayer::setHidden(bool hidden)
{
    m_hidden = hidden;
    changed();
}

void ShapeLayer::setFrame(const Rect& frame)
{
    changed();
    m_frame = frame;
    changed();
}

void ShapeLayer::removeFromSuperlayer()
{
    if (m_owner) {
        changed();
        m_owner->layer().removeSublayer(this);
    }
}

void ShapeLayer::draw(Painter& painter) const
{
    if (m_path.isEmpty())
        return;
    PainterStateSaver saver(painter);
    painter.translate(m_frame.x(), m_frame.y());
    if (m_fillColor)
        painter.fillPath(m_path, *m_fillColor);
    if (m_strokeColor)
        painter.strokePath(m_path, *m_strokeColor, { .width = m_lineWidth, .join = m_lineJoin, .cap = m_lineCap, .dashes = m_dashPattern });
}

Layer::~Layer()
{
    for (auto& sublayer : m_sublayers)
        sublayer->m_owner = nullptr;
}

void Layer::setBorderColor(const Color& color)
{
    m_borderColor = color;
    m_view.setNeedsDisplay();
}

void Layer::setBorderWidth(double width)
{
    m_borderWidth = std::max(0.0, width);
    m_view.setNeedsDisplay();
}

void Layer::setCornerRadius(double radius)
{
    m_cornerRadius = std::max(0.0, radius);
    m_view.setNeedsDisplay();
}

void Layer::setMasksToBounds(bool masks) { m_view.setClipsToBounds(masks); }
bool Layer::masksToBounds() const { return m_view.clipsToBounds(); }

void Layer::setShadowColor(const Color& color)
{
    m_shadowColor = color;
    m_view.invalidateVisualArea();
}

void Layer::setShadowOffset(Size offset)
{
    m_view.invalidateVisualArea();
    m_shadowOffset = offset;
    m_view.invalidateVisualArea();
}

void Layer::setShadowOpacity(double opacity)
{
    m_view.invalidateVisualArea();
    m_shadowOpacity = std::clamp(opacity, 0.0, 1.0);
    m_view.invalidateVisualArea();
}

void Layer::setShadowRadius(double radius)
{
    m_view.invalidateVisualArea();
    m_shadowRadius = std::max(0.0, radius);
    m_view.invalidateVisualArea();
}

void Layer::addAnimation(BasicAnimation animation, const std::string& key)
{
    animation.beginTime = RunLoop::main().now();
    m_animations[key] = std::move(animation);
    m_view.invalidateVisualArea();
}

void Layer::removeAnimationForKey(const std::string& key)
{
    if (m_animations.erase(key))
        m_view.invalidateVisualArea();
}

void Layer::removeAllAnimations()
{
    if (m_animations.empty())
        return;
    m_animations.clear();
    m_view.invalidateVisualArea();
}

const BasicAnimation* Layer::animationForKey(const std::string& key) const
{
    auto it = m_animations.find(key);
    return it == m_animations.end() ? nullptr : &it->second;
}

std::vector<std::string> Layer::animationKeys() const
{
    std::vector<std::string> keys;
    for (auto& [key, animation] : m_animations)
        keys.push_back(key);
    return keys;
}

void Layer::pruneFinishedAnimations(double now)
{
    const size_t before = m_animations.size();
    std::erase_if(m_animations, [now](const auto& entry) { return entry.second.isFinished(now); });
    if (m_animations.size() != before)
        m_view.invalidateVisualArea();
}

double Layer::presentationRotation(double now, double modelRotation) const
{
    double rotation = modelRotation;
    for (auto& [key, animation] : m_animations) {
        if ((animation.keyPath == "transform.rotation.z" || animation.keyPath == "transform.rotation") && !animation.isFinished(now))
            rotation = animation.valueAt(now, modelRotation);
    }
    return rotation;
}

double Layer::presentationScale(double now) const
{
    double scale = 1;
    for (auto& [key, animation] : m_animations) {
        if (animation.keyPath == "transform.scale" && !animation.isFinished(now))
            scale = animation.valueAt(now, 1.0);
    }
    return scale;
}

double Layer::presentationOpacity(double now, double modelOpacity) const
{
    double opacity = modelOpacity;
    for (auto& [key, animation] : m_animations) {
        if (animation.keyPath == "opacity" && !animation.isFinished(now))
            opacity = std::clamp(animation.valueAt(now, modelOpacity), 0.0, 1.0);
    }
    return opacity;
}

void Layer::addSublayer(std::shared_ptr<ShapeLayer> layer)
{
    if (!layer)
        return;
    if (layer->m_owner)
        layer->m_owner->layer().removeSublayer(layer.get());
    layer->m_owner = &m_view;
    m_sublayers.push_back(std::move(layer));
    m_view.setNeedsDisplay();
}

void Layer::removeSublayer(const ShapeLayer* layer)
{
    auto it = std::find_if(m_sublayers.begin(), m_sublayers.end(), [&](auto& l) { return l.get() == layer; });
    if (it == m_sublayers.end())
        return;
    (*it)->m_owner = nullptr;
    m_sublayers.erase(it);
}

}
