#include <watermark/QuintaraApplyController.h>

#include <elements/SensorHousing.h>

#include <services/mySingleScritte.h>
#include <elements/LDStickerView.h>
#include <elements/ViewRotation.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Analytics.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/Strings.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/photos/ImageManager.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/photos/ThumbnailCache.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/ProgressView.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/controls/Stepper.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/gestures/PanGestureRecognizer.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/window/Window.h>
#include <watermark/ImageUtilities.h>
#include <watermark/StampBatch.h>
#include <watermark/cellImgSelezionateApplyController.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace vd {

namespace {

constexpr double kSogliaAllineamento = 30;  // points: closer to an edge than this is aligned to it
constexpr double kRapportoPanorama = 1.8;   // width ÷ height above which an area is a panorama
constexpr double kDimensioneAnteprima = 1100; // pixels asked for the preview
constexpr double kPannello = 0.2;           // seconds: size panel fades
constexpr double kTutorial = 0.3;           // seconds: tutorial, overlay and saved panel
// The logo on the preview is never smaller than a fingertip: below that its own rotate handle
// covers it, and a stamped logo could not be seen where it is placed. The sticker adds its
// content inset on every side.
constexpr double kLatoLogoMinimo = 44;
constexpr double kLatoStickerMinimo = kLatoLogoMinimo + 2 * kStickerContentInset;
constexpr double kDistanzaDalCursore = 4;   // points between the phone's preview and its opacity slider
const char* const kChiaveTutorial = "tutorialB";
const char* const kChiaveSenzaPerdita = "keyApplicaSenzaPerdita";

}

// The strip's data source and delegate: it speaks for the screen without owning it.
class QuintaraApplyController::Strip : public CollectionViewDataSource, public CollectionViewDelegate {
public:
    explicit Strip(QuintaraApplyController& screen)
        : m_screen(screen)
    {
    }
    long numberOfItemsInSection(CollectionView&, long) override { return m_screen.metodoNumeroFoto(); }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& collectionView, IndexPath indexPath) override
    {
        auto cell = collectionView.dequeueReusableCell<cellImgSelezionateApplyController>("cell", indexPath);
        if (!cell)
            return collectionView.dequeueReusableCell("cell", indexPath);
        cell->myImgeView->setImage({});
        auto asset = m_screen.metodoAssetAllIndice(indexPath.item);
        if (asset && m_screen.imageManager) {
            const Size side = cell->bounds().size;
            std::weak_ptr<cellImgSelezionateApplyController> weakCell = cell;
            const long item = indexPath.item;
            cell->setTag(item);
            m_screen.imageManager->requestImageForAsset(*asset, { side.width * 2, side.height * 2 }, ImageContentMode::AspectFit, {}, [weakCell, item](Image image) {
                // A reused cell may show another photo by now.
                if (auto strong = weakCell.lock(); strong && strong->tag() == item)
                    strong->myImgeView->setImage(std::move(image));
            });
        }
        return cell;
    }
    std::optional<Size> sizeForItemAtIndexPath(CollectionView& collectionView, IndexPath) override
    {
        const double side = std::max(1.0, collectionView.bounds().height() - 4);
        return Size { side, side };
    }
    void didSelectItemAtIndexPath(CollectionView&, IndexPath indexPath) override { m_screen.metodoMostraFoto(indexPath.item); }

private:
    QuintaraApplyController& m_screen;
};

// Follows the sticker's own moves: after each one the logo is kept over the photo.
class QuintaraApplyController::Trascinamento : public LDStickerViewDelegate {
public:
    explicit Trascinamento(QuintaraApplyController& screen)
        : m_screen(screen)
    {
    }
    void stickerViewDidChangeEditing(LDStickerView&) override
    {
        m_screen.metodoTieniLogoVisibile();
        m_screen.metodoTieniLogoSullaFoto();
    }

private:
    QuintaraApplyController& m_screen;
};

