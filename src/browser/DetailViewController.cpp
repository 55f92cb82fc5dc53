#include <browser/DetailViewController.h>

#include <platform/graphics/ImageMetadata.h>
#include <platform/ui/controls/ImageView.h>

namespace vd::browser {

DetailViewController::DetailViewController()
{
    bind("myImageView", myImageView);
}

double DetailViewController::altezzaPerLarghezza(const std::optional<PhotoAsset>& asset, double width)
{
    if (!asset || asset->pixelWidth <= 0 || asset->pixelHeight <= 0)
        return 0;
    const bool turned = orientationMapping(asset->orientation).transpose;
    const double w = turned ? asset->pixelHeight : asset->pixelWidth;
    const double h = turned ? asset->pixelWidth : asset->pixelHeight;
    return h * (width / w);
}

void DetailViewController::viewDidLoad()
{
    if (!imageManager)
        imageManager = std::make_shared<CachingImageManager>();
    if (!asset || !myImageView)
        return;
    std::weak_ptr<ImageView> target = myImageView;
    imageManager->requestImageForAsset(*asset, kImageManagerMaximumSize, ImageContentMode::AspectFit, {}, [target](Image picture) {
        // A photo that yields nothing leaves the peek empty.
        if (auto view = target.lock(); view && !picture.isEmpty())
            view->setImage(std::move(picture));
    });
}

void DetailViewController::viewWillAppear(bool)
{
    setPreferredContentSize({ 0, altezzaPerLarghezza(asset, view()->bounds().width()) });
}

}
