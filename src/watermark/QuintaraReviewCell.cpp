#include <watermark/QuintaraReviewCell.h>

#include <platform/ui/controls/ImageView.h>

namespace vd {

namespace {

constexpr double kSegno = 14; // points: the adjusted photo's mark
constexpr double kMargineSegno = 6;

}

cellRevisioneFoto::cellRevisioneFoto()
{
    myImageViewAnteprima = View::make<ImageView>(Rect(0, 0, 50, 50));
    myImageViewAnteprima->setName("myImageViewAnteprima");
    myImageViewAnteprima->setContentMode(ContentMode::ScaleAspectFit);
    myImageViewAnteprima->setClipsToBounds(true);
    contentView()->addSubview(myImageViewAnteprima);
    contentView()->setBackgroundColor(Color::rgba(0, 0, 0, 0.25));

    myViewSegnoRegolata = View::make<View>(Rect(0, 0, kSegno, kSegno));
    myViewSegnoRegolata->setName("myViewSegnoRegolata");
    myViewSegnoRegolata->setBackgroundColor(Color::fromCode("#ef233c"));
    myViewSegnoRegolata->layer().setCornerRadius(kSegno / 2);
    myViewSegnoRegolata->layer().setBorderColor(Color::rgba(1, 1, 1));
    myViewSegnoRegolata->layer().setBorderWidth(2);
    myViewSegnoRegolata->setHidden(true);
    contentView()->addSubview(myViewSegnoRegolata);
}

void cellRevisioneFoto::layoutSubviews()
{
    CollectionViewCell::layoutSubviews();
    const Rect bounds = contentView()->bounds();
    myImageViewAnteprima->setFrame(bounds);
    myViewSegnoRegolata->setFrame({ bounds.maxX() - kSegno - kMargineSegno, bounds.minY() + kMargineSegno, kSegno, kSegno });
}

}
