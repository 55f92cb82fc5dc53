#include <app/HomeViewController.h>

#include <app/PrimoAvvioViewController.h>
#include <services/mySingleScritte.h>
#include <elements/ViewRotation.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Analytics.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/controls/BlurView.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/presentation/SettingsScreen.h>
#include <platform/ui/window/Window.h>
#include <services/CustomPhotoAlbum.h>
#include <services/singleAutoFoto.h>

#include <cmath>

namespace vd {

namespace {
constexpr const char* kTitoloAlert = "Vardenico";
constexpr double kDurataGiroCerchi = 24.0;
constexpr double kDurataSlideLogo = 0.4;
constexpr double kDistanzaSottotitolo = 30.0;
}

HomeViewController::HomeViewController()
{
    bind("myLabelCreaEGestisciItuoiLoghi", myLabelCreaEGestisciItuoiLoghi);
    bind("myLabelFirmaLetueFoto", myLabelFirmaLetueFoto);
    bind("myButtonCreaLogoProp", myButtonCreaLogoProp);
    bind("myButtonTuoiLoghiProp", myButtonTuoiLoghiProp);
    bind("myButtonApplicaProp", myButtonApplicaProp);
    bind("myButtonLogoPropGIUSTO", myButtonLogoPropGIUSTO);
    bind("myButtonLogoNew", myButtonLogoNew);
    bind("myViewBgButtonCreaETuoiLoghi", myViewBgButtonCreaETuoiLoghi);
    bind("myViewBgApplica", myViewBgApplica);
    bind("myViewRectInBasso", myViewRectInBasso);
    bind("myViewLogoHead", myViewLogoHead);
    bind("myImageViewLogo", myImageViewLogo);
    bind("myImageViewCerchio1", myImageViewCerchio1);
    bind("myImageViewCerchio2", myImageViewCerchio2);
    bind("myImageViewCerchio3", myImageViewCerchio3);
    bind("myImageViewCerchio4", myImageViewCerchio4);
    bind("myImageViewBg", myImageViewBg);
    bind("myVisualEffectBg", myVisualEffectBg);
    action("myButtonLogoACTION", [this] { myButtonLogoACTION(); });
    action("myButtonCreaLogoACTION", [this] { myButtonCreaLogoACTION(); });
    action("myButtonTuoiLoghiACTION", [this] { myButtonTuoiLoghiACTION(); });
    action("myButtonApplicaACTION", [this] { myButtonApplicaACTION(); });
}

HomeViewController::~HomeViewController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (imageManager)
        imageManager->stopCachingImagesForAllAssets();
}

void HomeViewController::viewDidLoad()
{
    log::debug("home did load");
    auto& defaults = UserDefaults::standard();
    if (!defaults.stringForKey(PrimoAvvioViewController::keyAvvioFatto)) {
        // The tutorial replaces this screen once the stack has finished putting it up.
        RunLoop::main().post([weak = std::weak_ptr<ViewController>(weak_from_this())] {
            if (auto self = weak.lock())
                PrimoAvvioViewController::metodoSegue(*self, PrimoAvvioViewController::kIdentifier);
        });
        return;
    }
    m_avvioFatto = true;
    if (!defaults.stringForKey(keyAggiornamento))
        metodoAlertAggiornamento();
    imageManager = std::make_shared<CachingImageManager>(32u << 20, 1);
    const bool autorizzato = metodoControllaAccesso();
    // Without access the library is not read at all: the background stays plain.
    if (autorizzato)
        metodoCaricaFoto();
    metodoSettaInterfaccia();
    m_keycerchi = NotificationCenter::defaultCenter().addObserver(this, "keycerchi", nullptr, [this](const Notification&) { metodoAnimazioniCerhi(); });
    if (autorizzato)
        (void)CustomPhotoAlbum::sharedInstance();
}

void HomeViewController::viewDidAppear(bool animated)
{
    (void)animated;
    if (!m_avvioFatto)
        return;
    const double liberi = mySingleElementiManage::sharedInstance().myNumMbLiber;
    if (liberi < 100.0 && liberi > -1.0) {
        auto& testi = mySingleScritte::sharedInstance();
        metodoMostraAlert(testi.stringaPocaMemoria(), testi.stringaPocaMemoriaMessage(), "Ok", {});
    }
    metodoAnimazioniCerhi();
    const bool autorizzato = PhotoLibrary::sharedPhotoLibrary().authorizationStatus() == AuthorizationStatus::Authorized;
    AnalyticsSink::shared().logEvent("Home Appear", { { "Autorizazzione Foto", autorizzato ? "true" : "false" } });
    metodoMostraProssimoAlert();
}

void HomeViewController::metodoCaricaFoto()
{
    FetchOptions options;
    options.sortDescriptors = { { "creationDate", false } };
    options.predicate = FetchPredicate::equal("mediaType", static_cast<long long>(AssetMediaType::Image));
    assetsFetchResults = PhotoLibrary::sharedPhotoLibrary().fetchAssetsWithOptions(options);
    metodoEstraiUltimaImmagineRullino();
}

