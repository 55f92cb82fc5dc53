#pragma once

#include <platform/graphics/Image.h>
#include <platform/photos/ImageManager.h>
#include <platform/photos/PhotoAsset.h>
#include <platform/ui/presentation/ViewController.h>

#include <memory>
#include <optional>

namespace vd {
class ImageView;
}

namespace vd::browser {

// The peek of one photo ("popviewcontroller"): the photo at full size, fitted to the view. The
// browser sets the asset (and lends its image manager) before showing it; the peek takes the
// photo's proportions.
class DetailViewController : public vd::ViewController {
public:
    DetailViewController();
    std::string className() const override { return "DetailViewController"; }

    std::shared_ptr<ImageView> myImageView;
    std::optional<Image> image;                  // reserved
    std::optional<long> indexSelezionato;        // reserved
    std::shared_ptr<ImageManager> imageManager;  // made when the view loads, unless lent
    std::optional<PhotoAsset> asset;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // The height that gives a view of this width the photo's proportions (upright); 0 without a
    // photo or its size.
    static double altezzaPerLarghezza(const std::optional<PhotoAsset>& asset, double width);
};

}
