#include <platform/ui/ImageView.h>

#include <platform/graphics/DrawingContext.h>

#include <cairo.h>

namespace vd {

ImageView::ImageView(Image image)
{
    setUserInteractionEnabled(false);
    const Size size = image.size();
    m_image = std::move(image);
    setFrame({ 0, 0, size.width, size.height });
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
    const Image& shown = m_highlighted && m_highlightedImage ? m_highlightedImage : m_image;
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
