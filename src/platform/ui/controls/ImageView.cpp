#include <platform/ui/controls/ImageView.h>

#include <platform/graphics/DrawingContext.h>

#include <cairo.h>
#include <nlohmann/json.hpp>

namespace vd {

ImageView::ImageView(Image image)
{
    setUserInteractionEnabled(false);
    const Size size = image.size();
    m_image = std::move(image);
    setFrame({ 0, 0, size.width, size.height });
}

ImageView::~ImageView()
{
    if (m_animationTimer)
        RunLoop::main().cancel(m_animationTimer);
}

void ImageView::setAnimationImages(std::vector<Image> images)
{
    stopAnimating();
    m_animationImages = std::move(images);
    setNeedsDisplay();
}

double ImageView::animationDuration() const
{
    if (m_animationDuration > 0)
        return m_animationDuration;
    return static_cast<double>(m_animationImages.size()) / 30.0;
}

void ImageView::startAnimating()
{
    if (m_animationImages.empty() || m_animationTimer)
        return;
    m_frame = 0;
    m_framesShown = 1;
    std::weak_ptr<View> weak = weak_from_this();
    m_animationTimer = RunLoop::main().scheduleTimer(animationDuration() / static_cast<double>(m_animationImages.size()), true, [weak] {
        auto self = std::static_pointer_cast<ImageView>(weak.lock());
        if (!self || self->m_animationImages.empty())
            return;
        if (self->m_repeatCount > 0 && self->m_framesShown >= self->m_animationImages.size() * static_cast<size_t>(self->m_repeatCount)) {
            self->stopAnimating();
            return;
        }
        self->m_frame = (self->m_frame + 1) % self->m_animationImages.size();
        ++self->m_framesShown;
        self->setNeedsDisplay();
    });
    setNeedsDisplay();
}

void ImageView::stopAnimating()
{
    if (!m_animationTimer)
        return;
    RunLoop::main().cancel(m_animationTimer);
    m_animationTimer = 0;
    setNeedsDisplay();
}

void ImageView::automationValues(nlohmann::json& out) const
{
    out["animating"] = isAnimating();
    if (!m_animationImages.empty())
        out["animationImages"] = m_animationImages.size();
}

std::optional<std::string> ImageView::automationImageName() const
{
    const Image& shown = m_highlighted && m_highlightedImage ? m_highlightedImage : m_image;
    if (shown.isEmpty())
        return std::nullopt;
    return shown.name();
}

void ImageView::setImage(Image image)
{
    m_image = std::move(image);
    setNeedsDisplay();
}

void ImageView::setHighlightedImage(Image image)
{
    m_highlightedImage = std::move(image);
    if (m_highlighted)
        setNeedsDisplay();
}

void ImageView::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    setNeedsDisplay();
}

Size ImageView::sizeThatFits(Size size) const
{
    (void)size;
    return m_image ? m_image.size() : Size {};
}

void ImageView::draw(cairo_t* cr, const Rect& rect)
{
    (void)rect;
    const Image& still = m_highlighted && m_highlightedImage ? m_highlightedImage : m_image;
    const Image& shown = isAnimating() && !m_animationImages.empty() ? m_animationImages[m_frame % m_animationImages.size()] : still;
    if (shown.isEmpty())
        return;
    drawImageInRect(cr, shown, rectForContentMode(contentMode(), shown.size(), bounds()), tintColor());
}

void drawImageInRect(cairo_t* cr, const Image& image, const Rect& rect, const Color& tint)
{
    if (image.isEmpty() || rect.isEmpty())
        return;
    cairo_surface_t* source = image.makeSurface();
    CairoStateSaver saver(cr);
    cairo_rectangle(cr, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_clip(cr);
    cairo_translate(cr, rect.x(), rect.y());
    cairo_scale(cr, rect.width() / image.pixelWidth(), rect.height() / image.pixelHeight());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(source);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    if (image.renderingMode() == Image::RenderingMode::Template) {
        cairo_set_source_rgba(cr, tint.red, tint.green, tint.blue, tint.alpha);
        cairo_mask(cr, pattern);
    } else {
        cairo_set_source(cr, pattern);
        cairo_paint(cr);
    }
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(source);
}

}
