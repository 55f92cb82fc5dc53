#pragma once

#include <platform/foundation/NotificationCenter.h>
#include <platform/photos/ImageManager.h>
#include <platform/photos/PhotoAsset.h>
#include <platform/ui/presentation/ViewController.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vd {

class AlertController;
class BlurView;
class Button;
class ImageView;
class Label;

// The hub: a header with the logo and four turning circles over the newest photo, blurred; below,
// the logo button that slides aside to reveal create and gallery, and the apply button. On a
// first launch it hands over to the tutorial before anything else.
class HomeViewController : public ViewController {
public:
    HomeViewController();
    ~HomeViewController() override;
    std::string className() const override { return "HomeViewController"; }

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

    void metodoSettaInterfaccia();
    void metodoEstraiUltimaImmagineRullino();
    void metodoAnimazioniCerhi();

    void myButtonLogoACTION();
    void myButtonCreaLogoACTION();
    void myButtonTuoiLoghiACTION();
    void myButtonApplicaACTION();

    // Asks for photo access with the consent dialog put first among this screen's alerts, once
    // the screen has loaded past the tutorial; the answer goes to reply. False when this screen
    // does not take the question.
    bool metodoChiediAccessoFoto(std::function<void(bool)> reply);

    // The screens it opens, made through the registry by these identifiers.
    static constexpr const char* kIdentifier = "home";
    static constexpr const char* keyAggiornamento = "aggiornamento1";
    static constexpr const char* kIdentifierEditor = "logoEditor";
    static constexpr const char* kIdentifierGallery = "gallery";
    static constexpr const char* kIdentifierBrowser = "quintara";

    FetchResult<PhotoAsset> assetsFetchResults;
    std::optional<AssetCollection> assetCollection;
    std::shared_ptr<CachingImageManager> imageManager;
    double myCentroXInizialeButto { 0 };
    double myALphaSottotitliIniziale { 1 };
    Point Centro;

    std::shared_ptr<Label> myLabelCreaEGestisciItuoiLoghi;
    std::shared_ptr<Label> myLabelFirmaLetueFoto;
    std::shared_ptr<Button> myButtonCreaLogoProp;
    std::shared_ptr<Button> myButtonTuoiLoghiProp;
    std::shared_ptr<Button> myButtonApplicaProp;
    std::shared_ptr<Button> myButtonLogoPropGIUSTO;
    std::shared_ptr<Button> myButtonLogoNew;
    std::shared_ptr<View> myViewBgButtonCreaETuoiLoghi;
    std::shared_ptr<View> myViewBgApplica;
    std::shared_ptr<View> myViewRectInBasso;
    std::shared_ptr<View> myViewLogoHead;
    std::shared_ptr<ImageView> myImageViewLogo;
    std::shared_ptr<ImageView> myImageViewCerchio1;
    std::shared_ptr<ImageView> myImageViewCerchio2;
    std::shared_ptr<ImageView> myImageViewCerchio3;
    std::shared_ptr<ImageView> myImageViewCerchio4;
    std::shared_ptr<ImageView> myImageViewBg;
    std::shared_ptr<BlurView> myVisualEffectBg;

protected:
    // The centre y of the logo button and of the apply panel at set-up, from the height of the
    // lower area: the numbers that differ between phone and tablet.
    virtual double centroYButtonLogo(double h) const { return h * 0.5 + h / 4.2; }
    virtual double centroYViewApplica(double h) const { return h * 0.25; }

private:
    void metodoApriSchermata(const std::string& identifier);
    // Whether photos may be read; when not, one alert says so (the check's own for a library that
    // cannot be read, else the home's), and its "Settings" opens the settings page.
    bool metodoControllaAccesso();
    void metodoCaricaFoto();
    void metodoAlertAutorizzazione(const std::string& titolo, const std::string& messaggio, const std::string& pulsante);
    void metodoApriImpostazioni();
    void metodoAlertAggiornamento();
    // Alerts wait for the screen to be on a window and come one at a time.
    std::shared_ptr<AlertController> metodoMostraAlert(const std::string& titolo, const std::string& messaggio, const std::string& pulsante, std::function<void()> azione);
    void metodoMostraProssimoAlert();

    std::deque<std::shared_ptr<AlertController>> m_alertsInAttesa;
    std::shared_ptr<AlertController> m_alertVisibile;
    std::weak_ptr<AlertController> m_alertAccesso; // the last access alert, dropped when a consent gives access
    NotificationCenter::Token m_keycerchi { 0 };
    bool m_avvioFatto { false };
};

class HomeViewControllerIPAD : public HomeViewController {
public:
    std::string className() const override { return "HomeViewControllerIPAD"; }

protected:
    double centroYButtonLogo(double h) const override { return h * 0.25; }
    double centroYViewApplica(double h) const override { return h * 0.5 + h * 0.25; }
};

}
