#include <resources/Resources.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vd::tools {

namespace {

struct Rgb {
    double r, g, b; // linear light
};

// OKLab to linear sRGB (Björn Ottosson's matrices).
Rgb fromOklab(double L, double a, double b)
{
    const double l = std::pow(L + 0.3963377774 * a + 0.2158037573 * b, 3);
    const double m = std::pow(L - 0.1055613458 * a - 0.0638541728 * b, 3);
    const double s = std::pow(L - 0.0894841775 * a - 1.2914855480 * b, 3);
    return { 4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s,
        -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s,
        -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s };
}

bool inGamut(const Rgb& c)
{
    constexpr double e = 1e-6;
    return c.r >= -e && c.r <= 1 + e && c.g >= -e && c.g <= 1 + e && c.b >= -e && c.b <= 1 + e;
}

int encode(double linear)
{
    linear = std::clamp(linear, 0.0, 1.0);
    const double v = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return static_cast<int>(std::lround(v * 255));
}

std::string code(const Rgb& c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", encode(c.r), encode(c.g), encode(c.b));
    return text;
}

// The colour of lightness L and hue h (degrees) with the given chroma, or the most chroma sRGB
// can show there when that is less.
Rgb oklch(double L, double chroma, double hue)
{
    const double h = hue * M_PI / 180;
    double low = 0, high = chroma;
    if (inGamut(fromOklab(L, high * std::cos(h), high * std::sin(h))))
        low = high;
    for (int i = 0; i < 40 && high - low > 1e-5; ++i) {
        const double mid = (low + high) / 2;
        (inGamut(fromOklab(L, mid * std::cos(h), mid * std::sin(h))) ? low : high) = mid;
    }
    return fromOklab(L, low * std::cos(h), low * std::sin(h));
}

}

std::vector<std::string> makeColourCodes()
{
    // Red, orange, amber, yellow, lime, green, teal, cyan, blue, violet, pink.
    const double hues[kColourColumns] = { 27, 50, 72, 98, 128, 150, 185, 222, 262, 300, 352 };
    std::vector<std::string> codes;
    // Greys in even steps of the stored value, white to black.
    for (int column = 0; column < kColourColumns; ++column) {
        char text[8];
        const int v = static_cast<int>(std::lround(255.0 * (kColourColumns - 1 - column) / (kColourColumns - 1)));
        std::snprintf(text, sizeof text, "#%02x%02x%02x", v, v, v);
        codes.push_back(text);
    }
    // Yellows are only bright when light, so their columns stay light for longer before darkening.
    const double lightnessCurve[kColourColumns] = { 1, 1, 1.3, 1.7, 1.2, 1, 1, 1, 1, 1, 1 };
    const int rows = kColourRows - 1;
    for (int row = 0; row < rows; ++row) {
        const double t = row / double(rows - 1);
        // Pale at the top, full in the middle rows, slightly muted in the darkest ones.
        const double chroma = 0.05 + 0.17 * std::min(1.0, t * 2.2) - 0.04 * std::max(0.0, t - 0.7) / 0.3;
        for (int column = 0; column < kColourColumns; ++column) {
            const double L = 0.95 - 0.67 * std::pow(t, lightnessCurve[column]);
            codes.push_back(code(oklch(L, chroma, hues[column])));
        }
    }
    return codes;
}

}
