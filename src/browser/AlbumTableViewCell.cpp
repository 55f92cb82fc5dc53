#include <browser/AlbumTableViewCell.h>

#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>

namespace vd::browser {

AlbumTableViewCell::AlbumTableViewCell()
{
    setBackgroundColor(Color::clear());
    myImageCopertinaalbum = View::make<ImageView>();
    myImageCopertinaalbum->setContentMode(ContentMode::ScaleAspectFill);
    myImageCopertinaalbum->setClipsToBounds(true);
    myImageCopertinaalbum->setBackgroundColor(Color::fromCode("#2a2a33"));
    myImageCopertinaalbum->layer().setCornerRadius(4);
    contentView()->addSubview(myImageCopertinaalbum);

    myLabelTitoloAlbum = View::make<Label>();
    myLabelTitoloAlbum->setFont("GillSans", 19);
    myLabelTitoloAlbum->setTextColor(Color::whiteColor());
    contentView()->addSubview(myLabelTitoloAlbum);
}

void AlbumTableViewCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    const Rect b = contentView()->bounds();
    const double side = b.height() - 12;
    myImageCopertinaalbum->setFrame({ 16, 6, side, side });
    myLabelTitoloAlbum->setFrame({ 16 + side + 14, 0, std::max(0.0, b.width() - side - 46), b.height() });
}

}
