#include <platform/ui/controls/BlurView.h>

#include <platform/graphics/DrawingContext.h>

#include <cairo.h>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

namespace vd {

namespace {

// The glass is blurred at a quarter of the drawing resolution: the blur hides the loss and the
// work stays small enough to redo on every frame.
constexpr double kResolutionFactor = 0.25;

// One pass of a box blur with clamped edges over rows (or columns) of premultiplied ARGB32.
void boxBlurPass(std::uint32_t* pixels, int width, int height, int stride, int radius, bool horizontal)
{
    const int length = horizontal ? width : height;
    const int lines = horizontal ? height : width;
    std::vector<std::uint32_t> line(static_cast<size_t>(length));
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> std::uint32_t& {
            i = std::clamp(i, 0, length - 1);
            return horizontal ? pixels[l * stride + i] : pixels[i * stride + l];
        };
        for (int i = 0; i < length; ++i)
            line[static_cast<size_t>(i)] = at(i);
        auto read = [&](int i) { return line[static_cast<size_t>(std::clamp(i, 0, length - 1))]; };
        unsigned sum[4] = {};
        for (int i = -radius; i <= radius; ++i)
            for (int c = 0; c < 4; ++c)
                sum[c] += (read(i) >> (8 * c)) & 0xFF;
        for (int i = 0; i < length; ++i) {
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c)
                out |= (sum[c] / static_cast<unsigned>(window)) << (8 * c);
            at(i) = out;
            const std::uint32_t leaving = read(i - radius), entering = read(i + radius + 1);
            for (int c = 0; c < 4; ++c)
                sum[c] += ((entering >> (8 * c)) & 0xFF) - ((leaving >> (8 * c)) & 0xFF);
        }
    }
}

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

void BlurView::draw(cairo_t* cr, const Rect& rect)
{
    (void)rect;
    const Rect area = bounds();
    auto parent = superview();
    if (parent && m_radius > 0 && !area.isEmpty()) {
        double dx = 1, dy = 0;
        cairo_user_to_device_distance(cr, &dx, &dy);
        const double pixelsPerPoint = std::max(0.05, std::hypot(dx, dy) * kResolutionFactor);
        const int width = std::max(1, static_cast<int>(std::ceil(area.width() * pixelsPerPoint)));
        const int height = std::max(1, static_cast<int>(std::ceil(area.height() * pixelsPerPoint)));
        cairo_surface_t* glass = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        cairo_t* under = cairo_create(glass);
        cairo_scale(under, pixelsPerPoint, pixelsPerPoint);
        cairo_translate(under, -area.x(), -area.y());
        // Into the parent's coordinates, then what the parent and the siblings below show.
        const AffineTransform toParent = transformToSuperview().inverted();
        cairo_matrix_t m { toParent.a, toParent.b, toParent.c, toParent.d, toParent.tx, toParent.ty };
        cairo_transform(under, &m);
        if (auto background = parent->presentationBackgroundColor()) {
            cairo_set_source_rgba(under, background->red, background->green, background->blue, background->alpha);
            cairo_paint(under);
        }
        parent->draw(under, parent->bounds());
        for (const auto& sibling : parent->subviews()) {
            if (sibling.get() == this)
                break;
            if (sibling->isHidden())
                continue;
            cairo_save(under);
            const AffineTransform t = sibling->transformToSuperview();
            cairo_matrix_t sm { t.a, t.b, t.c, t.d, t.tx, t.ty };
            cairo_transform(under, &sm);
            sibling->drawViewHierarchyInRect(under, sibling->bounds());
            cairo_restore(under);
        }
        cairo_destroy(under);
        cairo_surface_flush(glass);
        const int radius = std::max(1, static_cast<int>(std::lround(m_radius * pixelsPerPoint)));
        auto* pixels = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(glass));
        const int stride = cairo_image_surface_get_stride(glass) / 4;
        for (int pass = 0; pass < 3; ++pass) {
            boxBlurPass(pixels, width, height, stride, radius, true);
            boxBlurPass(pixels, width, height, stride, radius, false);
        }
        cairo_surface_mark_dirty(glass);
        CairoStateSaver saver(cr);
        cairo_rectangle(cr, area.x(), area.y(), area.width(), area.height());
        cairo_clip(cr);
        cairo_translate(cr, area.x(), area.y());
        cairo_scale(cr, 1.0 / pixelsPerPoint, 1.0 / pixelsPerPoint);
        cairo_set_source_surface(cr, glass, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_paint(cr);
        cairo_surface_destroy(glass);
    }
    const Color tint = tintForStyle(m_style);
    cairo_set_source_rgba(cr, tint.red, tint.green, tint.blue, tint.alpha);
    cairo_rectangle(cr, area.x(), area.y(), area.width(), area.height());
    cairo_fill(cr);
}

}
