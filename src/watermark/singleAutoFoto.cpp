#include <watermark/singleAutoFoto.h>

#include <platform/foundation/Log.h>

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
        if (m_presenter)
            m_presenter("Error", "Enable photo permissions in settings", "Settings");
        return false;
    default:
        return false;
    }
}

}
