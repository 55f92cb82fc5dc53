#include <app/PrimoAvvioViewController.h>

#include <app/HomeViewController.h>
#include <services/mySingleScritte.h>
#include <elements/ViewRotation.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <services/singleAutoFoto.h>


namespace vd {

namespace {
constexpr const char* kTitoloStart = "START";
constexpr double kDurataGiroCerchi = 24.0; // seconds a turn, as on the home screen
}

PrimoAvvioViewController::PrimoAvvioViewController()
{
    bind("myViewLogoHead", myViewLogoHead);
    bind("myImageViewLogo", myImageViewLogo);
    bind("myImageViewCerchio1", myImageViewCerchio1);
    bind("myImageViewCerchio2", myImageViewCerchio2);
    bind("myImageViewCerchio3", myImageViewCerchio3);
    bind("myImageViewCerchio4", myImageViewCerchio4);
    bind("myLabelTesto", myLabelTesto);
    bind("myButtonOk", myButtonOk);
    action("myButtonOkACTION", [this] { myButtonOkACTION(); });
    auto& testi = mySingleScritte::sharedInstance();
    myArrConStringheTesto = { testi.stringaPrimoAvvioUno(), testi.stringaPrimoAvvioDue() };
}

PrimoAvvioViewController::~PrimoAvvioViewController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void PrimoAvvioViewController::viewDidLoad()
{
    if (myButtonOk) {
        myButtonOk->layer().setCornerRadius(myButtonOk->bounds().width() / 2);
        myButtonOk->layer().setBorderWidth(2);
        myButtonOk->layer().setBorderColor(Color::whiteColor());
    }
    if (myLabelTesto)
        myLabelTesto->setText(myArrConStringheTesto.at(static_cast<size_t>(indexOk)));
    metodoAnimazioniCerhi();
    // A return from the background finds the circles stopped, as on the home screen.
    m_keycerchi = NotificationCenter::defaultCenter().addObserver(this, "keycerchi", nullptr, [this](const Notification&) { metodoAnimazioniCerhi(); });
}

void PrimoAvvioViewController::viewDidAppear(bool animated)
{
    (void)animated;
    metodoAnimazioniCerhi();
}

void PrimoAvvioViewController::metodoAnimazioniCerhi()
{
    startTurningCircles(myImageViewCerchio1.get(), myImageViewCerchio2.get(), myImageViewCerchio3.get(), myImageViewCerchio4.get(), kDurataGiroCerchi);
}

void PrimoAvvioViewController::myButtonOkACTION()
{
    if (!myButtonOk || !myLabelTesto)
        return;
    ++indexOk;
    // The title decides the last press: presses can never skip the access request.
    if (myButtonOk->currentTitle() == kTitoloStart) {
        auto& defaults = UserDefaults::standard();
        defaults.setString(keyAvvioFatto, "fatto");
        defaults.synchronize();
        metodoSegue(*this, HomeViewController::kIdentifier);
        return;
    }
    if (indexOk == 1) {
        myLabelTesto->setText(myArrConStringheTesto.at(1));
    } else if (indexOk == 2) {
        singleAutoFoto::sharedInstance().requestAuthorizationHandler();
        View::animate(0.3, [this] {
            myLabelTesto->setAlpha(0);
            myButtonOk->setTitle(std::string(kTitoloStart));
        });
    }
}

bool PrimoAvvioViewController::metodoSegue(ViewController& from, const std::string& identifier)
{
    auto navigation = from.navigationController();
    if (!navigation) {
        log::warning("no navigation stack to show \"" + identifier + "\" on");
        return false;
    }
    auto screen = ScreenRegistry::shared().instantiate(identifier);
    if (!screen) {
        log::warning(screen.error().message);
        return false;
    }
    navigation->setViewControllers({ *screen }, false);
    return true;
}

}