void HomeViewController::metodoEstraiUltimaImmagineRullino()
{
    auto ultima = assetsFetchResults.firstObject();
    if (!ultima || !imageManager)
        return;
    std::weak_ptr<ViewController> weak = weak_from_this();
    imageManager->requestImageForAsset(*ultima, { 1000, 1000 }, ImageContentMode::AspectFit, {}, [weak](Image image) {
        auto self = std::static_pointer_cast<HomeViewController>(weak.lock());
        if (!self || !image)
            return;
        mySingleElementiManage::sharedInstance().myImageSfondoHome = image;
        if (self->myImageViewBg)
            self->myImageViewBg->setImage(std::move(image));
    });
}

void HomeViewController::metodoSettaInterfaccia()
{
    Centro = { view()->bounds().width() / 2, view()->bounds().height() / 2 };
    if (!myViewRectInBasso || !myButtonLogoNew || !myViewBgApplica || !myViewBgButtonCreaETuoiLoghi)
        return;
    const double h = myViewRectInBasso->bounds().height();
    myViewBgButtonCreaETuoiLoghi->setAlpha(0);
    myButtonLogoNew->setCenter({ myButtonLogoNew->center().x, centroYButtonLogo(h) });
    myViewBgApplica->setCenter({ myViewBgApplica->center().x, centroYViewApplica(h) });
    myViewBgButtonCreaETuoiLoghi->setCenter({ myViewBgButtonCreaETuoiLoghi->center().x, myButtonLogoNew->center().y });
    myCentroXInizialeButto = myButtonLogoNew->center().x;
    auto& testi = mySingleScritte::sharedInstance();
    if (myLabelCreaEGestisciItuoiLoghi) {
        myLabelCreaEGestisciItuoiLoghi->setCenter(myButtonLogoNew->center() + Point { 0, kDistanzaSottotitolo });
        myLabelCreaEGestisciItuoiLoghi->setText(testi.stringaCreaGestisciLoghi());
        myALphaSottotitliIniziale = myLabelCreaEGestisciItuoiLoghi->alpha();
    }
    if (myLabelFirmaLetueFoto && myButtonApplicaProp) {
        // The apply button sits in its panel; the caption lives in the same lower area.
        const Point centroApplica = myButtonApplicaProp->convertPointToView(myButtonApplicaProp->bounds().center(), myLabelFirmaLetueFoto->superview().get());
        myLabelFirmaLetueFoto->setCenter(centroApplica + Point { 0, kDistanzaSottotitolo });
        myLabelFirmaLetueFoto->setText(testi.stringaFirmaLeTueFoto());
    }
    if (myButtonApplicaProp)
        myButtonApplicaProp->setImage(imageNamed("buttonPhotos").withRenderingMode(Image::RenderingMode::Template));
    if (myButtonCreaLogoProp)
        myButtonCreaLogoProp->setTitle(testi.stringaCreaLogo());
    if (myButtonTuoiLoghiProp)
        myButtonTuoiLoghiProp->setTitle(testi.stringaLogoGallery());
}

void HomeViewController::metodoAnimazioniCerhi()
{
    startTurningCircles(myImageViewCerchio1.get(), myImageViewCerchio2.get(), myImageViewCerchio3.get(), myImageViewCerchio4.get(), kDurataGiroCerchi);
}

void HomeViewController::myButtonLogoACTION()
{
    if (!myButtonLogoNew || !myViewBgButtonCreaETuoiLoghi)
        return;
    AnimationOptions options;
    options.curve = AnimationCurve::EaseOut;
    const bool aRiposo = std::abs(myButtonLogoNew->center().x - myCentroXInizialeButto) < 1e-6;
    View::animate(kDurataSlideLogo, 0, options, [this, aRiposo] {
        if (aRiposo) {
            const double x = myViewBgButtonCreaETuoiLoghi->frame().minX() - myButtonLogoNew->bounds().width() / 2;
            myButtonLogoNew->setCenter({ x, myButtonLogoNew->center().y });
            myViewBgButtonCreaETuoiLoghi->setAlpha(1);
            if (myLabelCreaEGestisciItuoiLoghi)
                myLabelCreaEGestisciItuoiLoghi->setAlpha(0);
        } else {
            myButtonLogoNew->setCenter({ myCentroXInizialeButto, myButtonLogoNew->center().y });
            myViewBgButtonCreaETuoiLoghi->setAlpha(0);
            if (myLabelCreaEGestisciItuoiLoghi)
                myLabelCreaEGestisciItuoiLoghi->setAlpha(myALphaSottotitliIniziale);
        }
    });
}

void HomeViewController::myButtonCreaLogoACTION() { metodoApriSchermata(kIdentifierEditor); }

