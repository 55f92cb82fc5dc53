#pragma once

#include <platform/ui/controls/ImageView.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/lists/TableView.h>

#include <string>

namespace vd {

// A row of the layer table: the layer's miniature over the canvas colour, in a square as large as
// the row leaves room for (less in reorder mode, where the grip takes the right of the row).
class LogoMakerLayerCell : public TableViewCell {
public:
    LogoMakerLayerCell();
    std::string className() const override { return "LogoMakerLayerCell"; }
    void layoutSubviews() override;
    // Where the miniature sits, as fractions of the canvas's sides (centre and size) and its
    // rotation: the square lays it out at whatever size it has.
    void metodoPosizionaMiniatura(Point centro, Size dimensione, double angolo);
    std::shared_ptr<View> myViewBgCell;
    std::shared_ptr<ImageView> myImageSnap;

private:
    Point m_centro { 0.5, 0.5 };
    Size m_dimensione { 0, 0 };
    double m_angolo { 0 };
};

// A cell of the shape and icon palettes: the catalogue picture as stored (not tinted).
class collectionImmaginiFormeCell : public CollectionViewCell {
public:
    collectionImmaginiFormeCell();
    std::string className() const override { return "collectionImmaginiFormeCell"; }
    void layoutSubviews() override;
    std::shared_ptr<ImageView> myImageViewForme;
};

// A colour swatch of the editor's grid and of the popover grid.
class LogoEditorCollectionViewCell : public CollectionViewCell {
public:
    std::string className() const override { return "LogoEditorCollectionViewCell"; }
};

// Swatch side for a grid: its width over 11, so 11 fit a row.
Size swatchSize(const CollectionView& grid);
// Fills a swatch cell with the colour of a code, corners rounded by 2.
void paintSwatch(CollectionViewCell& cell, const std::string& code);

}
