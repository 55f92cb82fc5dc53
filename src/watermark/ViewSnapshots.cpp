#include <watermark/ImageUtilities.h>

#include <platform/graphics/DrawingContext.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/views/View.h>

namespace vd {

Image mygetSnapshotImagePNG(View& view)
{
    const Rect bounds = view.bounds();
    if (bounds.isEmpty())
        return {};
    DrawingContext context(bounds.size, DrawingContext::Opacity::Transparent, 1.0);
    if (!context.isValid())
        return {};
    view.drawViewHierarchyInRect(context.painter(), bounds);
    return context.takeImage();
}

Image getSnapshotImage(View& view)
{
    const Rect frame = view.frame();
    // The height follows the frame's aspect ratio; a frame without width or height has none.
    if (frame.isEmpty())
        return {};
    const double width = 1400;
    const double height = width * frame.height() / frame.width();
    DrawingContext context({ width, height }, DrawingContext::Opacity::Transparent, 2.0);
    if (!context.isValid())
        return {};
    view.setNeedsDisplay();
    view.drawViewHierarchyInRect(context.painter(), { 0, 0, width, height });
    return context.takeImage();
}

Rect frameForImageInImageViewAspectFit(const ImageView& imageView)
{
    const Image& image = imageView.image();
    if (image.isEmpty())
        return { 0, 0, 0, 0 };
    const Size view = imageView.frame().size;
    const double iw = image.size().width, ih = image.size().height;
    if (view.height <= 0 || view.width <= 0)
        return { 0, 0, 0, 0 };
    if (iw / ih < view.width / view.height) {
        const double width = view.height / ih * iw;
        return { (view.width - width) * 0.5, 0, width, view.height };
    }
    const double height = view.width / iw * ih;
    return { 0, (view.height - height) * 0.5, view.width, height };
}

}
