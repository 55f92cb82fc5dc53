#include <platform/graphics/Color.h>

#include <cctype>
#include <cstdio>

namespace vd {

namespace {
int byteOf(double component)
{
    // Truncation, as the two formats require; out-of-range components are clamped so the code
    // always has two digits per component.
    const int value = static_cast<int>(component * 255.0);
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

bool isTrimmed(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
}

Color Color::fromCode(std::string_view code)
{
    while (!code.empty() && isTrimmed(code.front()))
        code.remove_prefix(1);
    while (!code.empty() && isTrimmed(code.back()))
        code.remove_suffix(1);
    if (!code.empty() && code.front() == '#')
        code.remove_prefix(1);
    if (code.size() != 6)
        return black();
    unsigned value = 0;
    for (char c : code) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
            : (c >= 'a' && c <= 'f')                                 ? c - 'a' + 10
            : (c >= 'A' && c <= 'F')                                 ? c - 'A' + 10
                                                                     : -1;
        if (digit < 0)
            return black();
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return { ((value >> 16) & 255) / 255.0, ((value >> 8) & 255) / 255.0, (value & 255) / 255.0, 1.0 };
}

std::string Color::htmlRGBColor() const
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byteOf(red), byteOf(green), byteOf(blue));
    return text;
}

std::string Color::htmlRGBaColor() const
{
    char text[10];
    std::snprintf(text, sizeof text, "#%02x%02x%02x%02x", byteOf(red), byteOf(green), byteOf(blue), byteOf(alpha));
    return text;
}

}