QuintaraApplyController::QuintaraApplyController()
{
    bind("myViewCustomNavBar", myViewCustomNavBar);
    bind("myViewBgScrollView", myViewBgScrollView);
    bind("myViewBgPosizionatoreLogoo", myViewBgPosizionatoreLogoo);
    bind("myImageViewPreviewPhotos", myImageViewPreviewPhotos);
    bind("myImageViewSfondo", myImageViewSfondo);
    bind("myImageViewCerchio1", myImageViewCerchio1);
    bind("myViewAllineamntoUp", myViewAllineamntoUp);
    bind("myViewAllineamentoSx", myViewAllineamentoSx);
    bind("myViewAllineamentoDx", myViewAllineamentoDx);
    bind("myViewAllineamntoDw", myViewAllineamntoDw);
    bind("myCollectionView", myCollectionView);
    bind("myStepperPercentualeLogo", myStepperPercentualeLogo);
    bind("myLabelPercentualeGrandezzaLog", myLabelPercentualeGrandezzaLog);
    bind("myViewBgPercentualeGrandezzaLogo", myViewBgPercentualeGrandezzaLogo);
    bind("myButtonBigPresetLogo", myButtonBigPresetLogo);
    bind("myButtonCloseViewPercentuale", myButtonCloseViewPercentuale);
    bind("mySliderAlphaProp", mySliderAlphaProp);
    bind("myViewBgSliderAlpha", myViewBgSliderAlpha);
    bind("myViewBgTutorial", myViewBgTutorial);
    bind("myLabelTutoRuotaScala", myLabelTutoRuotaScala);
    bind("myLabelTutoUsaDimensioniPreset", myLabelTutoUsaDimensioniPreset);
    bind("myLabelTutoAppenaFinisciApplica", myLabelTutoAppenaFinisciApplica);
    bind("myLabelTutoSpostaLogo", myLabelTutoSpostaLogo);
    bind("myButtonOkTuto", myButtonOkTuto);
    bind("myButtonAppareTutorial", myButtonAppareTutorial);
    bind("myButtonBack", myButtonBack);
    bind("myButtonApplica", myButtonApplica);
    bind("myButtonSalvaPosizione", myButtonSalvaPosizione);
    bind("myViewApplicatore", myViewApplicatore);
    bind("myViewLogoApplicato", myViewLogoApplicato);
    bind("myLabelPercentualeAvvisi", myLabelPercentualeAvvisi);
    bind("myLabelLeFotoSonoSalvate", myLabelLeFotoSonoSalvate);
    bind("myLabelFotoNonSalvate", myLabelFotoNonSalvate);
    bind("myLabelFotoSaltate", myLabelFotoSaltate);
    bind("myProgressBarApplicatore", myProgressBarApplicatore);
    bind("myButtonOkSalvate", myButtonOkSalvate);
    bind("mySwitchSenzaPerdita", mySwitchSenzaPerdita);
    bind("myLabelSenzaPerdita", myLabelSenzaPerdita);
    bind("myLabelAvvisiFoto", myLabelAvvisiFoto);
    bind("myButtonRevisione", myButtonRevisione);
    bind("myViewRegolazione", myViewRegolazione);
    bind("myLabelRegolazione", myLabelRegolazione);
    bind("myButtonUsaComune", myButtonUsaComune);
    bind("myButtonFineRegolazione", myButtonFineRegolazione);

    action("myButtonBigPresetLogoACTION", [this] { myButtonBigPresetLogoACTION(); });
    action("myStepperPercentualeLogoACTION", [this] { myStepperPercentualeLogoACTION(); });
    action("myButtonCloseViewPercentualeACTION", [this] { myButtonCloseViewPercentualeACTION(); });
    action("mySliderAlphaACTION", [this] { mySliderAlphaACTION(); });
    action("myButtonOkTutoACTION", [this] { myButtonOkTutoACTION(); });
    action("myButtonAppareTutorialACTION", [this] { myButtonAppareTutorialACTION(); });
    action("myButtonBackACTION", [this] { myButtonBackACTION(); });
    action("myButtonApplicaACTION", [this] { myButtonApplicaACTION(); });
    action("myButtonOkSalvateACTION", [this] { myButtonOkSalvateACTION(); });
    action("myButtonSalvaPosizioneACTION", [this] { myButtonSalvaPosizioneACTION(); });
    action("mySwitchSenzaPerditaACTION", [this] { mySwitchSenzaPerditaACTION(); });
    action("myButtonRevisioneACTION", [this] { myButtonRevisioneACTION(); });
    action("myButtonUsaComuneACTION", [this] { myButtonUsaComuneACTION(); });
    action("myButtonFineRegolazioneACTION", [this] { myButtonFineRegolazioneACTION(); });
}

