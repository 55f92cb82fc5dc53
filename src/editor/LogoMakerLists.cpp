#include <editor/LogoMakerLists.h>

#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/TextView.h>

namespace vd {

void LogoMakerController::Lists::attach()
{
    grids->lists = rows->lists = pickers->lists = zoom->lists = this;
    auto& e = *editor;
    e.myCollectionForme->registerCellClass<collectionImmaginiFormeCell>("cellforme");
    e.myCollectionForme->setDataSource(grids);
    e.myCollectionForme->setCollectionDelegate(grids);
    e.myCollectionView->registerCellClass<LogoEditorCollectionViewCell>("cell");
    e.myCollectionView->setDataSource(grids);
    e.myCollectionView->setCollectionDelegate(grids);
    e.myTableViewLayer->registerCellClass<LogoMakerLayerCell>("cell");
    e.myTableViewLayer->setDataSource(rows);
    e.myTableViewLayer->setTableDelegate(rows);
    e.myPickerViewFont->setDataSource(pickers);
    e.myPickerViewFont->setDelegate(pickers);
    e.myPickerViewFontSize->setDataSource(pickers);
    e.myPickerViewFontSize->setDelegate(pickers);
    e.myScrollViewLogoComposer->setDelegate(zoom);
}

// Grids ----------------------------------------------------------------------------------------

long LogoMakerController::Lists::Grids::numberOfItemsInSection(CollectionView& view, long)
{
    auto& e = *lists->editor;
    if (&view == e.myCollectionForme.get())
        return static_cast<long>(e.myArrNomiFormeDaSingle.size());
    return static_cast<long>(e.colorList.size());
}

std::shared_ptr<CollectionViewCell> LogoMakerController::Lists::Grids::cellForItemAtIndexPath(CollectionView& view, IndexPath indexPath)
{
    auto& e = *lists->editor;
    const auto item = static_cast<size_t>(indexPath.item);
    if (&view == e.myCollectionForme.get()) {
        auto cell = view.dequeueReusableCell<collectionImmaginiFormeCell>("cellforme", indexPath);
        if (!cell)
            return nullptr;
        // A name the catalogue lacks shows an empty cell.
        const std::string& name = item < e.myArrNomiFormeDaSingle.size() ? e.myArrNomiFormeDaSingle[item] : std::string();
        cell->myImageViewForme->setImage(!name.empty() && imageExists(name) ? imageNamed(name) : Image {});
        return cell;
    }
    auto cell = view.dequeueReusableCell("cell", indexPath);
    if (cell && item < e.colorList.size())
        paintSwatch(*cell, e.colorList[item]);
    return cell;
}

std::optional<Size> LogoMakerController::Lists::Grids::sizeForItemAtIndexPath(CollectionView& view, IndexPath)
{
    if (&view == lists->editor->myCollectionForme.get()) {
        const double side = view.bounds().width() * 0.25;
        return Size { side, side };
    }
    return swatchSize(view);
}

void LogoMakerController::Lists::Grids::didSelectItemAtIndexPath(CollectionView& view, IndexPath indexPath)
{
    auto& e = *lists->editor;
    view.deselectItemAtIndexPath(indexPath, Animated::No);
    if (&view == e.myCollectionForme.get()) {
        e.paletteDidSelectItem(indexPath.item);
        return;
    }
    const auto item = static_cast<size_t>(indexPath.item);
    if (item < e.colorList.size())
        e.colorPickerDidColorSelected(Color::fromCode(e.colorList[item]), e.colorList[item]);
}

// Layer table ----------------------------------------------------------------------------------

long LogoMakerController::Lists::Rows::numberOfRowsInSection(TableView&, long)
{
    return static_cast<long>(lists->editor->myViewTemporanea->subviews().size());
}

std::shared_ptr<TableViewCell> LogoMakerController::Lists::Rows::cellForRowAtIndexPath(TableView& table, IndexPath indexPath)
{
    auto cell = table.dequeueReusableCell<LogoMakerLayerCell>("cell", indexPath);
    if (cell)
        lists->editor->fillLayerCell(*cell, static_cast<size_t>(indexPath.row()));
    return cell;
}

void LogoMakerController::Lists::Rows::moveRowAtIndexPath(TableView&, IndexPath from, IndexPath to)
{
    lists->editor->moveLayer(static_cast<size_t>(from.row()), static_cast<size_t>(to.row()));
}

std::optional<double> LogoMakerController::Lists::Rows::heightForRowAtIndexPath(TableView& table, IndexPath)
{
    const Size canvas = lists->editor->myViewTemporanea->bounds().size;
    if (canvas.height <= 0)
        return std::nullopt;
    return canvas.width / canvas.height * table.bounds().width();
}

void LogoMakerController::Lists::Rows::didSelectRowAtIndexPath(TableView&, IndexPath indexPath)
{
    auto& e = *lists->editor;
    const auto& children = e.myViewTemporanea->subviews();
    const auto row = static_cast<size_t>(indexPath.row());
    if (row < children.size())
        if (auto sticker = std::dynamic_pointer_cast<LDStickerView>(children[row]))
            e.metodoImpostaViewSelezionata(sticker);
    e.metodoEsciTableLayer();
}

// Pickers ---------------------------------------------------------------------------------------

long LogoMakerController::Lists::Pickers::numberOfRowsInComponent(PickerView& picker, long)
{
    auto& e = *lists->editor;
    if (&picker == e.myPickerViewFont.get())
        return static_cast<long>(e.myArrayPickerFontData.size());
    return static_cast<long>(e.myArrayFontSize.size());
}

std::shared_ptr<View> LogoMakerController::Lists::Pickers::viewForRow(PickerView& picker, long row, long, std::shared_ptr<View> reusing)
{
    auto& e = *lists->editor;
    const bool fonts = &picker == e.myPickerViewFont.get();
    const auto index = static_cast<size_t>(row);
    std::string title;
    if (fonts && index < e.myArrayPickerFontData.size())
        title = e.myArrayPickerFontData[index];
    else if (!fonts && index < e.myArrayFontSize.size())
        title = std::to_string(e.myArrayFontSize[index]);
    auto label = std::dynamic_pointer_cast<PickerRowLabel>(reusing);
    if (label)
        label->setTitle(title);
    else
        label = View::make<PickerRowLabel>(title);
    label->style().alignment = TextAlignment::Center;
    if (fonts) {
        // Each font shown in itself; one that cannot be loaded falls back to the stand-in font.
        label->style().fontName = fontCanBeLoaded(title) ? title : std::string("GillSans");
        label->style().fontSize = 18;
        label->style().color = Color::whiteColor();
    } else {
        label->style().fontName = "AvenirNext-Regular";
        label->style().fontSize = 13;
        label->style().color = Color::black();
    }
    return label;
}

std::optional<std::string> LogoMakerController::Lists::Pickers::titleForRow(PickerView& picker, long row, long)
{
    auto& e = *lists->editor;
    const auto index = static_cast<size_t>(row);
    if (&picker == e.myPickerViewFont.get())
        return index < e.myArrayPickerFontData.size() ? std::optional(e.myArrayPickerFontData[index]) : std::nullopt;
    return index < e.myArrayFontSize.size() ? std::optional(std::to_string(e.myArrayFontSize[index])) : std::nullopt;
}

void LogoMakerController::Lists::Pickers::didSelectRow(PickerView& picker, long row, long)
{
    lists->editor->pickerViewDidSelectRow(picker, row);
}

// Zoom ------------------------------------------------------------------------------------------

std::shared_ptr<View> LogoMakerController::Lists::Zoom::viewForZoomingInScrollView(ScrollView&)
{
    if (lists->foldingZoom)
        return nullptr;
    return lists->editor->selectedSticker();
}

void LogoMakerController::Lists::Zoom::scrollViewDidEndZooming(ScrollView&, View* view, double)
{
    if (auto sticker = std::dynamic_pointer_cast<LDStickerView>(view ? view->shared_from_this() : nullptr))
        lists->editor->foldZoomIntoBounds(sticker);
}

}
