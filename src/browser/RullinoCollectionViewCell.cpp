#include <browser/RullinoCollectionViewCell.h>

#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>

#include <nlohmann/json.hpp>

namespace vd::browser {

RullinoCollectionViewCell::RullinoCollectionViewCell()
{
    myImagePhoto = View::make<ImageView>();
    myImagePhoto->setContentMode(ContentMode::ScaleAspectFill);
    myImagePhoto->setClipsToBounds(true);
    myImagePhoto->setBackgroundColor(Color::fromCode("#2a2a33"));
    myImagePhoto->layer().setBorderWidth(2.4);
    myImagePhoto->layer().setCornerRadius(1.0);
    myImagePhoto->layer().setBorderColor(Color::clear());
    contentView()->addSubview(myImagePhoto);

    myLabelCheck = View::make<Label>();
    myLabelCheck->setText("\u2713");
    myLabelCheck->setFont("DejaVuSans-Bold", 14);
    myLabelCheck->setTextColor(Color::whiteColor());
    myLabelCheck->setTextAlignment(TextAlignment::Center);
    myLabelCheck->setBackgroundColor(Color::fromCode("#ef233c"));
    myLabelCheck->layer().setBorderColor(Color::whiteColor());
    myLabelCheck->layer().setBorderWidth(1.5);
    myLabelCheck->setAlpha(0);
    contentView()->addSubview(myLabelCheck);

    myLabelIllegibile = View::make<Label>();
    myLabelIllegibile->setText("!");
    myLabelIllegibile->setFont("DejaVuSans-Bold", 18);
    myLabelIllegibile->setTextColor(Color::fromCode("#ef233c"));
    myLabelIllegibile->setTextAlignment(TextAlignment::Center);
    myLabelIllegibile->layer().setBorderColor(Color::fromCode("#ef233c"));
    myLabelIllegibile->layer().setBorderWidth(2);
    myLabelIllegibile->setHidden(true);
    contentView()->addSubview(myLabelIllegibile);
}

RullinoCollectionViewCell::~RullinoCollectionViewCell() = default;

void RullinoCollectionViewCell::layoutSubviews()
{
    CollectionViewCell::layoutSubviews();
    const Rect b = contentView()->bounds();
    // A hairline of the grid's background between neighbours.
    myImagePhoto->setFrame(b.insetBy(1, 1));
    const double badge = std::max(16.0, std::min(24.0, b.width() * 0.24));
    myLabelCheck->setFrame({ b.maxX() - badge - 4, b.maxY() - badge - 4, badge, badge });
    myLabelCheck->layer().setCornerRadius(badge / 2);
    const double mark = std::max(20.0, std::min(32.0, b.width() * 0.32));
    myLabelIllegibile->setFrame({ b.midX() - mark / 2, b.midY() - mark / 2, mark, mark });
    myLabelIllegibile->layer().setCornerRadius(mark / 2);
}

void RullinoCollectionViewCell::showAsset(const PhotoAsset& asset, const std::shared_ptr<ImageManager>& manager, Size targetSize, std::function<void(const PhotoAsset&, bool)> readable)
{
    if (representedAssetIdentifier() != asset.localIdentifier)
        setUnreadable(false);
    std::weak_ptr<View> weak = weak_from_this();
    m_thumbnail.show(asset, manager, targetSize, myImagePhoto, [weak, asset, readable = std::move(readable)](const Image& image, bool stillShown) {
        if (readable)
            readable(asset, !image.isEmpty());
        auto self = std::static_pointer_cast<RullinoCollectionViewCell>(weak.lock());
        if (self && stillShown)
            self->setUnreadable(image.isEmpty());
    });
}

void RullinoCollectionViewCell::setUnreadable(bool unreadable)
{
    m_unreadable = unreadable;
    myLabelIllegibile->setHidden(!unreadable);
}

void RullinoCollectionViewCell::showSelected(bool selected)
{
    myImagePhoto->layer().setBorderColor(selected ? Color::whiteColor() : Color::clear());
    myLabelCheck->setAlpha(selected ? 1 : 0);
}

void RullinoCollectionViewCell::prepareForReuse()
{
    CollectionViewCell::prepareForReuse();
    m_thumbnail.cancel();
}

void RullinoCollectionViewCell::didMoveToSuperview()
{
    CollectionViewCell::didMoveToSuperview();
    // Scrolled away: the thumbnail is no longer wanted.
    if (!superview())
        m_thumbnail.cancel();
}

void RullinoCollectionViewCell::automationValues(nlohmann::json& out) const
{
    CollectionViewCell::automationValues(out);
    out["photo"] = representedAssetIdentifier();
    out["unreadable"] = m_unreadable;
    out["hasImage"] = !myImagePhoto->image().isEmpty();
}

}
