#pragma once

#include <platform/graphics/Image.h>

#include <optional>

namespace vd {

// A screen that opens the logo gallery as a picker ("logopicker"): the gallery hands it the chosen
// logo's full picture and returns to it. The photo browser is one.
class LogoPickerClient {
public:
    virtual ~LogoPickerClient() = default;
    virtual void setMyImageLogoPreview(std::optional<Image> picture) = 0; // the chosen logo, upright, full size
};

}
