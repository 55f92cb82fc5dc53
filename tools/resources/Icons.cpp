#include <resources/Canvas.h>
#include <resources/Resources.h>

#include <cairo.h>

#include <cstdio>
#include <cstdint>
#include <iterator>
#include <string>

namespace vd::tools {

namespace {

struct Glyph {
    std::uint32_t codepoint;
    const char* name; // its Font Awesome 4.7 name
};

// Grouped so that related pictures sit together in the palette: hearts and stars, nature, food and
// drink, tools and work, sport and games, travel, pictures and music.
constexpr Glyph kGlyphs[] = {
    { 0xf004, "heart" }, { 0xf08a, "heart-o" }, { 0xf005, "star" }, { 0xf006, "star-o" },
    { 0xf123, "star-half-o" }, { 0xf06b, "gift" }, { 0xf219, "diamond" }, { 0xf091, "trophy" },
    { 0xf164, "thumbs-up" }, { 0xf118, "smile-o" }, { 0xf06c, "leaf" }, { 0xf1bb, "tree" },
    { 0xf185, "sun-o" }, { 0xf186, "moon-o" }, { 0xf2dc, "snowflake-o" }, { 0xf0e7, "bolt" },
    { 0xf043, "tint" }, { 0xf06d, "fire" }, { 0xf0c2, "cloud" }, { 0xf0e9, "umbrella" },
    { 0xf1b0, "paw" }, { 0xf188, "bug" }, { 0xf0ac, "globe" }, { 0xf1b8, "recycle" },
    { 0xf0f4, "coffee" }, { 0xf0f5, "cutlery" }, { 0xf000, "glass" },
    { 0xf0fc, "beer" }, { 0xf1fd, "birthday-cake" }, { 0xf094, "lemon-o" }, { 0xf1b1, "spoon" },
    { 0xf291, "shopping-basket" }, { 0xf0ad, "wrench" }, { 0xf013, "cog" }, { 0xf0e3, "gavel" },
    { 0xf0d0, "magic" }, { 0xf1fc, "paint-brush" }, { 0xf040, "pencil" }, { 0xf0c4, "scissors" },
    { 0xf0c3, "flask" }, { 0xf1fb, "eyedropper" }, { 0xf084, "key" }, { 0xf0eb, "lightbulb-o" },
    { 0xf13d, "anchor" }, { 0xf0b1, "briefcase" }, { 0xf12e, "puzzle-piece" }, { 0xf1e3, "futbol-o" },
    { 0xf206, "bicycle" }, { 0xf11e, "flag-checkered" }, { 0xf135, "rocket" }, { 0xf11b, "gamepad" },
    { 0xf21e, "heartbeat" }, { 0xf072, "plane" }, { 0xf1b9, "car" }, { 0xf21a, "ship" },
    { 0xf238, "train" }, { 0xf21c, "motorcycle" }, { 0xf0f2, "suitcase" }, { 0xf041, "map-marker" },
    { 0xf207, "bus" }, { 0xf015, "home" }, { 0xf030, "camera" }, { 0xf083, "camera-retro" },
    { 0xf03d, "video-camera" }, { 0xf03e, "picture-o" }, { 0xf008, "film" }, { 0xf001, "music" },
    { 0xf025, "headphones" }, { 0xf130, "microphone" }, { 0xf1d8, "paper-plane" }, { 0xf0f3, "bell" },
};
static_assert(std::size(kGlyphs) == 71);

constexpr double kSide = 200;
constexpr double kMargin = 8;

}

std::vector<Picture> makeIcons()
{
    std::vector<Picture> icons;
    int number = 1;
    for (const Glyph& glyph : kGlyphs) {
        DrawingContext context({ kSide, kSide }, DrawingContext::Opacity::Transparent, kScale);
        cairo_t* cr = PainterAccess::cairo(context.painter());
        if (!glyphPath(cr, "FontAwesome", glyph.codepoint, Rect { kMargin, kMargin, kSide - 2 * kMargin, kSide - 2 * kMargin }))
            std::fprintf(stderr, "FontAwesome has no glyph %s (U+%04X)\n", glyph.name, glyph.codepoint);
        cairo_set_source_rgb(cr, kTemplateGrey, kTemplateGrey, kTemplateGrey);
        cairo_fill(cr);
        icons.push_back({ std::to_string(number++), context.takeImage(), PictureKind::Icon });
    }
    return icons;
}

}
