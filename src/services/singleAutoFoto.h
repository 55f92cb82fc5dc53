#pragma once

#include <platform/photos/PhotoLibrary.h>

#include <functional>
#include <memory>
#include <string>

namespace vd {

class AlertController;

// Answers whether photos may be read, asking for access the first time.
class singleAutoFoto {
public:
    static singleAutoFoto& sharedInstance(); // on the shared photo library
    explicit singleAutoFoto(PhotoLibrary& library);

    bool requestAuthorizationHandler();

    // Where the restricted-access alert goes (title, message, action title); the screens present it,
    // and its action opens the settings page.
    using AlertPresenter = std::function<void(const std::string& title, const std::string& message, const std::string& action)>;
    void setAlertPresenter(AlertPresenter presenter) { m_presenter = std::move(presenter); }

    // The question a first access to the photos asks, in the person's language: "Don't Allow" is
    // @alertAction0 and answers false, "OK" @alertAction1 and answers true.
    static std::shared_ptr<AlertController> consentAlert(std::function<void(bool granted)> reply);

private:
    PhotoLibrary& m_library;
    AlertPresenter m_presenter;
};

}
