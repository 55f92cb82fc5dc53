#include <services/singleAutoFoto.h>

#include <services/mySingleScritte.h>
#include <platform/foundation/Log.h>
#include <platform/ui/presentation/AlertController.h>

namespace vd {

singleAutoFoto& singleAutoFoto::sharedInstance()
{
    static singleAutoFoto check(PhotoLibrary::sharedPhotoLibrary());
    return check;
}

singleAutoFoto::singleAutoFoto(PhotoLibrary& library)
    : m_library(library)
{
}

bool singleAutoFoto::requestAuthorizationHandler()
{
    switch (m_library.authorizationStatus()) {
    case AuthorizationStatus::Authorized:
        return true;
    case AuthorizationStatus::NotDetermined:
        m_library.requestAuthorization([](AuthorizationStatus status) { log::debug(status == AuthorizationStatus::Authorized ? "Foto autorizzate" : "Foto non autorizzate"); });
        return false;
    case AuthorizationStatus::Restricted:
        if (m_presenter) {
            auto& testi = mySingleScritte::sharedInstance();
            m_presenter(testi.stringaErrore(), testi.stringaAbilitaFoto(), "Settings");
        }
        return false;
    default:
        return false;
    }
}

std::shared_ptr<AlertController> singleAutoFoto::consentAlert(std::function<void(bool granted)> reply)
{
    auto& testi = mySingleScritte::sharedInstance();
    auto alert = AlertController::make(testi.stringaConsensoFoto(), testi.stringaConsensoFotoMessaggio());
    alert->addAction(testi.stringaNonConsentire(), AlertController::ActionStyle::Cancel, [reply] { reply(false); });
    alert->addAction("OK", AlertController::ActionStyle::Default, [reply] { reply(true); });
    return alert;
}

}
