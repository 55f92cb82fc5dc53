#pragma once

#include <platform/ui/lists/CollectionView.h>

#include <memory>

namespace vd {

class ImageView;

// A thumbnail of the apply screen's strip: one photo, aspect-fit, filling the cell.
class cellImgSelezionateApplyController : public CollectionViewCell {
public:
    cellImgSelezionateApplyController();
    std::string className() const override { return "cellImgSelezionateApplyController"; }
    void setSelected(bool selected) override; // a selected thumbnail is framed
    void layoutSubviews() override;

    std::shared_ptr<ImageView> myImgeView;
};

}
