#pragma once

#include <platform/ui/lists/TableView.h>

#include <memory>

namespace vd {
class ImageView;
class Label;
}

namespace vd::browser {

// A row of the album list ("cell"): the album's cover and its title.
class AlbumTableViewCell : public TableViewCell {
public:
    AlbumTableViewCell();
    std::string className() const override { return "AlbumTableViewCell"; }

    std::shared_ptr<ImageView> myImageCopertinaalbum;
    std::shared_ptr<Label> myLabelTitoloAlbum;

    void layoutSubviews() override;
};

}
