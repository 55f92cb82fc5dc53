#include <editor/LogoMakerCells.h>

#include <platform/graphics/Color.h>

#include <algorithm>
#include <cmath>

namespace vd {

LogoMakerLayerCell::LogoMakerLayerCell()
{
    setSelectionStyle(TableViewCellSelectionStyle::None);
    // The table's own colour shows around the square and behind the reorder grip.
    setBackgroundColor(std::nullopt);
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
    // The row's background is a square in the middle, as the canvas is, as large as the content
    // leaves room for: the reorder grip narrows the content, and the square never runs under it.
    const Rect content = contentView()->bounds();
    const double side = std::max(0.0, std::min(content.width(), content.height()) - 4);
    myViewBgCell->setFrame({ (content.width() - side) / 2, (content.height() - side) / 2, side, side });
    myImageSnap->setTransform(AffineTransform::identity());
    myImageSnap->setBounds({ 0, 0, m_dimensione.width * side, m_dimensione.height * side });
    myImageSnap->setCenter({ m_centro.x * side, m_centro.y * side });
    myImageSnap->setTransform(AffineTransform::rotation(m_angolo));
}

void LogoMakerLayerCell::metodoPosizionaMiniatura(Point centro, Size dimensione, double angolo)
{
    m_centro = centro;
    m_dimensione = dimensione;
    m_angolo = angolo;
    setNeedsLayout();
    layoutIfNeeded();
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