QuintaraApplyController::~QuintaraApplyController() = default;

std::optional<PhotoAsset> QuintaraApplyController::metodoAssetAllIndice(long item) const
{
    if (!assetsFetchResults || item < 0 || item >= metodoNumeroFoto())
        return std::nullopt;
    const int position = myArrayIndexSelezionati[static_cast<size_t>(item)];
    if (position < 0 || static_cast<size_t>(position) >= assetsFetchResults->count())
        return std::nullopt;
    return assetsFetchResults->objectAtIndex(static_cast<size_t>(position));
}

// ---- Load and appearance ---------------------------------------------------------------------

void QuintaraApplyController::viewDidLoad()
{
    const Size screen = view()->bounds().size;
    Centro = { screen.width * 0.5, screen.height * 0.5 };
    if (!library)
        library = &PhotoLibrary::sharedPhotoLibrary();

    metodoSistemaViewAlCaricamento();

    if (UserDefaults::standard().stringForKey(kChiaveTutorial))
        metodoEsceTutorial(0);
    else
        metodoAppareTutorial();

    imageManager = std::make_shared<CachingImageManager>();
    // The strip and the review grid show at once the photos shown before.
    imageManager->setThumbnailCache(ThumbnailCache::shared());
    m_strip = std::make_shared<Strip>(*this);
    myCollectionView->registerCellClass<cellImgSelezionateApplyController>("cell");
    myCollectionView->setDataSource(m_strip);
    myCollectionView->setCollectionDelegate(m_strip);
    myCollectionView->reloadData();
    for (auto* marker : { &myViewAllineamntoUp, &myViewAllineamentoSx, &myViewAllineamentoDx, &myViewAllineamntoDw })
        (*marker)->setAlpha(0);

    metodoCreaSticker();

    View::performWithoutAnimation([&] { myViewApplicatore->setCenter({ Centro.x * 3, myViewApplicatore->center().y }); });
    metodoAnimazioniCerhiStop();
    myLabelFotoNonSalvate->setText("");
    myLabelFotoSaltate->setText("");
    myLabelAvvisiFoto->setText("");
    mySwitchSenzaPerdita->setOn(UserDefaults::standard().boolForKey(kChiaveSenzaPerdita).value_or(false));
    myViewRegolazione->setHidden(true);

    AnalyticsSink::shared().logEvent("Applicatore Appear", { { "Foto Preselezionate", static_cast<long long>(myArrayIndexSelezionati.size()) } });
    log::debug("apply screen did load with " + std::to_string(myArrayIndexSelezionati.size()) + " photos");

    // The first photo is previewed at once, so the logo is placed over a real photo from the start.
    if (metodoNumeroFoto() > 0) {
        myCollectionView->selectItemAtIndexPath(IndexPath { 0, 0 }, Animated::No, ScrollPosition::None);
        metodoMostraFoto(0);
    }
}

void QuintaraApplyController::metodoSistemaViewAlCaricamento()
{
    // As wide as the preview can be beside the opacity slider, centred there.
    const Rect area = myViewBgPosizionatoreLogoo->frame();
    const Rect visibile = metodoAreaVisibile();
    myViewBgPosizionatoreLogoo->setFrame({ visibile.midX() - visibile.width() / 2, area.y(), visibile.width(), area.height() });
    myViewBgSliderAlpha->layer().setCornerRadius(myViewBgSliderAlpha->bounds().height() / 2);
}

Rect QuintaraApplyController::metodoAreaVisibile() const
{
    // The phone's slider stands upright over the preview's side: the preview keeps clear of it.
    // Its column is worked out from its centre and length, turned or not yet.
    const Rect tutta = myViewBgScrollView->bounds();
    const Point centro = myViewBgScrollView->convertPointFromView(myViewBgSliderAlpha->center(), myViewBgSliderAlpha->superview().get());
    const double mezzaLarghezza = myViewBgSliderAlpha->bounds().height() / 2 + kDistanzaDalCursore;
    if (centro.x - mezzaLarghezza >= tutta.maxX() || centro.x + mezzaLarghezza <= tutta.minX())
        return tutta;
    if (centro.x >= tutta.midX()) {
        const double fine = std::max(tutta.minX(), centro.x - mezzaLarghezza);
        return { tutta.minX(), tutta.minY(), fine - tutta.minX(), tutta.height() };
    }
    const double inizio = std::min(tutta.maxX(), centro.x + mezzaLarghezza);
    return { inizio, tutta.minY(), tutta.maxX() - inizio, tutta.height() };
}

