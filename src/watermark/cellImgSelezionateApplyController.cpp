#include <watermark/cellImgSelezionateApplyController.h>

#include <platform/ui/controls/ImageView.h>

namespace vd {

cellImgSelezionateApplyController::cellImgSelezionateApplyController()
{
    myImgeView = View::make<ImageView>(Rect(0, 0, 50, 50));
    myImgeView->setName("myImgeView");
    myImgeView->setContentMode(ContentMode::ScaleAspectFit);
    myImgeView->setClipsToBounds(true);
    contentView()->addSubview(myImgeView);
    contentView()->setBackgroundColor(Color::rgba(0, 0, 0, 0.25));
}

void cellImgSelezionateApplyController::layoutSubviews()
{
    CollectionViewCell::layoutSubviews();
    myImgeView->setFrame(contentView()->bounds());
}

void cellImgSelezionateApplyController::setSelected(bool selected)
{
    CollectionViewCell::setSelected(selected);
    contentView()->layer().setBorderColor(Color::fromCode("#ef233c"));
    contentView()->layer().setBorderWidth(selected ? 2 : 0);
}

}
