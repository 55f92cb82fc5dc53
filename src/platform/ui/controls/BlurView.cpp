#include <platform/ui/controls/BlurView.h>

#include <platform/graphics/BoxBlur.h>
#include <platform/graphics/DrawingContext.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace vd {

namespace {

// The glass is blurred at a quarter of the drawing resolution: the blur hides the loss and the
// work stays small enough to redo on every frame.
constexpr double kResolutionFactor = 0.25;

Color tintForStyle(BlurView::Style style)
{
    switch (style) {
    case BlurView::Style::ExtraLight:
        return Color::white(0.97, 0.78);
    case BlurView::Style::Light:
        return Color::white(1, 0.3);
    case BlurView::Style::Dark:
        return Color::white(0.11, 0.73);
    case BlurView::Style::Regular:
        return Color::white(0.95, 0.5);
    }
    return Color::clear();
}

}

BlurView::BlurView(Style style)
    : m_style(style)
    , m_content(View::make())
{
    m_content->setName("blurContent");
    m_content->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
}

void BlurView::automationValues(nlohmann::json& out) const
{
    static const char* names[] = { "extraLight", "light", "dark", "regular" };
    out["style"] = names[static_cast<int>(m_style)];
    out["blurRadius"] = m_radius;
}

void BlurView::setStyle(Style style)
{
    m_style = style;
    setNeedsDisplay();
}

void BlurView::setBlurRadius(double points)
{
    m_radius = std::isfinite(points) ? std::clamp(points, 0.0, 100.0) : 0;
    setNeedsDisplay();
}

const std::shared_ptr<View>& BlurView::contentView()
{
    if (!weak_from_this().expired())
        attachContent();
    return m_content;
}

void BlurView::attachContent()
{
    // Subviews added in a constructor would not know their parent yet, so the content joins later.
    if (m_content->superview().get() != this) {
        m_content->setFrame(bounds());
        insertSubviewAtIndex(m_content, 0);
    }
}

void BlurView::didMoveToSuperview()
{
    attachContent();
}

void BlurView::layoutSubviews()
{
    attachContent();
    m_content->setFrame(bounds());
}

void BlurView::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    const Rect area = bounds();
    auto parent = superview();
    if (parent && m_radius > 0 && !area.isEmpty()) {
        const double pixelsPerPoint = std::max(0.05, painter.pixelsPerPoint() * kResolutionFactor);
        DrawingContext glass(area.size, DrawingContext::Opacity::Transparent, pixelsPerPoint);
        if (glass.isValid()) {
            Painter& under = glass.painter();
            under.translate(-area.x(), -area.y());
            // Into the parent's coordinates, then what the parent and the siblings below show.
            under.concatenate(transformToSuperview().inverted());
            if (auto background = parent->presentationBackgroundColor())
                under.fill(*background);
            parent->draw(under, parent->bounds());
            for (const auto& sibling : parent->subviews()) {
                if (sibling.get() == this)
                    break;
                if (sibling->isHidden())
                    continue;
                PainterStateSaver saver(under);
                under.concatenate(sibling->transformToSuperview());
                sibling->drawViewHierarchyInRect(under, sibling->bounds());
            }
            PixelBuffer pixels = glass.takePixels();
            boxBlur(pixels, std::max(1, static_cast<int>(std::lround(m_radius * pixelsPerPoint))));
            const Image blurred = Image::fromBuffer(std::move(pixels), pixelsPerPoint);
            PainterStateSaver saver(painter);
            painter.clip(area);
            painter.drawImage(blurred, { area.origin, blurred.size() });
        }
    }
    painter.fillRect(area, tintForStyle(m_style));
}

}
