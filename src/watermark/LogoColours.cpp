// A logo is drawn in sRGB; on a photo that carries another profile (Display P3, Adobe RGB, a
// camera's) the same numbers would show other colours, so the logo is converted first.

#include <watermark/StampEngine.h>

#include <platform/graphics/ColourManagement.h>

namespace vd {

std::shared_ptr<const StampEngine::LogoTile> StampEngine::tileInProfile(std::shared_ptr<const LogoTile> tile, const std::vector<std::uint8_t>& iccProfile)
{
    if (tile->pixels.empty())
        return tile;
    auto conversion = SrgbConversion::into(iccProfile);
    if (!conversion)
        return tile;
    auto converted = std::make_shared<LogoTile>(*tile);
    conversion->convertPremultiplied(converted->pixels);
    return converted;
}

}
