#include <editor/ColorPickerViewController.h>

#include <editor/LogoMakerCells.h>
#include <platform/graphics/ColorList.h>
#include <platform/ui/lists/CollectionView.h>

namespace vd {

struct ColorPickerViewController::Swatches : CollectionViewDataSource, CollectionViewDelegate {
    ColorPickerViewController* owner { nullptr };
    long numberOfItemsInSection(CollectionView&, long) override { return static_cast<long>(owner->colorList.size()); }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath indexPath) override
    {
        auto cell = view.dequeueReusableCell("ColorCell", indexPath);
        const auto item = static_cast<size_t>(indexPath.item);
        if (cell && item < owner->colorList.size())
            paintSwatch(*cell, owner->colorList[item]);
        return cell;
    }
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& view, IndexPath) override { return swatchSize(view); }
    void didSelectItemAtIndexPath(CollectionView& view, IndexPath indexPath) override
    {
        view.deselectItemAtIndexPath(indexPath, Animated::No);
        const auto item = static_cast<size_t>(indexPath.item);
        if (item >= owner->colorList.size())
            return;
        if (auto delegate = owner->colorPickerDelegate.lock())
            delegate->colorPickerDidColorSelected(Color::fromCode(owner->colorList[item]), owner->colorList[item]);
    }
};

ColorPickerViewController::ColorPickerViewController()
    : m_swatches(std::make_shared<Swatches>())
{
    m_swatches->owner = this;
    bind("colorCollectionView", colorCollectionView);
}

ColorPickerViewController::~ColorPickerViewController() = default;

void ColorPickerViewController::viewDidLoad()
{
    colorList = loadColorList();
    if (!colorCollectionView)
        return;
    colorCollectionView->registerCellClass<LogoEditorCollectionViewCell>("ColorCell");
    colorCollectionView->setDataSource(m_swatches);
    colorCollectionView->setCollectionDelegate(m_swatches);
    colorCollectionView->reloadData();
}

}