void QuintaraApplyController::viewWillAppear(bool animated)
{
    (void)animated;
    const Image sfondo = mySingleElementiManage::sharedInstance().myImageSfondoHome;
    if (!sfondo.isEmpty())
        myImageViewSfondo->setImage(sfondo);
    myButtonApplica->setTitle(mySingleScritte::sharedInstance().stringaPLLICA());
    myButtonSalvaPosizione->setTitle(mySingleScritte::sharedInstance().stringaSalvaPosizione());
    myButtonRevisione->setTitle(mySingleScritte::sharedInstance().stringaRevisione());
    myLabelSenzaPerdita->setText(mySingleScritte::sharedInstance().stringaSenzaPerdita());
    myLabelLeFotoSonoSalvate->setText(mySingleScritte::sharedInstance().stringaLoghiApplicati());
    myButtonOkSalvate->setTitle("OK");
    myButtonOkTuto->setTitle("Ok");
    if (!myBoolBatchInCorso && !m_batchFinished)
        myViewLogoApplicato->setAlpha(0);
    myViewBgPercentualeGrandezzaLogo->setAlpha(0);
    mySliderAlphaProp->setThumbImage(imageNamed("OrangeTumb"));
    // Panels come to the centre of the area the screen is given, not of the whole display.
    Centro = { view()->bounds().width() / 2, view()->bounds().height() / 2 };
    metodoSistemaViewAllaComparsa();
}

void QuintaraApplyController::metodoSistemaViewAllaComparsa()
{
    // A vertical slider: the container turns a quarter anticlockwise.
    myViewBgSliderAlpha->setTransform(AffineTransform::rotation(-std::numbers::pi / 2));
    // Phones with a notch keep the bar clear of it, unless the container already hosts the screen
    // below the notch.
    if (const double spazio = metodoSpazioSottoNotch(*view()); spazio > 0) {
        const Rect bar = myViewCustomNavBar->frame();
        myViewCustomNavBar->setFrame({ 0, spazio, bar.width(), bar.height() });
        view()->setBackgroundColor(myViewCustomNavBar->backgroundColor());
    }
}

void QuintaraApplyController::metodoCreaSticker()
{
    auto content = View::make<ImageView>(Rect(0, 0, 100, 100));
    if (logoDaAplicare)
        content->setImage(*logoDaAplicare);
    content->setContentMode(ContentMode::ScaleAspectFit);
    content->setUserInteractionEnabled(true);
    content->setName("stickerContent");

    stickerView = LDStickerView::initWithFrame(Rect(0, 0, 100, 100));
    stickerView->setName("stickerView");
    stickerView->nomeImmagine = "logo";
    stickerView->setContentView(content);
    stickerView->setCenter(myViewBgPosizionatoreLogoo->center());
    myViewBgScrollView->addSubview(stickerView);
    stickerView->showEditingHandles();
    stickerView->setEnableClose(false);
    stickerView->setEnableResize(false);
    stickerView->setEnableRotate(true);
    stickerView->myBoolMoveEnable = false;
    stickerView->setAlpha(alphaSticker);
    m_trascinamento = std::make_shared<Trascinamento>(*this);
    stickerView->setDelegate(m_trascinamento);

    // Watches every drag on the sticker, its rotate handle's included, beside the sticker's own.
    struct Together : GestureRecognizerDelegate {
        bool shouldRecognizeSimultaneously(GestureRecognizer&, GestureRecognizer&) override { return true; }
    };
    static const auto together = std::make_shared<Together>();
    std::weak_ptr<ViewController> weak = weak_from_this();
    m_pan = std::make_shared<PanGestureRecognizer>([weak](GestureRecognizer& recognizer) {
        if (auto self = std::static_pointer_cast<QuintaraApplyController>(weak.lock()))
            self->handlePanGesture(static_cast<PanGestureRecognizer&>(recognizer));
    });
    m_pan->setName("handlePanGesture");
    m_pan->setCancelsTouchesInView(false);
    m_pan->setDelegate(together);
    stickerView->addGestureRecognizer(m_pan);
}

// ---- Previewing a photo ----------------------------------------------------------------------

