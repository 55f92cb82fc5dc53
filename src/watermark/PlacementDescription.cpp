#include <watermark/PlacementDescription.h>

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace vd {

namespace {

template<size_t N>
Result<void> readArray(const nlohmann::json& json, const char* key, std::array<double, N>& out, const std::string& where)
{
    if (!json.contains(key))
        return {};
    const auto& value = json.at(key);
    if (!value.is_array() || value.size() != N)
        return fail(where, std::string("\"") + key + "\" must be a list of " + std::to_string(N) + " numbers");
    for (size_t i = 0; i < N; ++i) {
        if (!value[i].is_number() || !std::isfinite(value[i].get<double>()))
            return fail(where, std::string("\"") + key + "\" must be a list of " + std::to_string(N) + " numbers");
        out[i] = value[i].get<double>();
    }
    return {};
}

Result<void> readNumber(const nlohmann::json& json, const char* key, double& out, const std::string& where)
{
    if (!json.contains(key))
        return {};
    const auto& value = json.at(key);
    if (!value.is_number() || !std::isfinite(value.get<double>()))
        return fail(where, std::string("\"") + key + "\" must be a number");
    out = value.get<double>();
    return {};
}

}

Result<PlacementDescription> PlacementDescription::fromJson(const nlohmann::json& json, const std::string& where)
{
    if (!json.is_object())
        return fail(where, "a placement must be a JSON object");
    PlacementDescription placement;
    Result<void> read = readArray(json, "flags", placement.flags, where);
    if (read)
        read = readArray(json, "percent", placement.percent, where);
    if (read)
        read = readArray(json, "margins", placement.margins, where);
    if (read)
        read = readNumber(json, "sizePercent", placement.sizePercent, where);
    if (read)
        read = readNumber(json, "opacity", placement.opacity, where);
    if (read)
        read = readNumber(json, "rotationDegrees", placement.rotationDegrees, where);
    if (read)
        read = readNumber(json, "stickerFrameWidth", placement.stickerFrameWidth, where);
    if (read && json.contains("marginPixels")) {
        double pixels = 0;
        read = readNumber(json, "marginPixels", pixels, where);
        placement.marginPixels = pixels;
    }
    if (!read)
        return std::unexpected(read.error());
    if (auto checked = placement.check(where); !checked)
        return std::unexpected(checked.error());
    return placement;
}

Result<void> PlacementDescription::check(const std::string& where) const
{
    auto number = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return std::string(text);
    };
    for (double flag : flags)
        if (flag != 0.0 && flag != 1.0)
            return fail(where, "each of \"flags\" must be 0 or 1");
    for (double value : percent)
        if (!std::isfinite(value))
            return fail(where, "each of \"percent\" must be a number");
    for (double value : margins)
        if (!std::isfinite(value))
            return fail(where, "each of \"margins\" must be a number");
    if (!(sizePercent > 0 && sizePercent <= 100))
        return fail(where, "\"sizePercent\" " + number(sizePercent) + " is out of range: the logo's side must be above 0 and at most 100 % of the photo's short side");
    if (!(opacity >= 0 && opacity <= 1))
        return fail(where, "\"opacity\" " + number(opacity) + " is out of range: it must be from 0 to 1");
    if (!(stickerFrameWidth > 0) || !std::isfinite(stickerFrameWidth))
        return fail(where, "\"stickerFrameWidth\" " + number(stickerFrameWidth) + " is out of range: it must be above 0");
    if (!std::isfinite(rotationDegrees))
        return fail(where, "\"rotationDegrees\" must be a number");
    if (marginPixels && !(*marginPixels >= 0 && std::isfinite(*marginPixels)))
        return fail(where, "\"marginPixels\" " + number(*marginPixels) + " is out of range: it must be 0 or more");
    return {};
}

nlohmann::json PlacementDescription::toJson() const
{
    nlohmann::json json = {
        { "flags", flags },
        { "percent", percent },
        { "margins", margins },
        { "sizePercent", sizePercent },
        { "opacity", opacity },
        { "rotationDegrees", rotationDegrees },
        { "stickerFrameWidth", stickerFrameWidth },
    };
    if (marginPixels)
        json["marginPixels"] = *marginPixels;
    return json;
}

LogoPlacement logoPlacement(const PlacementDescription& placement, double width, double height, double logoAspect)
{
    const double shortSide = height < width ? height : width;
    const double side = shortSide * placement.sizePercent / 100.0;
    const double k = side / placement.stickerFrameWidth;
    const auto [fl, fr, ft, fb] = placement.flags;
    const auto [ml, mr, mt, mb] = placement.margins;
    // Distance from an aligned edge to the logo itself, in photo pixels.
    auto gap = [&](double margin) { return placement.marginPixels ? *placement.marginPixels : (margin + kStickerContentInset) * k; };

    LogoPlacement result;
    result.side = side;
    result.rotationDegrees = placement.rotationDegrees;
    result.opacity = placement.opacity;
    const bool wide = !(logoAspect > 0 && std::isfinite(logoAspect)) || logoAspect >= 1.0;
    result.width = wide ? side : side * logoAspect;
    result.height = wide && logoAspect > 0 && std::isfinite(logoAspect) ? side / logoAspect : side;
    if (fl == fr)
        result.x = width * placement.percent[0] / 100.0 - result.width * 0.5;
    else if (fl == 1.0)
        result.x = gap(ml);
    else
        result.x = width - gap(mr) - result.width;
    if (ft == fb)
        result.y = height * placement.percent[1] / 100.0 - result.height * 0.5;
    else if (ft == 1.0)
        result.y = gap(mt);
    else
        result.y = height - gap(mb) - result.height;
    return result;
}

int progressPercent(std::size_t done, std::size_t count)
{
    return count == 0 ? 0 : static_cast<int>(done * 100 / count);
}

std::string progressLabelText(int percent, const std::string& doNotCloseText)
{
    return std::to_string(percent) + "% \n" + doNotCloseText;
}

}