void HomeViewController::myButtonTuoiLoghiACTION() { metodoApriSchermata(kIdentifierGallery); }

void HomeViewController::myButtonApplicaACTION()
{
    if (metodoControllaAccesso())
        metodoApriSchermata(kIdentifierBrowser);
}

bool HomeViewController::metodoControllaAccesso()
{
    auto& check = singleAutoFoto::sharedInstance();
    bool avvisato = false;
    check.setAlertPresenter([this, &avvisato](const std::string& titolo, const std::string& messaggio, const std::string& pulsante) {
        avvisato = true;
        metodoAlertAutorizzazione(titolo, messaggio, pulsante);
    });
    bool autorizzato = check.requestAuthorizationHandler();
    check.setAlertPresenter({});
    // A consent answered on the spot needs no alert.
    if (!autorizzato && PhotoLibrary::sharedPhotoLibrary().authorizationStatus() == AuthorizationStatus::Authorized)
        autorizzato = true;
    if (!autorizzato && !avvisato)
        metodoAlertAutorizzazione(kTitoloAlert, mySingleScritte::sharedInstance().stringaDeviAutorizzareFoto(), "Settings");
    return autorizzato;
}

bool HomeViewController::metodoChiediAccessoFoto(std::function<void(bool)> reply)
{
    if (!m_avvioFatto)
        return false;
    std::weak_ptr<ViewController> weak = weak_from_this();
    auto consenso = singleAutoFoto::consentAlert([weak, reply](bool concesso) {
        reply(concesso);
        auto self = std::static_pointer_cast<HomeViewController>(weak.lock());
        if (!self)
            return;
        if (concesso) {
            // Nothing left to explain: the access alert waiting behind goes, and the photos load.
            if (auto accesso = self->m_alertAccesso.lock())
                std::erase(self->m_alertsInAttesa, accesso);
            self->metodoCaricaFoto();
            (void)CustomPhotoAlbum::sharedInstance();
        }
        self->metodoMostraProssimoAlert();
    });
    m_alertsInAttesa.push_front(std::move(consenso));
    metodoMostraProssimoAlert();
    return true;
}

void HomeViewController::metodoApriSchermata(const std::string& identifier)
{
    auto navigation = navigationController();
    if (!navigation)
        return;
    auto& registry = ScreenRegistry::shared();
    if (!registry.hasScreen(identifier)) {
        log::warning("the screen \"" + identifier + "\" is not part of this build");
        return;
    }
    auto screen = registry.instantiate(identifier);
    if (!screen) {
        log::warning(screen.error().message);
        return;
    }
    navigation->pushViewController(*screen, true);
}

void HomeViewController::metodoAlertAggiornamento()
{
    metodoMostraAlert(kTitoloAlert, mySingleScritte::sharedInstance().stringaAggiornamento(), "Start", [] {
        auto& defaults = UserDefaults::standard();
        defaults.setString(keyAggiornamento, "visualizzato");
        defaults.synchronize();
    });
}

void HomeViewController::metodoAlertAutorizzazione(const std::string& titolo, const std::string& messaggio, const std::string& pulsante)
{
    std::weak_ptr<ViewController> weak = weak_from_this();
    m_alertAccesso = metodoMostraAlert(titolo, messaggio, pulsante, [weak] {
        if (auto self = std::static_pointer_cast<HomeViewController>(weak.lock()))
            self->metodoApriImpostazioni();
    });
}

void HomeViewController::metodoApriImpostazioni()
{
    Window* window = isViewLoaded() ? view()->window() : nullptr;
    if (!window)
        return;
    // The program's own settings page stands in for the system's page of the application.
    auto settings = View::make<SettingsScreen>(UserDefaults::standard());
    settings->present(*window);
}

std::shared_ptr<AlertController> HomeViewController::metodoMostraAlert(const std::string& titolo, const std::string& messaggio, const std::string& pulsante, std::function<void()> azione)
{
    auto alert = AlertController::make(titolo, messaggio);
    std::weak_ptr<ViewController> weak = weak_from_this();
    alert->addAction(pulsante, AlertController::ActionStyle::Default, [weak, azione] {
        if (azione)
            azione();
        // Then the next waiting alert, if any.
        if (auto self = std::static_pointer_cast<HomeViewController>(weak.lock()))
            self->metodoMostraProssimoAlert();
    });
    m_alertsInAttesa.push_back(alert);
    metodoMostraProssimoAlert();
    return alert;
}

void HomeViewController::metodoMostraProssimoAlert()
{
    if (m_alertVisibile && m_alertVisibile->isPresented())
        return;
    m_alertVisibile.reset();
    Window* window = isViewLoaded() ? view()->window() : nullptr;
    if (!window || m_alertsInAttesa.empty())
        return;
    m_alertVisibile = m_alertsInAttesa.front();
    m_alertsInAttesa.pop_front();
    m_alertVisibile->present(*window);
}

}