void QuintaraApplyController::metodoMostraFoto(long item)
{
    View::animate(kPannello, [this] { myViewBgPercentualeGrandezzaLogo->setAlpha(0); });
    auto asset = metodoAssetAllIndice(item);
    if (!asset || !imageManager)
        return;
    myIndiceFotoMostrata = item;
    std::weak_ptr<ViewController> weak = weak_from_this();
    imageManager->requestImageForAsset(*asset, { kDimensioneAnteprima, kDimensioneAnteprima }, ImageContentMode::AspectFit, {}, [weak](Image image) {
        auto self = std::static_pointer_cast<QuintaraApplyController>(weak.lock());
        if (!self || image.isEmpty() || image.size().width <= 0)
            return;
        const Rect vecchioFrame = self->myViewBgPosizionatoreLogoo->frame();
        const Point vecchioCenter = self->myViewBgPosizionatoreLogoo->center();
        self->myImageViewPreviewPhotos->setImage(image);
        self->metodoAdattaAreaAllaFoto(image, vecchioFrame, vecchioCenter);
        self->myPercentualeGrandezza = self->stickerView->frame().width() / self->myViewBgPosizionatoreLogoo->frame().width() * 100;
        self->metodoAggiornaStepper();
    });
}

void QuintaraApplyController::metodoAdattaAreaAllaFoto(const Image& image, Rect vecchioFrame, Point vecchioCenter)
{
    // The whole photo, as large as it fits where the preview can be seen: a tall photo is scaled
    // down rather than cut by the preview's edges, so every part of it can take the logo and
    // what is seen is what is stamped.
    auto& area = *myViewBgPosizionatoreLogoo;
    const Rect visibile = metodoAreaVisibile();
    const Size foto = image.size();
    double larghezza = visibile.width();
    double altezza = larghezza * foto.height / foto.width;
    if (altezza > visibile.height()) {
        altezza = visibile.height();
        larghezza = altezza * foto.width / foto.height;
    }
    area.setFrame({ visibile.midX() - larghezza / 2, visibile.midY() - altezza / 2, larghezza, altezza });
    metodoPosizionaLogo(vecchioFrame.width(), vecchioFrame.height(), larghezza, altezza, vecchioFrame, vecchioCenter);
}

void QuintaraApplyControllerIPAD::metodoAdattaAreaAllaFoto(const Image& image, Rect vecchioFrame, Point vecchioCenter)
{
    (void)image;
    auto& area = *myViewBgPosizionatoreLogoo;
    auto& preview = *myImageViewPreviewPhotos;
    const Rect previewFrame = preview.frame();
    preview.setFrame({ previewFrame.x(), previewFrame.y(), previewFrame.width(), myViewBgScrollView->bounds().height() - 50 });
    const Rect foto = frameForImageInImageViewAspectFit(preview);
    area.setFrame({ vecchioCenter.x - foto.width() / 2, vecchioCenter.y - foto.height() / 2, foto.width(), foto.height() });
    preview.setCenter({ foto.width() / 2, foto.height() / 2 });
    // The rule compares the area's old size with its new one.
    metodoPosizionaLogo(vecchioFrame.width(), vecchioFrame.height(), foto.width(), foto.height(), vecchioFrame, vecchioCenter);
}

// ---- Measuring and repositioning -------------------------------------------------------------

void QuintaraApplyController::handlePanGesture(PanGestureRecognizer& recognizer)
{
    using State = GestureRecognizer::State;
    auto& panel = *myViewBgPercentualeGrandezzaLogo;
    if (recognizer.state() == State::Changed) {
        if (panel.alpha() != 0.3 && panel.alpha() != 0)
            panel.setAlpha(0.3);
        metodoAllinementoDaPan();
        metodoAggiornaStepper();
    } else if (recognizer.state() == State::Ended) {
        metodoAllinementoDaPan();
        metodoAggiornaStepper();
        if (panel.alpha() != 0)
            View::animate(kPannello, [&panel] { panel.setAlpha(1); });
    }
}

