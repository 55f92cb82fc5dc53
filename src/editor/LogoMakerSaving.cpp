#include <editor/LogoMakerController.h>

#include <services/mySingleScritte.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Analytics.h>
#include <platform/foundation/Log.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>

namespace vd {

void LogoMakerController::myButtonSaveACTIOn()
{
    if (stickers().empty()) {
        auto alert = AlertController::make("Vardenico", mySingleScritte::sharedInstance().stringaSalvaLogoVuoto());
        alert->setName("myAlertLogoVuoto");
        alert->addAction("OK", AlertController::ActionStyle::Default);
        presentAlert(alert);
        return;
    }
    coloreViewTempo = myViewTemporanea->backgroundColor();
    myViewTemporanea->setOpaque(false);
    metodoSalvaLogo();
}

void LogoMakerController::metodoSalvaLogo()
{
    auto protector = shared_from_this();
    // Handles and guides never reach the picture; neither does a text caret.
    if (auto selected = selectedSticker()) {
        selected->hideEditingHandles();
        if (selected->myTextField)
            selected->myTextField->resignFirstResponder();
    }
    stickerViewNascondiGuide();

    const std::optional<std::int64_t> index = indexDiProvenienza ? std::optional<std::int64_t>(*indexDiProvenienza) : std::nullopt;
    auto picture = mySingleElementiManage::sharedInstance().metodoSalvaLogoDaView(*myViewTemporanea, index);
    if (!picture) {
        // The canvas is as it was; the person learns why nothing was kept.
        myViewTemporanea->setBackgroundColor(coloreViewTempo);
        auto alert = AlertController::make("Vardenico", picture.error().message);
        alert->setName("myAlertErroreSalvataggio");
        alert->addAction("OK", AlertController::ActionStyle::Default);
        presentAlert(alert);
        return;
    }

    auto navigation = navigationController();
    bool left = false;
    if (myStringaControllerDiProvenienza == "modifica") {
        if (navigation && !navigation->viewControllers().empty()) {
            const size_t position = myBoolQuintara ? 2 : 1;
            if (navigation->viewControllers().size() > position)
                navigation->popToIndex(position, true);
            else
                navigation->popToRootViewController(true);
            left = navigation->topViewController().get() != this;
        }
    } else if (ScreenRegistry::shared().hasScreen("previewlogo")) {
        auto preview = ScreenRegistry::shared().instantiate("previewlogo");
        if (!preview) {
            log::warning(preview.error().message);
        } else if (auto inputs = std::dynamic_pointer_cast<SavedLogoPreviewInputs>(*preview)) {
            inputs->setMyImageLogo(*picture);
            inputs->setMyFramePreview(myViewTemporanea->frame());
            inputs->setMyColorViewTemporanea(coloreViewTempo);
            inputs->setMyStringNomeOggetto(nomeKeyImg);
            inputs->setMyStringaAppenaSalvata("salvato");
            if (navigation) {
                navigation->pushViewController(*preview, true);
                left = true;
            }
        }
    } else if (navigation && navigation->viewControllers().size() > 1) {
        // Until the preview exists, a new logo returns to the screen that opened the editor.
        navigation->popViewController(true);
        left = true;
    }
    if (!left) {
        // The editor stays on screen (it was the only screen): its canvas looks as before.
        myViewTemporanea->setBackgroundColor(coloreViewTempo);
    }
    AnalyticsSink::shared().logEvent("Logo Maker Salva Logo");
}

}
