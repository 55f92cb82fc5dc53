#pragma once

#include <string>
#include <string_view>

namespace vd {

// An RGBA colour with components in 0...1, not premultiplied.
struct Color {
    double red { 0 };
    double green { 0 };
    double blue { 0 };
    double alpha { 0 };
    friend bool operator==(const Color&, const Color&) = default;

    static Color rgba(double r, double g, double b, double a = 1.0) { return { r, g, b, a }; }
    static Color white(double w, double a = 1.0) { return { w, w, w, a }; }
    static Color clear() { return { 0, 0, 0, 0 }; }
    static Color black() { return { 0, 0, 0, 1 }; }
    static Color whiteColor() { return { 1, 1, 1, 1 }; }

    // A colour code: six hex digits RRGGBB, optionally after "#", optionally surrounded by white
    // space, either case. Anything else reads as opaque black.
    static Color fromCode(std::string_view code);

    std::string htmlRGBColor() const;  // "#rrggbb", each component × 255 truncated
    std::string htmlRGBaColor() const; // "#rrggbbaa"
    Color withAlpha(double a) const { return { red, green, blue, a }; }
};

}