void QuintaraApplyController::metodoAllinementoDaPan()
{
    const Rect S = stickerView->frame();
    const Point c = stickerView->center();
    const Rect A = myViewBgPosizionatoreLogoo->frame();
    const double dSx = S.x() - A.x();
    const double dDx = (A.x() + A.width()) - (c.x + S.width() * 0.5);
    const double dUp = S.y() - A.y();
    const double dDw = (A.y() + A.height()) - (c.y + S.height() * 0.5);
    auto flag = [](double distance) { return distance < kSogliaAllineamento ? 1.0 : 0.0; };
    myArrAllineamentoGenerale = { flag(dSx), flag(dDx), flag(dUp), flag(dDw) };
    myViewAllineamntoUp->setAlpha(myArrAllineamentoGenerale[2]);
    myViewAllineamentoSx->setAlpha(myArrAllineamentoGenerale[0]);
    myViewAllineamentoDx->setAlpha(myArrAllineamentoGenerale[1]);
    myViewAllineamntoDw->setAlpha(myArrAllineamentoGenerale[3]);
    if (A.width() > 0 && A.height() > 0) {
        myArrPercentualiAllineamento = { (c.x - A.x()) * 100 / A.width(), (c.y - A.y()) * 100 / A.height() };
        myPercentualeGrandezza = S.width() * 100 / A.width();
    }
    myArrayConMisureMargini = { dSx, dDx, dUp, dDw };
}

void QuintaraApplyController::metodoPosizionaLogo(double larghezzaOld, double altezzaOld, double larghezzaNEW, double altezzaNEW, Rect F, Point vecchioCenter)
{
    (void)vecchioCenter;
    view()->setNeedsLayout();
    const Rect S = stickerView->frame();
    const Point c = stickerView->center();
    const double dSx = S.x() - F.x();
    const double dDx = (F.x() + F.width()) - (c.x + S.width() * 0.5);
    const double dUp = S.y() - F.y();
    const double dDw = (F.y() + F.height()) - (c.y + S.height() * 0.5);
    const double sO = std::min(larghezzaOld, altezzaOld);
    const double sN = std::min(larghezzaNEW, altezzaNEW);
    const auto& f = myArrAllineamentoGenerale;
    const bool panoramaOld = altezzaOld > 0 && larghezzaOld / altezzaOld > kRapportoPanorama;
    const bool panoramaNew = altezzaNEW > 0 && larghezzaNEW / altezzaNEW > kRapportoPanorama;
    if (sO > 0 && (larghezzaOld != larghezzaNEW || panoramaOld || panoramaNew || (f[0] == 1 && f[1] == 1) || (f[2] == 1 && f[3] == 1))) {
        const Rect b = stickerView->bounds();
        // A logo the rule took below the smallest size and that nothing resized since follows
        // the rule from the size it asked for, so going back to the first photo gives it back.
        const double lato = m_latoSottoIlMinimo && b.width() == kLatoStickerMinimo ? *m_latoSottoIlMinimo : b.width();
        const double side = sN * lato / sO;
        m_latoSottoIlMinimo.reset();
        if (side < kLatoStickerMinimo)
            m_latoSottoIlMinimo = side;
        stickerView->setBounds({ b.x(), b.y(), std::max(side, kLatoStickerMinimo), std::max(side, kLatoStickerMinimo) });
    }
    const Rect S2 = stickerView->frame();
    const Rect A = myViewBgPosizionatoreLogoo->frame();
    const auto& p = myArrPercentualiAllineamento;
    double x, y;
    if (f[0] == f[1])
        x = A.x() + p[0] * A.width() / 100;
    else if (f[0] == 1)
        x = A.x() + dSx + S2.width() * 0.5;
    else
        x = A.x() + A.width() - dDx - S2.width() * 0.5;
    if (f[2] == f[3])
        y = A.y() + p[1] * A.height() / 100;
    else if (f[2] == 1)
        y = A.y() + dUp + S2.height() * 0.5;
    else
        y = A.y() + altezzaNEW - dDw - S2.height() * 0.5;
    stickerView->setCenter({ x, y });
    // A logo kept at its distance from an edge beyond it may end up off a smaller photo: it is
    // brought back and measured where it now stands, so the photos get what the preview shows.
    if (metodoTieniLogoSullaFoto())
        metodoAllinementoDaPan();
}

bool QuintaraApplyController::metodoSpostaLogo(Point delta)
{
    auto* w = view() ? view()->window() : nullptr;
    if (!stickerView || myBoolBatchInCorso || !w || !myViewBgPosizionatoreLogoo || !w->isReachable(*stickerView))
        return false;
    stickerView->setCenter(stickerView->center() + delta);
    // What a drag of the logo does after each move and when it ends.
    metodoTieniLogoVisibile();
    metodoTieniLogoSullaFoto();
    metodoAllinementoDaPan();
    metodoAggiornaStepper();
    return true;
}

