#include <library/PreviewLogoGeneratoViewController.h>

#include <services/mySingleScritte.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/ui/controls/BlurView.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/presentation/ShareSheet.h>
#include <platform/ui/window/Window.h>
#include <services/CustomPhotoAlbum.h>

namespace vd {

namespace {

constexpr double kFade = 0.3;
constexpr double kNoteSeconds = 3;
constexpr double kLogoAboveCentre = 10;
constexpr double kTintAlpha = 0.2;
constexpr double kDisabledAlpha = 0.35;

std::string describe(const Rect& r)
{
    return "(" + std::to_string(r.x()) + ", " + std::to_string(r.y()) + ", " + std::to_string(r.width()) + ", " + std::to_string(r.height()) + ")";
}

void metodoAbilita(Button& button, bool enabled)
{
    button.setEnabled(enabled);
    button.setAlpha(enabled ? 1 : kDisabledAlpha);
}

// The interface pictures are grey templates: drawn in the button's tint.
void metodoIconaModello(Button& button)
{
    button.setImage(button.imageForState(ControlStateNormal).withRenderingMode(Image::RenderingMode::Template));
}

}

PreviewLogoGeneratoViewController::PreviewLogoGeneratoViewController()
{
    bind("myViewBgSoprablure", myViewBgSoprablure);
    bind("myVisualEffctBG", myVisualEffctBG);
    bind("myImageViewBg", myImageViewBg);
    bind("myViewNAvBAr", myViewNAvBAr);
    bind("myImageViewPreviewLogo", myImageViewPreviewLogo);
    bind("myButtonBack", myButtonBack);
    bind("myButtonHOME", myButtonHOME);
    bind("myButtonSalvaNelRullino", myButtonSalvaNelRullino);
    bind("myViewAzioniSalveTornaHome", myViewAzioniSalveTornaHome);
    bind("myButtonShare", myButtonShare);
    bind("myLabelLogoSalvatoInGalleria", myLabelLogoSalvatoInGalleria);
    bind("myLabelSalvato", myLabelSalvato);
    bind("myButtonDeleteLogo", myButtonDeleteLogo);
    action("myButtonBackModificaLogoACTIOn", [this] { myButtonBackModificaLogoACTIOn(); });
    action("salvaNelrullinoACTION", [this] { salvaNelrullinoACTION(); });
    action("myButtonHomeACTION", [this] { myButtonHomeACTION(); });
    action("myButtonDeleteACTION", [this] { myButtonDeleteACTION(); });
    action("myButtonShareACTION", [this] { myButtonShareACTION(); });
}

void PreviewLogoGeneratoViewController::viewDidLoad()
{
    log::debug(std::string("preview logo: ") + (myImageLogo ? std::to_string(myImageLogo->pixelWidth()) + " × " + std::to_string(myImageLogo->pixelHeight()) : std::string("no picture")) + ", appena salvata \"" + myStringaAppenaSalvata + "\"");

    // Which stored row is shown, taken while the opener's index is fresh: the gallery has just
    // lined its list up with the rows, and the editor has just added the new logo as the last row.
    auto& store = mySingleElementiManage::sharedInstance();
    if (myIndexFoto && store.myArrLoghiEstratti.size() == store.myArrLoghiInCore.size() && *myIndexFoto >= 0 && static_cast<size_t>(*myIndexFoto) < store.myArrLoghiInCore.size())
        m_rowId = store.myArrLoghiInCore[static_cast<size_t>(*myIndexFoto)].rowId();
    else if (myStringType == "logo" && !store.myArrLoghiInCore.empty())
        m_rowId = store.myArrLoghiInCore.back().rowId();

    if (myStringaAppenaSalvata.empty()) {
        myLabelLogoSalvatoInGalleria->setAlpha(0);
    } else {
        myLabelLogoSalvatoInGalleria->setText(mySingleScritte::sharedInstance().stringaLogoSalvatoInGalleria());
        myLabelLogoSalvatoInGalleria->setAlpha(1);
        std::weak_ptr<Label> note = myLabelLogoSalvatoInGalleria;
        RunLoop::main().postAfter(kNoteSeconds, [note] {
            log::debug("test");
            if (auto label = note.lock())
                View::animate(kFade, 0, { .curve = AnimationCurve::EaseIn }, [&] { label->setAlpha(0); });
        });
    }
    metodoIconaModello(*myButtonShare);
    metodoIconaModello(*myButtonDeleteLogo);
    myLabelSalvato->setText(mySingleScritte::sharedInstance().stringaSalvato());
    myLabelSalvato->setAlpha(0);
    metodoImpostaInterfaccia();
}

void PreviewLogoGeneratoViewController::metodoImpostaInterfaccia()
{
    if (ScreenRegistry::shared().deviceKind() != DeviceKind::Tablet) {
        myImageViewPreviewLogo->setFrame(myFramePreview);
        log::debug("frame preview " + describe(myFramePreview));
    }
    metodoCentraLogo();
    myViewBgSoprablure->setBackgroundColor(Color::clear());
    myImageViewBg->setImage(mySingleElementiManage::sharedInstance().myImageSfondoHome);
    myImageViewPreviewLogo->setImage(myImageLogo.value_or(Image()));
    // Whatever the colour, the tint is faint: a clear colour gives black at 0.2.
    myImageViewPreviewLogo->setBackgroundColor(myColorViewTemporanea.withAlpha(kTintAlpha));

    const auto& scritte = mySingleScritte::sharedInstance();
    if (myStringType == "logo") {
        myButtonBack->setTitle("< " + scritte.stringaModifica());
        // Left-aligned: the button keeps its left edge and takes the title's width.
        Rect frame = myButtonBack->frame();
        frame.size.width = std::max(frame.width(), myButtonBack->sizeThatFits({}).width);
        myButtonBack->setFrame(frame);
        myButtonSalvaNelRullino->setTitle(scritte.stringaSalvaNelRullino());
        myButtonHOME->setTitle(scritte.stringaTornaHome());
    } else if (myStringType == "modifica") {
        myButtonBack->setTitle(std::string("< "));
        myButtonSalvaNelRullino->setTitle(scritte.stringaSalvaNelRullino());
        myButtonHOME->setTitle(scritte.stringaModifica());
    } else {
        myButtonBack->setTitle(std::string("< "));
        myButtonSalvaNelRullino->setAlpha(0);
        myButtonHOME->setAlpha(0);
        myButtonSalvaNelRullino->setUserInteractionEnabled(false);
        myButtonHOME->setUserInteractionEnabled(false);
    }
    // Delete and modify act on a stored logo; with no position (just saved by the editor) there
    // is none to act on. Save and share need a picture.
    metodoAbilita(*myButtonDeleteLogo, myIndexFoto.has_value());
    if (myStringType == "modifica")
        metodoAbilita(*myButtonHOME, myIndexFoto.has_value());
    const bool hasPicture = !myImageViewPreviewLogo->image().isEmpty();
    if (myStringType != "image")
        metodoAbilita(*myButtonSalvaNelRullino, hasPicture);
    metodoAbilita(*myButtonShare, hasPicture);
}

void PreviewLogoGeneratoViewController::metodoCentraLogo()
{
    const Rect area = view()->bounds();
    myImageViewPreviewLogo->setCenter({ myImageViewPreviewLogo->center().x, area.midY() - kLogoAboveCentre });
}

void PreviewLogoGeneratoViewController::viewWillAppear(bool)
{
    // Loaded at the screen's full size, shown in the size the container gives it (shorter on the
    // phones whose sensor housing it keeps clear): the logo is placed in the size it is shown at.
    metodoCentraLogo();
}

void PreviewLogoGeneratoViewController::viewWillDisappear(bool)
{
    log::debug("rimuovo image da preview");
    myImageLogo = Image();
}

std::optional<std::int64_t> PreviewLogoGeneratoViewController::metodoIndiceAttuale()
{
    if (!m_rowId)
        return std::nullopt;
    auto& store = mySingleElementiManage::sharedInstance();
    if (store.myArrLoghiEstratti.size() != store.myArrLoghiInCore.size())
        store.metodoCaricaDictOfData();
    for (size_t i = 0; i < store.myArrLoghiInCore.size(); ++i)
        if (store.myArrLoghiInCore[i].rowId() == *m_rowId)
            return static_cast<std::int64_t>(i);
    return std::nullopt;
}

void PreviewLogoGeneratoViewController::myButtonBackModificaLogoACTIOn()
{
    auto navigation = navigationController();
    if (!navigation)
        return;
    if (myStringType == "logo") {
        const auto& stack = navigation->viewControllers();
        if (auto* editor = stack.size() > 1 ? dynamic_cast<LogoEditorInputs*>(stack[1].get()) : nullptr) {
            // The editor now edits the logo it has just saved: a second save replaces it.
            const auto index = metodoIndiceAttuale();
            editor->setIndexDiProvenienza(index ? std::optional<int>(static_cast<int>(*index)) : std::nullopt);
            navigation->popToIndex(1, true);
            return;
        }
    }
    navigation->popViewController(true);
}

void PreviewLogoGeneratoViewController::salvaNelrullinoACTION()
{
    log::debug("AGGIUNGERE METODO PER SALVARE");
    const Image picture = myImageViewPreviewLogo->image();
    if (picture.isEmpty())
        return;
    auto& album = CustomPhotoAlbum::sharedInstance();
    if (auto saved = album.saveImage(picture); !saved) {
        metodoMostraAlert(album.assetCollection() ? "The logo was not saved: " + saved.error().message + "." : mySingleScritte::sharedInstance().stringaDeviAutorizzareFoto());
        return;
    }
    std::weak_ptr<Label> note = myLabelSalvato;
    View::animate(kFade, [&] { myLabelSalvato->setAlpha(1); }, [note](bool) {
        if (auto label = note.lock())
            View::animate(kFade, kNoteSeconds, { .curve = AnimationCurve::EaseOut }, [&] { label->setAlpha(0); });
    });
}

void PreviewLogoGeneratoViewController::myButtonHomeACTION()
{
    auto navigation = navigationController();
    if (!navigation)
        return;
    if (myStringType != "modifica") {
        navigation->popToRootViewController(true);
        return;
    }
    const auto index = metodoIndiceAttuale();
    if (!index) {
        metodoMostraAlert("This logo is no longer in your gallery.");
        return;
    }
    auto made = ScreenRegistry::shared().instantiate("logoEditor");
    if (!made) {
        log::warning(made.error().message);
        return;
    }
    auto editor = std::dynamic_pointer_cast<LogoEditorInputs>(*made);
    if (!editor) {
        log::warning("the screen \"logoEditor\" takes no editor inputs");
        return;
    }
    const auto& logo = mySingleElementiManage::sharedInstance().myArrLoghiEstratti[static_cast<size_t>(*index)];
    editor->setMyStringaControllerDiProvenienza("modifica");
    editor->setNomeKeyImg(myStringNomeOggetto);
    editor->setMyLogoArrayConViewPassato(logo && logo->myArrViewModel ? *logo->myArrViewModel : std::vector<ViewModel> {});
    editor->setIndexDiProvenienza(static_cast<int>(*index));
    navigation->pushViewController(*made, true);
}

void PreviewLogoGeneratoViewController::myButtonDeleteACTION()
{
    const auto& scritte = mySingleScritte::sharedInstance();
    auto alert = AlertController::make(scritte.stringaVuoiElimiareLogo(), "");
    std::weak_ptr<ViewController> weakSelf = shared_from_this();
    alert->addAction("Ok", AlertController::ActionStyle::Default, [weakSelf, this] {
        if (!weakSelf.lock())
            return;
        if (const auto index = metodoIndiceAttuale()) {
            if (auto deleted = mySingleElementiManage::sharedInstance().metodoEliminaLogoDalDictWithIndex(*index); !deleted) {
                metodoMostraAlert("The logo was not deleted: " + deleted.error().message + ".");
                return;
            }
        }
        if (auto navigation = navigationController())
            navigation->popViewController(true);
    });
    alert->addAction(scritte.stringaAnnulla(), AlertController::ActionStyle::Cancel);
    alert->present(metodoViewPerAlert());
}

void PreviewLogoGeneratoViewController::myButtonShareACTION()
{
    const Image picture = myImageViewPreviewLogo->image();
    if (picture.isEmpty())
        return;
    auto png = encodePng(picture);
    if (!png) {
        metodoMostraAlert("The logo cannot be shared: " + png.error().message + ".");
        return;
    }
    const bool tablet = ScreenRegistry::shared().deviceKind() == DeviceKind::Tablet;
    ShareSheet::present(metodoViewPerAlert(), ShareItems { std::move(*png), "#Vardenico" }, tablet ? std::static_pointer_cast<View>(myButtonShare) : nullptr);
}

View& PreviewLogoGeneratoViewController::metodoViewPerAlert()
{
    auto* window = view()->window();
    return window ? static_cast<View&>(*window) : *view();
}

void PreviewLogoGeneratoViewController::metodoMostraAlert(const std::string& messaggio)
{
    auto alert = AlertController::make("Vardenico", messaggio);
    alert->addAction("OK", AlertController::ActionStyle::Default);
    alert->present(metodoViewPerAlert());
}

}
