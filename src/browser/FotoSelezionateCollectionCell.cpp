#include <browser/FotoSelezionateCollectionCell.h>

#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>

#include <nlohmann/json.hpp>

namespace vd::browser {

FotoSelezionateCollectionCell::FotoSelezionateCollectionCell()
{
    myImageViewFotoSelezionata = View::make<ImageView>();
    myImageViewFotoSelezionata->setContentMode(ContentMode::ScaleAspectFill);
    myImageViewFotoSelezionata->setClipsToBounds(true);
    myImageViewFotoSelezionata->setBackgroundColor(Color::fromCode("#2a2a33"));
    contentView()->addSubview(myImageViewFotoSelezionata);

    myButtonDeselect = View::make<Button>(Button::Type::Custom);
    myButtonDeselect->setImage(imageNamed("buttonClose"));
    myButtonDeselect->setBackgroundColor(Color::rgba(0, 0, 0, 0.55));
    myButtonDeselect->addAction(ControlEvent::TouchUpInside, [this](Control&) {
        // The screen may reload the strip from inside the action; keep this cell until it returns.
        auto protector = shared_from_this();
        if (onDeselect)
            onDeselect(*this);
    });
    contentView()->addSubview(myButtonDeselect);
}

FotoSelezionateCollectionCell::~FotoSelezionateCollectionCell() = default;

void FotoSelezionateCollectionCell::layoutSubviews()
{
    CollectionViewCell::layoutSubviews();
    const Rect b = contentView()->bounds();
    myImageViewFotoSelezionata->setFrame(b.insetBy(3, 3));
    const double side = 44; // the close picture's own size
    myButtonDeselect->setFrame({ b.maxX() - side - 6, b.minY() + 6, side, side });
    myButtonDeselect->layer().setCornerRadius(side / 2);
}

void FotoSelezionateCollectionCell::showAsset(const PhotoAsset& asset, const std::shared_ptr<ImageManager>& manager, Size targetSize)
{
    m_thumbnail.show(asset, manager, targetSize, myImageViewFotoSelezionata);
}

void FotoSelezionateCollectionCell::prepareForReuse()
{
    CollectionViewCell::prepareForReuse();
    m_thumbnail.cancel();
}

void FotoSelezionateCollectionCell::didMoveToSuperview()
{
    CollectionViewCell::didMoveToSuperview();
    // Scrolled away: the picture is no longer wanted.
    if (!superview())
        m_thumbnail.cancel();
}

void FotoSelezionateCollectionCell::automationValues(nlohmann::json& out) const
{
    CollectionViewCell::automationValues(out);
    out["cella"] = cella;
    out["numeroinarray"] = numeroinarray;
    out["photo"] = m_thumbnail.representedAssetIdentifier();
}

}
