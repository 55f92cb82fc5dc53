#include <platform/ui/controls/ImageView.h>

#include <platform/foundation/RunLoop.h>
#include <platform/graphics/DrawingContext.h>

#include <cmath>

#include <nlohmann/json.hpp>

namespace vd {

namespace {
// How long the window's scale must hold still before pictures are resampled sharply again.
constexpr double kScaleSettles = 0.25;
}

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
    m_rendition = {};
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

void ImageView::draw(Painter& painter, const Rect& rect)
{
    (void)rect;
    const Image& still = m_highlighted && m_highlightedImage ? m_highlightedImage : m_image;
    const Image& shown = isAnimating() && !m_animationImages.empty() ? m_animationImages[m_frame % m_animationImages.size()] : still;
    if (shown.isEmpty())
        return;
    const Rect placed = rectForContentMode(contentMode(), shown.size(), bounds());
    painter.drawImage(renditionFor(shown, placed, painter.pixelsPerPoint()), placed, tintColor());
}

const Image& ImageView::renditionFor(const Image& image, const Rect& rect, double pixelsPerPoint)
{
    // Drawn at its own size, too small to bother, too large to keep twice, or a frame of an
    // animation: drawn as it is. Otherwise filtering once and copying at every frame pays both
    // for a large picture scaled down and for a grid that draws its thumbnails at each scroll.
    const double w = std::round(rect.width() * pixelsPerPoint), h = std::round(rect.height() * pixelsPerPoint);
    const bool sameSize = std::abs(w - image.pixelWidth()) < 1 && std::abs(h - image.pixelHeight()) < 1;
    if (sameSize || w < 8 || h < 8 || w * h > 4096.0 * 4096.0 || isAnimating()) {
        m_rendition = {};
        return image;
    }
    const double now = RunLoop::main().now();
    const bool same = m_rendition.source == image.sharedBuffer() && m_rendition.width == w && m_rendition.height == h;
    if (same && !(m_rendition.quick && now - m_rendition.madeAt >= kScaleSettles))
        return m_rendition.image;
    const bool rescaling = m_rendition.source == image.sharedBuffer() && !same && m_rendition.pixelsPerPoint != pixelsPerPoint && now - m_rendition.madeAt < kScaleSettles;
    DrawingContext context({ w, h }, image.isOpaque() ? DrawingContext::Opacity::Opaque : DrawingContext::Opacity::Transparent, 1.0);
    if (!context.isValid())
        return image;
    context.painter().setImageFilter(rescaling ? Painter::ImageFilter::Quick : Painter::ImageFilter::Good);
    context.drawImage(image, { 0, 0, w, h });
    m_rendition = { image.sharedBuffer(), static_cast<int>(w), static_cast<int>(h), context.takeImage().withScale(pixelsPerPoint).withRenderingMode(image.renderingMode()), pixelsPerPoint, now, rescaling };
    if (rescaling) {
        // Drawn again once the scale has held still, sharp.
        std::weak_ptr<View> weak = weak_from_this();
        RunLoop::main().postAfter(kScaleSettles, [weak] {
            if (auto view = weak.lock())
                view->setNeedsDisplay();
        });
    }
    return m_rendition.image;
}

}
