#pragma once

#include <string>

namespace vd {

// What an opener hands the logo gallery ("gallery") before pushing it: who opened it. The photo
// browser opens it as a picker ("logopicker"), so that a tapped logo comes back to the browser
// (through LogoPickerClient) instead of opening the saved-logo preview.
class LogoGalleryInputs {
public:
    virtual ~LogoGalleryInputs() = default;
    virtual void setMyStringProvenienza(std::string provenance) = 0; // "logopicker", or empty from the home screen
};

}
