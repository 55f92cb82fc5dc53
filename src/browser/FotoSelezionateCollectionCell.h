#pragma once

#include <browser/ThumbnailRequest.h>
#include <platform/ui/lists/CollectionView.h>

#include <functional>
#include <memory>
#include <string>

namespace vd {
class Button;
class ImageView;
}

namespace vd::browser {

// A photo of the selection strip ("cellSelezionate"): the picture and a round remove button. The
// button carries the cell's row in the strip ("cella") and the photo's grid position
// ("numeroinarray"), so the screen knows what to remove however the strip has scrolled.
class FotoSelezionateCollectionCell : public CollectionViewCell {
public:
    FotoSelezionateCollectionCell();
    ~FotoSelezionateCollectionCell() override;
    std::string className() const override { return "FotoSelezionateCollectionCell"; }
    void automationValues(nlohmann::json& out) const override; // cella, numeroinarray, photo

    std::shared_ptr<ImageView> myImageViewFotoSelezionata;
    std::shared_ptr<Button> myButtonDeselect;
    long cella { 0 };
    long numeroinarray { 0 };
    std::function<void(const FotoSelezionateCollectionCell&)> onDeselect; // the remove button's action

    void showAsset(const PhotoAsset& asset, const std::shared_ptr<ImageManager>& manager, Size targetSize);
    void prepareForReuse() override;
    void didMoveToSuperview() override;
    void layoutSubviews() override;

private:
    ThumbnailRequest m_thumbnail;
};

}
