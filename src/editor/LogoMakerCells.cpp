#include <editor/LogoMakerCells.h>

#include <platform/graphics/Color.h>

#include <cmath>

namespace vd {

LogoMakerLayerCell::LogoMakerLayerCell()
{
    setSelectionStyle(TableViewCellSelectionStyle::None);
    myViewBgCell = View::make();
    myViewBgCell->setName("myViewBgCell");
    myViewBgCell->setUserInteractionEnabled(false);
    myViewBgCell->setClipsToBounds(true);
    contentView()->addSubview(myViewBgCell);
    myImageSnap = View::make<ImageView>();
    myImageSnap->setName("myImageSnap");
    myImageSnap->setContentMode(ContentMode::ScaleAspectFit);
    myViewBgCell->addSubview(myImageSnap);
}

void LogoMakerLayerCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    // The row's background is a square of the row's height in the middle, as the canvas is.
    const Rect content = contentView()->bounds();
    const double side = std::max(0.0, content.height() - 4);
    myViewBgCell->setFrame({ (content.width() - side) / 2, 2, side, side });
}

collectionImmaginiFormeCell::collectionImmaginiFormeCell()
{
    myImageViewForme = View::make<ImageView>();
    myImageViewForme->setName("myImageViewForme");
    myImageViewForme->setContentMode(ContentMode::ScaleAspectFit);
    addSubview(myImageViewForme);
}

void collectionImmaginiFormeCell::layoutSubviews()
{
    CollectionViewCell::layoutSubviews();
    myImageViewForme->setFrame(bounds().insetBy(bounds().width() * 0.15, bounds().height() * 0.15));
}

Size swatchSize(const CollectionView& grid)
{
    const double side = grid.bounds().width() / 11;
    return { side, side };
}

void paintSwatch(CollectionViewCell& cell, const std::string& code)
{
    cell.contentView()->setBackgroundColor(Color::fromCode(code));
    cell.contentView()->layer().setCornerRadius(2);
    cell.setBackgroundColor(std::nullopt);
}

}
