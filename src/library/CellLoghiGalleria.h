#pragma once

#include <platform/ui/lists/CollectionView.h>

#include <functional>
#include <memory>
#include <optional>

namespace vd {

class Button;
class ImageView;
class Label;
class DictDatamodelEstratti;

// One item of the logo gallery: a logo's thumbnail over its canvas colour, or the add item that
// invites the person to create or load a logo.
class CellLoghiGalleria : public CollectionViewCell {
public:
    CellLoghiGalleria();
    std::string className() const override { return "CellLoghiGalleria"; }

    std::shared_ptr<Button> myButtonAggiungi;
    std::shared_ptr<ImageView> myImageViewLogo;
    std::shared_ptr<Label> myLabelCreaOAggiungi;

    void metodoMostraLogo(const DictDatamodelEstratti& logo); // a logo item
    void metodoMostraAggiungi();                              // the add item
    void setAzioneAggiungi(std::function<void()> action) { m_aggiungi = std::move(action); } // the add button's tap

    void prepareForReuse() override;
    void layoutSubviews() override;

private:
    std::function<void()> m_aggiungi;
};

}
