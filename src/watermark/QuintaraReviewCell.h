#pragma once

#include <platform/ui/lists/CollectionView.h>

#include <memory>

namespace vd {

class ImageView;

// A cell of the review grid: the photo with the logo as it will be stamped, and a mark in the
// corner when the photo has a placement of its own.
class cellRevisioneFoto : public CollectionViewCell {
public:
    cellRevisioneFoto();
    std::string className() const override { return "cellRevisioneFoto"; }
    void layoutSubviews() override;

    std::shared_ptr<ImageView> myImageViewAnteprima;
    std::shared_ptr<View> myViewSegnoRegolata; // shown on a photo with its own placement
};

}
