#include <watermark/ImageUtilities.h>

#include <platform/graphics/DrawingContext.h>

#include <numbers>

namespace vd {

Image imageRotatedByDegrees(const Image& image, double degrees, bool flip)
{
    if (image.isEmpty())
        return {};
    const double radians = degrees / 180.0 * std::numbers::pi;
    const Size size = image.size();
    // The output is the frame of a w × h view given that rotation.
    const Rect box = AffineTransform::rotation(radians).apply(Rect(-size.width / 2, -size.height / 2, size.width, size.height));
    DrawingContext context(box.size, DrawingContext::Opacity::Transparent, 1.0);
    if (!context.isValid())
        return {};
    Painter& painter = context.painter();
    painter.translate(box.width() * 0.5, box.height() * 0.5);
    painter.rotate(radians);
    // Only the horizontal mirror of flip shows: the picture is drawn the right way up.
    painter.scale(flip ? -1.0 : 1.0, 1.0);
    context.drawImage(image, Rect(-size.width * 0.5, -size.height * 0.5, size.width, size.height));
    return context.takeImage();
}

}
