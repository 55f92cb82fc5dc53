#pragma once

#include <platform/foundation/Error.h>

#include <array>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

namespace vd {

// Where the logo goes, independent of any photo's resolution: what the apply screen measures on
// its preview and the batch reproduces on every photo.
struct PlacementDescription {
    std::array<double, 4> flags { 0, 0, 0, 0 };   // aligned to left, right, top, bottom: each 0 or 1
    std::array<double, 2> percent { 50, 50 };     // logo centre, % of the width and of the height
    std::array<double, 4> margins { 0, 0, 0, 0 }; // sticker frame to left, right, top, bottom, preview points
    double sizePercent { 20 };                    // sticker frame width, % of the area width: above 0, at most 100
    double opacity { 1 };                         // 0…1
    double rotationDegrees { 0 };                 // clockwise on screen
    double stickerFrameWidth { 128 };             // preview points, above 0: a 100-point logo and its 14-point insets
    // The command line's --margin: the gap between logo and aligned edges in photo pixels, which
    // replaces the preview margins.
    std::optional<double> marginPixels;

    // The placement file's JSON; every value is checked, and errors name the file.
    static Result<PlacementDescription> fromJson(const nlohmann::json& json, const std::string& where);
    // Refuses values outside their range, naming the value and the range; nothing is clamped.
    Result<void> check(const std::string& where) const;
    nlohmann::json toJson() const;
};

// The sticker's content inset on the preview: margins are measured to the sticker frame, so the
// logo itself lies this many preview points further in.
inline constexpr double kStickerContentInset = 14.0;

// The logo's rectangle on a photo of width × height pixels (upright), in pixels; x and y may be
// fractional and may lie partly outside the photo. side is the logo's longer side; a logo that
// is not square keeps its proportions (logoAspect: its width ÷ height), so the shorter side
// follows, and the alignment rules apply to the real rectangle. The rectangle holds the logo as
// turned by rotationDegrees, drawn at opacity: everything a preview needs to show it as stamped.
struct LogoPlacement {
    double x { 0 };
    double y { 0 };
    double side { 0 };
    double width { 0 };
    double height { 0 };
    double rotationDegrees { 0 };
    double opacity { 1 };

    // The same placement on a picture of the photo scale times as wide (a thumbnail).
    LogoPlacement scaled(double scale) const { return { x * scale, y * scale, side * scale, width * scale, height * scale, rotationDegrees, opacity }; }
};
LogoPlacement logoPlacement(const PlacementDescription& placement, double width, double height, double logoAspect = 1.0);

// The progress of a batch after done of count photos, in whole percent (0 for an empty batch).
int progressPercent(std::size_t done, std::size_t count);
// The progress label: the percentage, "% ", a line break, then the advice not to close the app.
std::string progressLabelText(int percent, const std::string& doNotCloseText);

}
