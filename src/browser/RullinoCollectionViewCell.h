#pragma once

#include <browser/ThumbnailRequest.h>
#include <platform/ui/lists/CollectionView.h>

#include <memory>
#include <string>

namespace vd {
class ImageView;
class Label;
}

namespace vd::browser {

// A photo of the browser's grid ("cellrullino"): the thumbnail, with a white border and a check
// badge while selected. A photo that cannot be read shows no picture and a mark instead.
class RullinoCollectionViewCell : public CollectionViewCell {
public:
    RullinoCollectionViewCell();
    ~RullinoCollectionViewCell() override;
    std::string className() const override { return "RullinoCollectionViewCell"; }
    void automationValues(nlohmann::json& out) const override; // photo, unreadable

    std::shared_ptr<ImageView> myImagePhoto;
    std::shared_ptr<Label> myLabelCheck;
    std::shared_ptr<Label> myLabelIllegibile; // the mark of a photo that cannot be read

    // Shows the asset's thumbnail once the manager delivers it; any earlier request of the cell is
    // dropped, and so is this one when the cell scrolls away first. readable(false) reports a photo
    // that does not decode.
    void showAsset(const PhotoAsset& asset, const std::shared_ptr<ImageManager>& manager, Size targetSize, std::function<void(const PhotoAsset&, bool readable)> readable);
    const std::string& representedAssetIdentifier() const { return m_thumbnail.representedAssetIdentifier(); }
    bool isUnreadable() const { return m_unreadable; }
    void setUnreadable(bool unreadable);
    void showSelected(bool selected); // border and badge at once, no animation

    void prepareForReuse() override;
    void didMoveToSuperview() override;
    void layoutSubviews() override;

private:
    ThumbnailRequest m_thumbnail;
    bool m_unreadable { false };
};

}