bool QuintaraApplyController::performKeyCommand(const KeyPress& press)
{
    if (press.has(KeyModifierControl) || press.has(KeyModifierAlt))
        return false;
    const double step = press.has(KeyModifierShift) ? 10 : 1;
    switch (press.key) {
    case Key::Left: return metodoSpostaLogo({ -step, 0 });
    case Key::Right: return metodoSpostaLogo({ step, 0 });
    case Key::Up: return metodoSpostaLogo({ 0, -step });
    case Key::Down: return metodoSpostaLogo({ 0, step });
    default: return false;
    }
}

bool QuintaraApplyController::metodoTieniLogoVisibile()
{
    const Rect b = stickerView->bounds();
    if (b.width() >= kLatoStickerMinimo && b.height() >= kLatoStickerMinimo)
        return false;
    const Point centre = stickerView->center();
    stickerView->setBounds({ b.x(), b.y(), std::max(b.width(), kLatoStickerMinimo), std::max(b.height(), kLatoStickerMinimo) });
    stickerView->setCenter(centre);
    return true;
}

bool QuintaraApplyController::metodoTieniLogoSullaFoto()
{
    const Rect A = myViewBgPosizionatoreLogoo->frame();
    const Point c = stickerView->center();
    const Point kept { std::clamp(c.x, A.minX(), A.maxX()), std::clamp(c.y, A.minY(), A.maxY()) };
    if (kept.x == c.x && kept.y == c.y)
        return false;
    stickerView->setCenter(kept);
    return true;
}

PlacementDescription QuintaraApplyController::metodoDescrizionePosizionamento() const
{
    PlacementDescription placement;
    for (size_t i = 0; i < 4; ++i) {
        placement.flags[i] = myArrAllineamentoGenerale.at(i);
        placement.margins[i] = myArrayConMisureMargini.at(i);
    }
    placement.percent = { myArrPercentualiAllineamento.at(0), myArrPercentualiAllineamento.at(1) };
    placement.sizePercent = myPercentualeGrandezza;
    placement.opacity = alphaSticker;
    const AffineTransform t = stickerView->transform();
    placement.rotationDegrees = std::atan2(t.b, t.a) * 180 / std::numbers::pi;
    placement.stickerFrameWidth = stickerView->frame().width();
    return placement;
}

// ---- Size panel, opacity, tutorial -----------------------------------------------------------

void QuintaraApplyController::myButtonBigPresetLogoACTION()
{
    auto& panel = *myViewBgPercentualeGrandezzaLogo;
    if (panel.alpha() == 0) {
        View::animate(kPannello, [&panel] { panel.setAlpha(1); });
        metodoSettaPercentualeLabelInBaseAlloStepper();
    } else {
        metodoChiudiViewPercentuale(kPannello);
    }
}

void QuintaraApplyController::myButtonCloseViewPercentualeACTION() { metodoChiudiViewPercentuale(kPannello); }

void QuintaraApplyController::metodoChiudiViewPercentuale(double durata)
{
    auto& panel = *myViewBgPercentualeGrandezzaLogo;
    View::animate(durata, [&panel] { panel.setAlpha(0); });
}

void QuintaraApplyController::myStepperPercentualeLogoACTION()
{
    const double areaWidth = myViewBgPosizionatoreLogoo->frame().width();
    const double w = std::max(myStepperPercentualeLogo->value() * areaWidth / 100, kLatoStickerMinimo);
    m_latoSottoIlMinimo.reset();
    const Point centre = stickerView->center();
    const Rect b = stickerView->bounds();
    stickerView->setBounds({ b.x(), b.y(), w, b.height() });
    stickerView->setBounds({ b.x(), b.y(), w, w });
    stickerView->setCenter(centre);
    myPercentualeGrandezza = stickerView->frame().width() * 100 / areaWidth;
    // The margins and flags follow the new size, so the photos show what the preview shows.
    metodoAllinementoDaPan();
    metodoAggiornaStepper();
}

