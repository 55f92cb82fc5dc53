#pragma once

#include <platform/photos/PhotoLibrary.h>

#include <functional>
#include <string>

namespace vd {

// Answers whether photos may be read, asking for access the first time.
class singleAutoFoto {
public:
    static singleAutoFoto& sharedInstance(); // on the shared photo library
    explicit singleAutoFoto(PhotoLibrary& library);

    bool requestAuthorizationHandler();

    // Where the restricted-access alert goes (title, message, action title); the screens present it.
    using AlertPresenter = std::function<void(const std::string& title, const std::string& message, const std::string& action)>;
    void setAlertPresenter(AlertPresenter presenter) { m_presenter = std::move(presenter); }

private:
    PhotoLibrary& m_library;
    AlertPresenter m_presenter;
};

}
