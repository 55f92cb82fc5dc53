#include <editor/LogoMakerController.h>

#include <services/mySingleElementiManage.h>
#include <platform/foundation/Log.h>
#include <platform/ui/presentation/Popover.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <algorithm>
#include <cmath>

namespace vd {

// Palettes --------------------------------------------------------------------------------------

void LogoMakerController::myButtonSketchCollectionACTION()
{
    metodoIndexCustomTab(0);
    myArrNomiFormeDaSingle = mySingleElementiManage::sharedInstance().myArrStringNameICON;
    myCollectionForme->reloadData();
    if (!myArrNomiFormeDaSingle.empty())
        myCollectionForme->scrollToItemAtIndexPath(IndexPath::forItem(0, 0), ScrollPosition::Top, Animated::Yes);
    metodoEntraCollectionForme(true);
}

void LogoMakerController::myButtonAddForma()
{
    metodoIndexCustomTab(1);
    myArrNomiFormeDaSingle = mySingleElementiManage::sharedInstance().myArrStringNameGEOMETRY;
    myCollectionForme->reloadData();
    if (!myArrNomiFormeDaSingle.empty())
        myCollectionForme->scrollToItemAtIndexPath(IndexPath::forItem(0, 0), ScrollPosition::Top, Animated::Yes);
    metodoEntraCollectionForme(true);
}

void LogoMakerController::metodoEntraCollectionForme(bool animated)
{
    metodoEsceColorPicker();
    metodoEsceTextSetting();
    slidePanel(myViewBgCollectionForme, true, animated ? 0.3 : 0);
}

void LogoMakerController::metodoEsceCollectionForme() { slidePanel(myViewBgCollectionForme, false, 0.3); }

void LogoMakerController::paletteDidSelectItem(long item)
{
    if (item < 0 || static_cast<size_t>(item) >= myArrNomiFormeDaSingle.size())
        return;
    if (!metodoAggiungiFormaWithNomeImmagine(myArrNomiFormeDaSingle[static_cast<size_t>(item)]))
        return;
    metodoEntraColorPicker(false);
}

// Colour panel ----------------------------------------------------------------------------------

void LogoMakerController::metodoEntraColorPicker(bool textMode)
{
    myBoolColorPickerTesto = textMode;
    View::animate(0.2, [this] { myViewSegmentSelezionata->setAlpha(0); });
    slidePanel(myViewColorsAndAlphaBG, true, 0.3);
    if (textMode)
        myButtonDoneColor->setAlpha(1);
}

void LogoMakerController::metodoEsceColorPicker()
{
    if (!myViewColorsAndAlphaBG)
        return;
    const double y = view()->bounds().height() + myViewColorsAndAlphaBG->bounds().height() / 2;
    const double x = myViewColorsAndAlphaBG->center().x;
    View::animate(0.3, [this, x, y] {
        myViewColorsAndAlphaBG->setCenter({ x, y });
        myButtonDoneColor->setAlpha(0);
    });
    myBoolColorPickerTesto = false;
}

void LogoMakerController::myButtonColorPickerACTION()
{
    auto made = ScreenRegistry::shared().instantiate("sbColorPicker");
    if (!made) {
        log::warning(made.error().message);
        return;
    }
    auto picker = std::dynamic_pointer_cast<ColorPickerViewController>(*made);
    if (!picker)
        return;
    picker->colorPickerDelegate = std::dynamic_pointer_cast<ColorPickerDelegate>(shared_from_this());
    const double width = myViewBarraStrumenti->bounds().width() - 50;
    const double side = width / 11;
    Size size { width, side * 15 };
    picker->setPreferredContentSize(size);
    picker->setModalPresentationStyle(ModalPresentationStyle::Popover);
    auto content = picker->view();
    content->setFrame({ 0, 0, size.width, size.height });
    auto popover = View::make<Popover>(content);
    popover->setName("myPopoverColori");
    popover->setPreferredContentSize(size);
    popover->setSourceView(myViewTemporanea);
    popover->setSourceRect(myViewTemporanea->bounds());
    popover->setPermittedArrowDirections(Popover::ArrowUp);
    std::weak_ptr<ViewController> weak = shared_from_this();
    popover->setOnDismiss([this, weak] {
        if (!weak.lock())
            return;
        myPopoverColori.reset();
        myColorPickerPresentato.reset();
    });
    myColorPickerPresentato = picker;
    myPopoverColori = popover;
    if (auto* w = view()->window())
        popover->present(*w);
    else
        popover->present(*view());
    // Below the canvas there may be less room than the 15 rows ask for. Whole rows show and the
    // grid scrolls to the rest; where smaller swatches (never under 30 points) let all 15 rows fit,
    // the grid is fitted instead.
    popover->layoutIfNeeded();
    const double room = content->bounds().height();
    if (room + 0.5 < size.height && room > 0) {
        constexpr double kLatoMinimo = 30;
        const double fitted = std::min(side, std::max(kLatoMinimo, room / 15));
        const double rows = std::clamp(std::floor(room / fitted), 1.0, 15.0);
        size = { fitted * 11, fitted * rows };
        picker->setPreferredContentSize(size);
        popover->setPreferredContentSize(size);
        popover->layoutIfNeeded();
    }
}

void LogoMakerController::colorPickerDidColorSelected(const Color& color, const std::string& selectedHexColor)
{
    if (auto sticker = selectedSticker()) {
        if (sticker->myTextField)
            sticker->myTextField->setTextColor(color);
        else
            sticker->setTintColor(color);
    }
    myButtonColorPicker->setBackgroundColor(color);
    myButtonTextColor->setBackgroundColor(color);
    metodoRegistraModifica();
    log::debug("colore " + selectedHexColor + " " + color.htmlRGBaColor());
}

}
