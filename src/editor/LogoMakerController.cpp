#include <editor/LogoMakerController.h>

#include <services/AppDelegate.h>
#include <services/mySingleScritte.h>
#include <editor/EditorViewClasses.h>
#include <editor/LogoMakerCells.h>
#include <editor/LogoMakerLists.h>
#include <elements/SensorHousing.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Analytics.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/NotificationCenter.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/ColorList.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/store/KeyedArchive.h>
#include <platform/ui/gestures/PanGestureRecognizer.h>
#include <platform/ui/gestures/PinchGestureRecognizer.h>
#include <platform/ui/gestures/TapGestureRecognizer.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/Popover.h>
#include <platform/ui/window/Window.h>

#include <algorithm>
#include <cmath>

namespace vd {

LogoMakerController::LogoMakerController()
    : m_lists(std::make_shared<Lists>())
{
    registerEditorViewClasses();
    m_lists->editor = this;
    const Size screen = currentScreenSize();
    Centro = { screen.width * 0.5, screen.height * 0.5 };
    myArrayFontSize = { 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60, 64, 68, 72, 78, 84, 88, 92, 94, 96,
        104, 110, 120, 124, 132, 144, 150, 158, 164, 170, 176, 182, 188, 194, 200, 208, 216, 224, 232, 238 };

    bind("myViewTemporanea", myViewTemporanea);
    bind("mySliderAlpha", mySliderAlpha);
    bind("myButtonBack", myButtonBack);
    bind("myViewLogoComposer", myViewLogoComposer);
    bind("myViewLogoComposerInSCROLL", myViewLogoComposerInSCROLL);
    bind("myScrollViewLogoComposer", myScrollViewLogoComposer);
    bind("myViewBarraStrumenti", myViewBarraStrumenti);
    bind("myViewCustomNavBar", myViewCustomNavBar);
    bind("myViewToolBarStrumenti", myViewToolBarStrumenti);
    bind("myCollectionView", myCollectionView);
    bind("myTableViewLayer", myTableViewLayer);
    bind("myViewBgtableLayer", myViewBgtableLayer);
    bind("myButtonOrdinaLayer", myButtonOrdinaLayer);
    bind("myLabelOrdinaLayerTitle", myLabelOrdinaLayerTitle);
    bind("myButtonEntraTableLayer", myButtonEntraTableLayer);
    bind("myButtonCloseTableViewLayer", myButtonCloseTableViewLayer);
    bind("myViewBgSetting", myViewBgSetting);
    bind("myViewRectPiccoloSetting", myViewRectPiccoloSetting);
    bind("myLabelSettingsTitle", myLabelSettingsTitle);
    bind("myLabelEditorStyle", myLabelEditorStyle);
    bind("myLabelNotaSfondoTrasparente", myLabelNotaSfondoTrasparente);
    bind("myButtonWhiteProperty", myButtonWhiteProperty);
    bind("myButtonGrayProperty", myButtonGrayProperty);
    bind("myButtonDarkProperty", myButtonDarkProperty);
    bind("myButtonEntraSettingProp", myButtonEntraSettingProp);
    bind("myButtonEsceViewSetting", myButtonEsceViewSetting);
    bind("myLabelTrasparenza", myLabelTrasparenza);
    bind("myViewColorsAndAlphaBG", myViewColorsAndAlphaBG);
    bind("myViewFontTextBG", myViewFontTextBG);
    bind("myPickerViewFont", myPickerViewFont);
    bind("myPickerViewFontSize", myPickerViewFontSize);
    bind("myButtonAddTextProp", myButtonAddTextProp);
    bind("mySegmentedControlAllineamnto", mySegmentedControlAllineamnto);
    bind("myButtonTextColor", myButtonTextColor);
    bind("myButtonDoneColor", myButtonDoneColor);
    bind("myButtonSketckCollection", myButtonSketckCollection);
    bind("myButtonAddGeometryProp", myButtonAddGeometryProp);
    bind("myViewBgCollectionForme", myViewBgCollectionForme);
    bind("myCollectionForme", myCollectionForme);
    bind("myImageViewButtonIcon", myImageViewButtonIcon);
    bind("myImageViewButtonGeometry", myImageViewButtonGeometry);
    bind("myImageViewButtonLayer", myImageViewButtonLayer);
    bind("myImageViewButtonText", myImageViewButtonText);
    bind("myButtonSaveLogoProp", myButtonSaveLogoProp);
    bind("myViewBgTutorial", myViewBgTutorial);
    bind("myLabelAggiungiTemplate", myLabelAggiungiTemplate);
    bind("myLabelAggiungiGeometric", myLabelAggiungiGeometric);
    bind("myLabelAggiungiTesto", myLabelAggiungiTesto);
    bind("myLabelToccaPerModificareTuto", myLabelToccaPerModificareTuto);
    bind("myLabelRuotaScalaTuto", myLabelRuotaScalaTuto);
    bind("myLabelAlteraTuto", myLabelAlteraTuto);
    bind("myLabelEliminaTuto", myLabelEliminaTuto);
    bind("myLabelLoghiSalvatiBgTrasparenteTuto", myLabelLoghiSalvatiBgTrasparenteTuto);
    bind("myLabelOrdinaLivelliTuto", myLabelOrdinaLivelliTuto);
    bind("myButtonOkTutorial", myButtonOkTutorial);
    bind("myButtonEtraTutorial", myButtonEtraTutorial);
    bind("myButtonColorPicker", myButtonColorPicker);

    action("mySliderAlphaAction", [this] { mySliderAlphaAction(); });
    action("myButtonBackACTIOn", [this] { myButtonBackACTIOn(); });
    action("myButtonSaveACTIOn", [this] { myButtonSaveACTIOn(); });
    action("myButtonAddTextACTION", [this] { myButtonAddTextACTION(); });
    action("myButtonSketchCollectionACTION", [this] { myButtonSketchCollectionACTION(); });
    action("myButtonAddForma", [this] { myButtonAddForma(); });
    action("metodoEntraTableLayer", [this] { metodoEntraTableLayer(); });
    action("metodoEsciTableLayer", [this] { metodoEsciTableLayer(); });
    action("metodoAbilitaDisabilitaEditingLayer", [this] { metodoAbilitaDisabilitaEditingLayer(); });
    action("mySegmenteControlAllineamentoACTION", [this] { mySegmenteControlAllineamentoACTION(); });
    action("myButtonTextColorACTION", [this] { myButtonTextColorACTION(); });
    action("myButtonDoneColorACTION", [this] { myButtonDoneColorACTION(); });
    action("myButtonColorPickerACTION", [this] { myButtonColorPickerACTION(); });
    action("myButtonEntraSettingACTION", [this] { metodoEntraSetting(); });
    action("myButtonEsceViewSettinACTION", [this] { metodoEsceSettings(); });
    action("myButtonEditorWhiteACTIOn", [this] { myButtonEditorWhiteACTIOn(); });
    action("myButtonEditorGrayACTION", [this] { myButtonEditorGrayACTION(); });
    action("myButtonEditorDarkACTION", [this] { myButtonEditorDarkACTION(); });
    action("myButtonEtraTutorialACTION", [this] { metodoAppareTutorial(); });
    action("myButtonOkTutorialACTION", [this] { myButtonOkTutorialACTION(); });
}

LogoMakerController::~LogoMakerController() { NotificationCenter::defaultCenter().removeObserver(this); }

double LogoMakerController::topBarOffset()
{
    // Tall notched screens push the bar below the sensor housing, unless the screen is hosted
    // below it already (the container does that): the offset is taken once.
    if (!metodoSchermoConNotch())
        return 0;
    log::debug(std::round(currentScreenSize().height * 3) == 2436 ? "iPhone X" : "unknown");
    return metodoSpazioSottoNotch(*view());
}

// ---------------------------------------------------------------------------------------------
// Load and appearance

void LogoMakerController::viewDidLoad()
{
    auto protector = shared_from_this();
    selectedldsStickerTEMPO = LDStickerView::initWithFrame(Rect {});
    selectedLdsSticker = selectedldsStickerTEMPO;

    // 1. The tutorial, until the person has dismissed it once.
    if (!UserDefaults::standard().objectForKey("tutorialLogoa"))
        metodoAppareTutorial();
    else
        metodoEsceTutorial(0);

    // 2.
    if (indexDiProvenienza)
        log::debug("index di provenienza " + std::to_string(*indexDiProvenienza));

    // 3. The palettes. A screen opened on its own (no launch before it) still offers the
    // catalogue's names.
    auto& store = mySingleElementiManage::sharedInstance();
    if (store.myArrStringNameICON.empty() || store.myArrStringNameGEOMETRY.empty())
        AppDelegate::shared()->applicationDidBecomeActive();
    m_lists->attach();
    myArrNomiFormeDaSingle = store.myArrStringNameICON;
    myCollectionForme->reloadData();
    metodoEntraCollectionForme(false);
    colorList = loadColorList();
    myCollectionView->reloadData();

    // 4. The stickers' notifications.
    auto& centre = NotificationCenter::defaultCenter();
    std::weak_ptr<ViewController> weak = shared_from_this();
    auto on = [this, weak](void (LogoMakerController::*handler)()) {
        return [weak, handler, this](const Notification&) {
            if (weak.lock())
                (this->*handler)();
        };
    };
    centre.addObserver(this, keyCentroPerfetto, nullptr, on(&LogoMakerController::stickerViewAlCentro));
    centre.addObserver(this, keyCentroOr, nullptr, on(&LogoMakerController::stickerViewOrizzontale));
    centre.addObserver(this, keyCentroVer, nullptr, on(&LogoMakerController::stickerViewVerticale));
    centre.addObserver(this, keyNascondiLineeGuida, nullptr, on(&LogoMakerController::stickerViewNascondiGuide));
    centre.addObserver(this, keyNascondiLineaOrizzonale, nullptr, on(&LogoMakerController::stickerViewNascondiLineaOrizzontale));
    centre.addObserver(this, keyReloadTable, nullptr, on(&LogoMakerController::funzioneReloadTableLayer));

    // The canvas: a touch lifting on its bare surface deselects; the scroll view zooms the selection.
    myViewTemporanea->onBareTouchEnded = [this, weak] {
        if (!weak.lock())
            return;
        log::debug("myUIImageView has been tapped by the user.");
        metodoSeleizionaPrimoIndexSelettore();
        metodoImpostaViewSelezionata(selectedLdsSticker);
    };
    myScrollViewLogoComposer->setMinimumZoomScale(1);
    myScrollViewLogoComposer->setMaximumZoomScale(3);

    // 5.
    metodoAccendiPickerFont();
    metodoCalcolaPosizioneButtonInToolBar();

    // 6. and 7. Layers handed over, bottom first.
    if (auto data = UserDefaults::standard().objectForKey("dataview")) {
        auto records = viewModelsFromArchiveRoot(*data, UserDefaults::standard().file().string() + " \"dataview\"");
        if (records)
            metodoCaricaLogo(*records);
        else
            log::warning(records.error().message);
    }
    if (!myLogoArrayConViewPassato.empty())
        metodoCaricaLogo(myLogoArrayConViewPassato);

    // 8.
    AnalyticsSink::shared().logEvent("Logo Maker Appear");
}

void LogoMakerController::layoutBars()
{
    const double offset = topBarOffset();
    if (myViewCustomNavBar) {
        Rect bar = myViewCustomNavBar->frame();
        bar.origin.y = offset;
        myViewCustomNavBar->setFrame(bar);
        if (auto colour = myViewCustomNavBar->backgroundColor(); colour && offset > 0)
            view()->setBackgroundColor(colour);
    }
    // The canvas fills its frame inside the scroll view, at the origin, so that its centre as its
    // container reports it is its middle (the stickers snap to it).
    const Rect area = myViewLogoComposerInSCROLL->bounds();
    if (myViewTemporanea->frame().size != area.size || myViewTemporanea->frame().origin != Point {}) {
        myViewTemporanea->setTransform(AffineTransform::identity());
        myViewTemporanea->setFrame({ 0, 0, area.width(), area.height() });
    }
    myScrollViewLogoComposer->setContentSize(myViewLogoComposerInSCROLL->frame().size);
}

void LogoMakerController::viewWillAppear(bool)
{
    // The screen lays out in the size it is given: inside the container that is the screen less
    // the band the container keeps clear above it.
    Centro = view()->bounds().center();
    metodoEsciTableLayer();
    metodoEsceSettings();
    layoutBars();
    myButtonColorPicker->layer().setCornerRadius(6);
    myButtonTextColor->layer().setCornerRadius(myButtonTextColor->bounds().height() / 2);
    mySliderAlpha->setThumbImage(imageNamed("ThumbSlider"));
    metodoDisegnaLineeGuida();
    metodoLocalizzaScritteConColoreEditor();
    // The first appearance gives the history its start: the canvas as it was opened.
    metodoRegistraModifica();
}

// ---------------------------------------------------------------------------------------------
// Layers

std::vector<std::shared_ptr<LDStickerView>> LogoMakerController::stickers() const
{
    std::vector<std::shared_ptr<LDStickerView>> result;
    if (!myViewTemporanea)
        return result;
    for (const auto& child : myViewTemporanea->subviews())
        if (auto sticker = std::dynamic_pointer_cast<LDStickerView>(child))
            result.push_back(sticker);
    return result;
}

std::shared_ptr<LDStickerView> LogoMakerController::selectedSticker() const
{
    // A sticker deleted with its handle stays referenced until the next selection; it is no
    // longer on the canvas, so it counts as nothing selected.
    if (!selectedLdsSticker || selectedLdsSticker == selectedldsStickerTEMPO || selectedLdsSticker->superview() != myViewTemporanea)
        return nullptr;
    return selectedLdsSticker;
}

void LogoMakerController::wireSticker(const std::shared_ptr<LDStickerView>& sticker, bool text)
{
    std::weak_ptr<GestureRecognizerDelegate> delegate = std::dynamic_pointer_cast<GestureRecognizerDelegate>(shared_from_this());
    std::weak_ptr<ViewController> weak = shared_from_this();
    auto target = [this, weak](void (LogoMakerController::*handler)(GestureRecognizer&)) {
        return [this, weak, handler](GestureRecognizer& recognizer) {
            if (auto self = weak.lock())
                (this->*handler)(recognizer);
        };
    };
    auto tap = std::make_shared<TapGestureRecognizer>(target(&LogoMakerController::handleTap));
    tap->setName("handleTap");
    tap->setDelegate(delegate);
    sticker->addGestureRecognizer(tap);
    if (text) {
        auto doubleTap = std::make_shared<TapGestureRecognizer>(target(&LogoMakerController::doubleTapText));
        doubleTap->setNumberOfTapsRequired(2);
        doubleTap->setName("doubleTapText");
        doubleTap->setDelegate(delegate);
        sticker->addGestureRecognizer(doubleTap);
    } else {
        auto pan = std::make_shared<PanGestureRecognizer>(target(&LogoMakerController::handlePanGesture));
        pan->setMinimumNumberOfTouches(2);
        pan->setName("handlePanGesture");
        pan->setDelegate(delegate);
        sticker->addGestureRecognizer(pan);
    }
    // A drag or a rotation that is cancelled (a second finger, the window losing focus) must
    // leave no guide and no diagonal overlay behind, as an ended one does.
    std::weak_ptr<LDStickerView> weakSticker = sticker;
    auto cleanUp = [this, weak, weakSticker](GestureRecognizer& recognizer) {
        if (recognizer.state() != GestureRecognizer::State::Cancelled || !weak.lock())
            return;
        stickerViewNascondiGuide();
        if (auto s = weakSticker.lock()) {
            s->myBoolLineeGuidaNascoste = true;
            if (s->lineeDiagonali())
                s->lineeDiagonali()->setAlpha(0);
        }
    };
    for (const auto& recognizer : sticker->gestureRecognizers())
        if (recognizer->name() == "moveGesture")
            recognizer->addTarget(cleanUp);
    if (sticker->rotateView())
        for (const auto& recognizer : sticker->rotateView()->gestureRecognizers())
            recognizer->addTarget(cleanUp);
    // A drag of the body or of a handle is one change in the history, recorded when it ends.
    auto recorded = [this, weak](GestureRecognizer& recognizer) {
        const auto state = recognizer.state();
        if ((state == GestureRecognizer::State::Ended || state == GestureRecognizer::State::Cancelled) && weak.lock())
            metodoRegistraAFineGesto();
    };
    for (const View* part : { static_cast<const View*>(sticker.get()), static_cast<const View*>(sticker->rotateView().get()), static_cast<const View*>(sticker->resizeView().get()) })
        if (part)
            for (const auto& recognizer : part->gestureRecognizers())
                recognizer->addTarget(recorded);
}

namespace {

Image templateImageNamed(const std::string& name)
{
    if (name.empty() || !imageExists(name))
        return {};
    return imageNamed(name).withRenderingMode(Image::RenderingMode::Template);
}

}

std::shared_ptr<LDStickerView> LogoMakerController::addPictureSticker(const std::string& nome, const Image& image, double width, double height, const std::optional<Color>& tint)
{
    auto imageView = View::make<ImageView>(Rect(200, 200, width, height));
    imageView->setImage(image);
    imageView->setUserInteractionEnabled(true);
    auto pinch = std::make_shared<PinchGestureRecognizer>();
    std::weak_ptr<ViewController> weak = shared_from_this();
    pinch->addTarget([this, weak](GestureRecognizer& recognizer) {
        if (weak.lock())
            pinchedView(recognizer);
    });
    pinch->setName("pinchedView");
    pinch->setDelegate(std::dynamic_pointer_cast<GestureRecognizerDelegate>(shared_from_this()));
    imageView->addGestureRecognizer(pinch);

    auto sticker = LDStickerView::initWithFrame({ kStickerOrigin, kStickerOrigin, width, height });
    sticker->setContentView(imageView);
    sticker->nomeImmagine = nome;
    sticker->setUserInteractionEnabled(true);
    wireSticker(sticker, false);
    myViewTemporanea->addSubview(sticker);
    sticker->setTintColor(tint);
    return sticker;
}

std::shared_ptr<LDStickerView> LogoMakerController::metodoAggiungiFormaWithNomeImmagine(const std::string& nome)
{
    const Image image = templateImageNamed(nome);
    if (image.isEmpty()) {
        log::warning("the image catalogue has no picture \"" + nome + "\"; no layer added");
        return nullptr;
    }
    auto sticker = addPictureSticker(nome, image, kImageLayerSide, kImageLayerSide, coloreDefaultOggettiAggiunti);
    sticker->showEditingHandles();
    metodoImpostaViewSelezionata(sticker);
    return sticker;
}

bool LogoMakerController::metodoAggiungiViewImage(const ViewModel& record)
{
    const Image image = templateImageNamed(record.nomeImg);
    if (image.isEmpty()) {
        log::warning("a layer names the picture \"" + record.nomeImg + "\", which the image catalogue lacks; it is left out");
        return false;
    }
    auto sticker = addPictureSticker(record.nomeImg, image, record.largezza, record.altezza, record.tintColor);
    sticker->hideEditingHandles();
    sticker->contentView()->setAlpha(record.alpha);
    sticker->setCenter({ record.centrox, record.centroy });
    sticker->setTransform(AffineTransform::rotation(record.rotazione));
    return true;
}

bool LogoMakerController::metodoAggiungiViewText(const ViewModel& record)
{
    if (!fontCanBeLoaded(record.fontName)) {
        log::warning("a text layer uses the font \"" + record.fontName + "\", which cannot be loaded; it is left out");
        return false;
    }
    auto sticker = LDStickerView::initWithFrame({ kStickerOrigin, kStickerOrigin, record.largezza, record.altezza });
    sticker->nomeImmagine = "testo";
    sticker->setTextView(false);
    myViewTemporanea->addSubview(sticker);
    sticker->setEnableRotate(true);
    sticker->setEnableResize(true);
    sticker->contentView()->setTag(50);
    wireSticker(sticker, true);
    metodoEntraTextSetting();
    sticker->setCenter({ record.centrox, record.centroy });
    sticker->setTransform(AffineTransform::rotation(record.rotazione));
    auto& text = *sticker->myTextField;
    text.setText(record.testo);
    text.setFont(record.fontName, record.fontSize);
    text.setTextColor(record.textColor);
    if (record.textAllin >= 0 && record.textAllin <= 2)
        text.setTextAlignment(myArrayAllineamento[record.textAllin]);
    sticker->setTintColor(record.tintColor);
    sticker->hideEditingHandles();
    sticker->contentView()->setAlpha(record.alpha);
    return true;
}

void LogoMakerController::metodoCaricaLogo(const std::vector<ViewModel>& records)
{
    for (const auto& record : records) {
        bool shown = false;
        if (record.type == "text")
            shown = metodoAggiungiViewText(record);
        else if (record.type == "image")
            shown = metodoAggiungiViewImage(record);
        if (!shown)
            ++myNumLayerSaltati;
    }
    // Records saved on another device's canvas may lie partly outside this one: every layer's
    // centre is brought inside, so each can still be seen, selected and moved.
    const Rect area = myViewTemporanea->bounds();
    for (const auto& sticker : stickers()) {
        const Point c = sticker->center();
        sticker->setCenter({ std::clamp(c.x, 0.0, area.width()), std::clamp(c.y, 0.0, area.height()) });
    }
    myViewTemporanea->renumberLayers();
}

// ---------------------------------------------------------------------------------------------
// Selection and gestures

void LogoMakerController::metodoImpostaViewSelezionata(const std::shared_ptr<LDStickerView>& sticker)
{
    if (!sticker)
        return;
    auto protector = shared_from_this();
    const auto previous = selectedLdsSticker;
    const bool hadSelection = previous && previous != selectedldsStickerTEMPO;
    if (hadSelection) {
        previous->hideEditingHandles();
        metodoSeleizionaPrimoIndexSelettore();
        if (previous->myTextField)
            previous->myTextField->resignFirstResponder();
    }
    if (previous == sticker) {
        sticker->hideEditingHandles();
        selectedLdsSticker = selectedldsStickerTEMPO;
    } else {
        selectedLdsSticker = sticker;
        sticker->showEditingHandles();
        metodoEntraColorPicker(false);
        if (sticker->myTextField) {
            myButtonTextColor->setBackgroundColor(sticker->myTextField->textColor());
            metodoEsceColorPicker();
            metodoEntraTextSetting();
            metodoSincronizzaPicker(*sticker->myTextField);
        }
    }
    if (sticker->superview() == myViewTemporanea) {
        myViewTemporanea->bringSubviewToFront(sticker.get());
        myViewTemporanea->renumberLayers();
    }
    if (auto content = sticker->contentView())
        mySliderAlpha->setValue(content->alpha());
    if (auto selected = selectedSticker())
        myButtonColorPicker->setBackgroundColor(selected->tintColor());
    myButtonBack->setEnabled(true);
    // Selecting brings the layer to the top, which is a change of the logo.
    metodoRegistraAFineGesto();
}

void LogoMakerController::metodoAttivaView()
{
    for (const auto& child : myViewLogoComposerInSCROLL->subviews())
        child->setUserInteractionEnabled(true);
}

void LogoMakerController::metodoDisattivaView()
{
    for (const auto& child : myViewLogoComposerInSCROLL->subviews())
        if (child != selectedView)
            child->setUserInteractionEnabled(false);
}

void LogoMakerController::handleTap(GestureRecognizer& recognizer)
{
    if (recognizer.state() != GestureRecognizer::Recognized)
        return;
    auto sticker = std::dynamic_pointer_cast<LDStickerView>(recognizer.view() ? recognizer.view()->shared_from_this() : nullptr);
    if (!sticker || sticker->superview() != myViewTemporanea)
        return;
    log::debug("Selezionata");
    metodoImpostaViewSelezionata(sticker);
    metodoAttivaView();
}

void LogoMakerController::doubleTapText(GestureRecognizer& recognizer)
{
    if (recognizer.state() != GestureRecognizer::Recognized)
        return;
    auto sticker = std::dynamic_pointer_cast<LDStickerView>(recognizer.view() ? recognizer.view()->shared_from_this() : nullptr);
    if (!sticker || sticker->superview() != myViewTemporanea || !sticker->contentView() || sticker->contentView()->tag() != 50 || !sticker->myTextField)
        return;
    // The single tap before it may have deselected the sticker: editing always leaves it selected.
    if (selectedSticker() != sticker)
        metodoImpostaViewSelezionata(sticker);
    metodoAttivaView();
    metodoBecomeFirtRsponder(sticker->myTextField);
}

void LogoMakerController::beginCanvasGesture()
{
    metodoDisattivaView();
    myScrollViewLogoComposer->setScrollEnabled(false);
    const double zoom = myScrollViewLogoComposer->zoomScale();
    myScrollViewLogoComposer->setMinimumZoomScale(zoom);
    myScrollViewLogoComposer->setMaximumZoomScale(zoom);
}

void LogoMakerController::endCanvasGesture()
{
    metodoAttivaView();
    myScrollViewLogoComposer->setScrollEnabled(true);
    myScrollViewLogoComposer->setMinimumZoomScale(1);
    myScrollViewLogoComposer->setMaximumZoomScale(3);
}

void LogoMakerController::handlePanGesture(GestureRecognizer& recognizer)
{
    auto& pan = static_cast<PanGestureRecognizer&>(recognizer);
    View* sticker = recognizer.view();
    if (!sticker)
        return;
    switch (recognizer.state()) {
    case GestureRecognizer::State::Began:
        beginCanvasGesture();
        [[fallthrough]];
    case GestureRecognizer::State::Changed: {
        const Point moved = pan.translationInView(myViewTemporanea.get());
        sticker->setCenter(sticker->center() + moved);
        pan.setTranslation({ 0, 0 }, myViewTemporanea.get());
        break;
    }
    case GestureRecognizer::State::Ended:
    case GestureRecognizer::State::Cancelled:
        endCanvasGesture();
        metodoRegistraAFineGesto();
        break;
    default:
        break;
    }
}

void LogoMakerController::pinchedView(GestureRecognizer& recognizer)
{
    auto& pinch = static_cast<PinchGestureRecognizer&>(recognizer);
    View* content = recognizer.view();
    if (!content)
        return;
    switch (recognizer.state()) {
    case GestureRecognizer::State::Began:
        beginCanvasGesture();
        initialBound = content->bounds();
        [[fallthrough]];
    case GestureRecognizer::State::Changed:
        content->setBounds({ initialBound.origin, { initialBound.width() * pinch.scale(), initialBound.height() * pinch.scale() } });
        break;
    case GestureRecognizer::State::Ended:
    case GestureRecognizer::State::Cancelled: {
        endCanvasGesture();
        // The sticker takes the content's new size, so the layer is saved (and reopened) as it
        // looks: its bounds are what a record keeps.
        if (auto sticker = std::dynamic_pointer_cast<LDStickerView>(content->superview())) {
            const double inset = sticker->globalInset().value_or(14);
            const Size size = content->bounds().size;
            sticker->setBounds({ sticker->bounds().origin, { size.width + 2 * inset, size.height + 2 * inset } });
            content->setFrame(sticker->bounds().insetBy(inset, inset));
        }
        metodoRegistraAFineGesto();
        break;
    }
    default:
        break;
    }
}

void LogoMakerController::foldZoomIntoBounds(const std::shared_ptr<LDStickerView>& sticker)
{
    // The scroll view zooms the selected sticker by scaling its transform; a record keeps only
    // the bounds and the rotation, so the scale becomes the bounds when the pinch ends.
    if (!sticker)
        return;
    const AffineTransform t = sticker->transform();
    const double scale = std::hypot(t.a, t.b);
    if (std::abs(scale - 1) < 1e-9 || scale <= 0)
        return;
    const Rect b = sticker->bounds();
    sticker->setTransform(AffineTransform::rotation(t.angle()));
    sticker->setBounds({ b.origin, { b.width() * scale, b.height() * scale } });
    if (sticker->myTextField)
        sticker->myTextField->setFont(sticker->myTextField->fontName(), sticker->myTextField->fontSize() * scale);
    // Back to no zoom without scaling the sticker again.
    m_lists->foldingZoom = true;
    myScrollViewLogoComposer->setZoomScale(1);
    m_lists->foldingZoom = false;
    metodoRegistraAFineGesto();
}

void LogoMakerController::mySliderAlphaAction()
{
    if (auto sticker = selectedLdsSticker; sticker && sticker->contentView()) {
        sticker->contentView()->setAlpha(mySliderAlpha->value());
        metodoRegistraAFineGesto(); // one change per slide
    }
}

// ---------------------------------------------------------------------------------------------
// Layer table

void LogoMakerController::moveLayer(size_t from, size_t to)
{
    const auto& children = myViewTemporanea->subviews();
    if (from >= children.size() || to >= children.size() || from == to)
        return;
    auto moving = children[from];
    moving->removeFromSuperview();
    myViewTemporanea->insertSubviewAtIndex(moving, to);
    myViewTemporanea->renumberLayers();
    metodoRegistraModifica();
}

void LogoMakerController::fillLayerCell(LogoMakerLayerCell& cell, size_t row)
{
    const auto& children = myViewTemporanea->subviews();
    if (row >= children.size())
        return;
    auto sticker = std::dynamic_pointer_cast<LDStickerView>(children[row]);
    const auto canvasColour = myViewTemporanea->backgroundColor();
    cell.myViewBgCell->setBackgroundColor(canvasColour);
    cell.myImageSnap->setBackgroundColor(std::nullopt);
    const Size canvasSize = myViewTemporanea->bounds().size;
    if (!sticker || canvasSize.width <= 0 || canvasSize.height <= 0)
        return;
    Image miniature;
    if (sticker->myTextField) {
        // The text as it is drawn, at its own size, on a transparent picture.
        const Size size = sticker->myTextField->bounds().size;
        DrawingContext context(size, DrawingContext::Opacity::Transparent, 2.0);
        if (context.isValid() && size.width > 0 && size.height > 0) {
            sticker->myTextField->drawViewHierarchyInRect(context.painter(), { 0, 0, size.width, size.height });
            miniature = context.takeImage();
        }
    } else if (sticker->nomeImmagine) {
        miniature = templateImageNamed(*sticker->nomeImmagine);
    }
    cell.myImageSnap->setImage(miniature);
    cell.myImageSnap->setTintColor(sticker->tintColor());
    cell.myImageSnap->setAlpha(sticker->contentView() ? sticker->contentView()->alpha() : 1);
    // The miniature is the layer as the canvas shows it, at the row's scale: its text or picture
    // at its own size and place, turned as the layer is.
    const View* shown = sticker->myTextField ? static_cast<const View*>(sticker->myTextField.get()) : sticker->contentView().get();
    const Size size = shown ? shown->bounds().size : sticker->bounds().size;
    const Point centre = shown ? shown->convertPointToView(shown->bounds().center(), myViewTemporanea.get()) : sticker->center();
    cell.metodoPosizionaMiniatura({ centre.x / canvasSize.width, centre.y / canvasSize.height }, { size.width / canvasSize.width, size.height / canvasSize.height },
        sticker->transform().angle());
    if (auto selected = selectedSticker())
        selected->showEditingHandles();
}

void LogoMakerController::metodoEntraTableLayer()
{
    if (stickers().empty())
        return;
    myTableViewLayer->reloadData();
    View::animate(0.2, [this] { myViewBgtableLayer->setCenter(Centro); });
}

void LogoMakerController::metodoEsciTableLayer()
{
    metodoDisabilitaEditingLayer();
    View::animate(0.2, [this] { myViewBgtableLayer->setCenter({ 3 * Centro.x, Centro.y }); });
}

void LogoMakerController::metodoAbilitaDisabilitaEditingLayer()
{
    myTableViewLayer->setEditing(!myTableViewLayer->isEditing(), Animated::Yes);
    myButtonOrdinaLayer->setSelected(myTableViewLayer->isEditing());
}

void LogoMakerController::metodoDisabilitaEditingLayer()
{
    myTableViewLayer->setEditing(false, Animated::Yes);
    myButtonOrdinaLayer->setSelected(false);
}

// ---------------------------------------------------------------------------------------------
// Tool bar

void LogoMakerController::metodoCalcolaPosizioneButtonInToolBar()
{
    const double width = std::trunc(myViewToolBarStrumenti->bounds().width());
    const double height = myViewToolBarStrumenti->bounds().height();
    myArrayPosizioneOggettiToolBar.clear();
    for (double fraction : { 0.15, 0.35, 0.60, 0.85 })
        myArrayPosizioneOggettiToolBar.push_back({ width * fraction, height / 2 });
    const Size button { width / 4, height };
    const std::shared_ptr<Button> buttons[] { myButtonSketckCollection, myButtonAddGeometryProp, myButtonAddTextProp, myButtonEntraTableLayer };
    const std::shared_ptr<ImageView> icons[] { myImageViewButtonIcon, myImageViewButtonGeometry, myImageViewButtonText, myImageViewButtonLayer };
    for (size_t i = 0; i < 4; ++i) {
        buttons[i]->setBounds({ 0, 0, button.width, button.height });
        buttons[i]->setCenter(myArrayPosizioneOggettiToolBar[i]);
        if (i != 2)
            buttons[i]->setTitle(std::nullopt);
        if (icons[i])
            icons[i]->setCenter(myArrayPosizioneOggettiToolBar[i]);
    }
    myButtonAddTextProp->setTintColor(Color::whiteColor());
    if (myImageViewButtonText)
        myImageViewButtonText->setTintColor(Color::whiteColor());
    if (!myViewSegmentSelezionata) {
        myViewSegmentSelezionata = View::make(Rect(0, 0, 30, 4));
        myViewSegmentSelezionata->setName("myViewSegmentSelezionata");
        myViewSegmentSelezionata->setUserInteractionEnabled(false);
        myViewToolBarStrumenti->addSubview(myViewSegmentSelezionata);
    }
    myViewSegmentSelezionata->setBackgroundColor(mySegmentedControlAllineamnto->tintColor());
    myViewSegmentSelezionata->setCenter({ myArrayPosizioneOggettiToolBar[0].x, height - 4 - 2 });
}

void LogoMakerController::metodoIndexCustomTab(int index)
{
    if (index < 0 || index > 3 || myArrayPosizioneOggettiToolBar.size() < 4)
        return;
    const double y = myViewSegmentSelezionata->center().y;
    const double x = myArrayPosizioneOggettiToolBar[static_cast<size_t>(index)].x;
    View::animate(0.3, [this, x, y] {
        myViewSegmentSelezionata->setCenter({ x, y });
        myViewSegmentSelezionata->setAlpha(1);
    });
}

void LogoMakerController::metodoSeleizionaPrimoIndexSelettore()
{
    metodoIndexCustomTab(0);
    myArrNomiFormeDaSingle = mySingleElementiManage::sharedInstance().myArrStringNameICON;
    myCollectionForme->reloadData();
    metodoEntraCollectionForme(true);
}

// ---------------------------------------------------------------------------------------------
// Panels and leaving

void LogoMakerController::slidePanel(const std::shared_ptr<View>& panel, bool in, double duration)
{
    if (!panel || !myViewBarraStrumenti)
        return;
    const double toolArea = myViewBarraStrumenti->bounds().height();
    const double toolBar = myViewToolBarStrumenti->bounds().height();
    const Point target = in ? Point { myViewBarraStrumenti->bounds().width() / 2, toolArea / 2 + toolBar / 2 } : Point { 3 * Centro.x, toolArea / 2 + toolBar / 2 };
    if (duration <= 0)
        panel->setCenter(target);
    else
        View::animate(duration, [panel, target] { panel->setCenter(target); });
}

void LogoMakerController::presentAlert(const std::shared_ptr<AlertController>& alert)
{
    myAlertAperto = alert;
    if (auto* w = view()->window())
        alert->present(*w);
    else
        alert->present(*view());
}

void LogoMakerController::myButtonBackACTIOn()
{
    std::weak_ptr<ViewController> weak = shared_from_this();
    auto leave = [weak] {
        auto self = weak.lock();
        if (!self)
            return;
        if (auto navigation = self->navigationController())
            navigation->popViewController(true);
    };
    if (stickers().empty()) {
        leave();
        return;
    }
    auto& texts = mySingleScritte::sharedInstance();
    auto alert = AlertController::make(texts.stringaVuoiUscireSenzaSalvareLogo(), texts.stringaLeModificheVerranoPerse());
    alert->setName("myAlertUscita");
    alert->addAction(texts.stringaAnnulla(), AlertController::ActionStyle::Cancel);
    alert->addAction("Ok", AlertController::ActionStyle::Default, leave);
    presentAlert(alert);
}

}