void QuintaraApplyController::metodoAggiornaStepper()
{
    // The stepper counts the sticker's own side (its turn aside) in percent of the area width,
    // the way it sets it: after the handle resized the logo, plus makes it larger than it now is.
    auto& stepper = *myStepperPercentualeLogo;
    if (!m_stepperLimiti)
        m_stepperLimiti = std::pair { stepper.minimumValue(), stepper.maximumValue() };
    const double areaWidth = myViewBgPosizionatoreLogoo->frame().width();
    if (areaWidth <= 0)
        return;
    const double percentuale = stickerView->bounds().width() * 100 / areaWidth;
    stepper.setMinimumValue(std::max(m_stepperLimiti->first, kLatoStickerMinimo * 100 / areaWidth));
    stepper.setMaximumValue(std::max(m_stepperLimiti->second, percentuale));
    stepper.setValue(percentuale);
    metodoSettaPercentualeLabelInBaseAlloStepper();
}

void QuintaraApplyController::metodoSettaPercentualeLabelInBaseAlloStepper()
{
    myLabelPercentualeGrandezzaLog->setText(std::to_string(static_cast<long long>(myStepperPercentualeLogo->value())) + " pt");
}

void QuintaraApplyController::mySliderAlphaACTION()
{
    alphaSticker = mySliderAlphaProp->value();
    stickerView->setAlpha(alphaSticker);
}

void QuintaraApplyController::metodoAppareTutorial()
{
    View::performWithoutAnimation([this] { myViewBgTutorial->setCenter(Centro); });
    metodoSettoLabelTutorial();
    View::animate(kTutorial, [this] { myViewBgTutorial->setAlpha(1); });
}

void QuintaraApplyController::metodoSettoLabelTutorial()
{
    const auto& scritte = mySingleScritte::sharedInstance();
    myLabelTutoRuotaScala->setText(scritte.stringaRuotaScala());
    myLabelTutoUsaDimensioniPreset->setText(scritte.stringaTutoDimensioniPreset());
    myLabelTutoAppenaFinisciApplica->setText(scritte.stringaTutoApplicaAllaFine());
    myLabelTutoSpostaLogo->setText(scritte.stringaTutoPosizionaIlTuoLogoDoveDesideri());
}

void QuintaraApplyController::metodoEsceTutorial(double durata)
{
    std::weak_ptr<ViewController> weak = weak_from_this();
    auto away = [weak] {
        if (auto self = std::static_pointer_cast<QuintaraApplyController>(weak.lock()))
            self->myViewBgTutorial->setCenter({ self->Centro.x * 3, self->myViewBgTutorial->center().y });
    };
    if (durata <= 0) {
        myViewBgTutorial->setAlpha(0);
        away();
        return;
    }
    View::animate(durata, [this] { myViewBgTutorial->setAlpha(0); }, [away](bool) { View::performWithoutAnimation(away); });
}

void QuintaraApplyController::myButtonOkTutoACTION()
{
    UserDefaults::standard().setObject(kChiaveTutorial, "fatto");
    UserDefaults::standard().synchronize();
    metodoEsceTutorial(kTutorial);
}

void QuintaraApplyController::myButtonAppareTutorialACTION() { metodoAppareTutorial(); }

void QuintaraApplyController::mySwitchSenzaPerditaACTION()
{
    // The running batch keeps the mode it started with; the choice is for the next one.
    UserDefaults::standard().setBool(kChiaveSenzaPerdita, mySwitchSenzaPerdita->isOn());
    UserDefaults::standard().synchronize();
}

bool QuintaraApplyController::metodoSenzaPerdita() const { return mySwitchSenzaPerdita && mySwitchSenzaPerdita->isOn(); }

void QuintaraApplyController::myButtonBackACTION()
{
    // The photos being stamped belong to this screen until the batch is over.
    if (myBoolBatchInCorso)
        return;
    // While one photo is adjusted, back keeps its placement and returns to the grid.
    if (myIndiceRegolazione) {
        myButtonFineRegolazioneACTION();
        return;
    }
    if (auto navigation = navigationController())
        navigation->popViewController(true);
}

void QuintaraApplyController::metodoAnimazioniCerhi() { startZRotationWithDuration(*myImageViewCerchio1, 24, std::numeric_limits<float>::infinity(), true); }

void QuintaraApplyController::metodoAnimazioniCerhiStop() { stopZRotation(*myImageViewCerchio1); }

}
