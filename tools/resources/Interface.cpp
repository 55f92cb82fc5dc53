#include <resources/Canvas.h>
#include <resources/Resources.h>

#include <cairo.h>

#include <cmath>
#include <cstdio>

namespace vd::tools {

namespace {

const Color kRed = Color::fromCode("#ff3b30");
const Color kOrange = Color::fromCode("#ff9500");

void setSource(cairo_t* cr, const Color& color)
{
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
}

void circle(cairo_t* cr, double cx, double cy, double radius)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
}

void fillGlyph(cairo_t* cr, std::uint32_t codepoint, const Rect& box)
{
    if (!glyphPath(cr, "FontAwesome", codepoint, box))
        std::fprintf(stderr, "FontAwesome has no glyph U+%04X\n", codepoint);
    cairo_fill(cr);
}

// A soft shadow under a round control: rings of falling opacity.
void softShadow(cairo_t* cr, double cx, double cy, double radius, double spread)
{
    for (int i = 8; i >= 1; --i) {
        circle(cr, cx, cy + spread * 0.35, radius + spread * i / 8.0);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.035);
        cairo_fill(cr);
    }
}

// A 28-point sticker handle: a coloured disc with a white rim and a white glyph.
Picture handle(const std::string& name, const Color& colour, std::uint32_t codepoint, double glyphSide)
{
    constexpr double side = 28;
    DrawingContext context({ side, side }, DrawingContext::Opacity::Transparent, kScale);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    circle(cr, side / 2, side / 2, side / 2 - 0.5);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    circle(cr, side / 2, side / 2, side / 2 - 2.5);
    setSource(cr, colour);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    fillGlyph(cr, codepoint, Rect { (side - glyphSide) / 2, (side - glyphSide) / 2, glyphSide, glyphSide });
    return { name, context.takeImage(), PictureKind::Decoration };
}

Picture sliderThumb(const std::string& name, const Color& fill, const Color& rim, double rimWidth)
{
    constexpr double side = 30, radius = 12;
    DrawingContext context({ side, side }, DrawingContext::Opacity::Transparent, kScale);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    softShadow(cr, side / 2, side / 2, radius, 2.5);
    circle(cr, side / 2, side / 2, radius);
    setSource(cr, rim);
    cairo_fill(cr);
    circle(cr, side / 2, side / 2, radius - rimWidth);
    setSource(cr, fill);
    cairo_fill(cr);
    return { name, context.takeImage(), PictureKind::Decoration };
}

// Shown over a sticker while its rotation snaps: both diagonals, light over a dark edge so they
// read on any canvas. The picture is stretched to the sticker, so the lines always meet the corners.
Picture diagonalLines()
{
    constexpr double side = 200;
    DrawingContext context({ side, side }, DrawingContext::Opacity::Transparent, kScale);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    auto diagonals = [&] {
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, side, side);
        cairo_move_to(cr, side, 0);
        cairo_line_to(cr, 0, side);
    };
    const double dashes[] = { 8, 5 };
    cairo_set_dash(cr, dashes, 2, 0);
    diagonals();
    cairo_set_line_width(cr, 2.6);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_stroke(cr);
    diagonals();
    cairo_set_line_width(cr, 1.2);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
    cairo_stroke(cr);
    return { "LineeDiagonali", context.takeImage(), PictureKind::Decoration };
}

Picture transparentRectangle()
{
    DrawingContext context({ 100, 100 }, DrawingContext::Opacity::Transparent, kScale);
    return { "rectTrasparente", context.takeImage(), PictureKind::Decoration };
}

// The home header: a "V" with a star over it, white, to sit inside the four turning circles.
Picture homeLogo()
{
    constexpr double side = 200;
    DrawingContext context({ side, side }, DrawingContext::Opacity::Transparent, kScale);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 24);
    cairo_move_to(cr, 36, 52);
    cairo_line_to(cr, 100, 166);
    cairo_line_to(cr, 164, 52);
    cairo_stroke(cr);
    // The star between the arms.
    const double cx = 100, cy = 70, outer = 26, inner = 11;
    for (int i = 0; i < 10; ++i) {
        const double angle = -M_PI / 2 + M_PI * i / 5;
        const double radius = i % 2 == 0 ? outer : inner;
        cairo_line_to(cr, cx + radius * std::cos(angle), cy + radius * std::sin(angle));
    }
    cairo_close_path(cr);
    cairo_fill(cr);
    return { "logoHome", context.takeImage(), PictureKind::Decoration };
}

// The four decorative circles of the home header, all on the same 300-point square so they can
// share one frame; each is recognisable as it turns.
Picture homeCircle(int number)
{
    constexpr double side = 300, c = side / 2;
    DrawingContext context({ side, side }, DrawingContext::Opacity::Transparent, kScale);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    switch (number) {
    case 1: {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
        circle(cr, c, c, 146);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        for (int i = 0; i < 72; ++i) {
            const double angle = 2 * M_PI * i / 72;
            const double length = i % 6 == 0 ? 10 : 5;
            cairo_move_to(cr, c + 146 * std::cos(angle), c + 146 * std::sin(angle));
            cairo_line_to(cr, c + (146 - length) * std::cos(angle), c + (146 - length) * std::sin(angle));
        }
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
        circle(cr, c, c - 146, 4);
        cairo_fill(cr);
        break;
    }
    case 2: {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
        circle(cr, c, c, 128);
        cairo_set_line_width(cr, 3);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        setFittedDash(cr, 44, 16);
        cairo_stroke(cr);
        break;
    }
    case 3: {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.6);
        for (int i = 0; i < 60; ++i) {
            const double angle = 2 * M_PI * i / 60;
            circle(cr, c + 112 * std::cos(angle), c + 112 * std::sin(angle), i % 15 == 0 ? 4 : 1.8);
        }
        cairo_fill(cr);
        break;
    }
    default: {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
        cairo_set_line_width(cr, 7);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        const double arcs[][2] = { { 0, 100 }, { 130, 200 }, { 232, 330 } };
        for (const auto& arc : arcs) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, c, c, 96, arc[0] * M_PI / 180, arc[1] * M_PI / 180);
        }
        cairo_stroke(cr);
        break;
    }
    }
    return { "cerchio" + std::to_string(number), context.takeImage(), PictureKind::Decoration };
}

// Template pictures for the tool bar and the screens' buttons, on a 40-point square.
constexpr double kButtonSide = 40;

Picture glyphButton(const std::string& name, std::uint32_t codepoint)
{
    DrawingContext context({ kButtonSide, kButtonSide }, DrawingContext::Opacity::Transparent, kScale);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    cairo_set_source_rgb(cr, kTemplateGrey, kTemplateGrey, kTemplateGrey);
    fillGlyph(cr, codepoint, Rect { 3, 3, kButtonSide - 6, kButtonSide - 6 });
    return { name, context.takeImage(), PictureKind::Interface };
}

// The shape tab: a square overlapping a circle, both outlined.
Picture shapesButton()
{
    DrawingContext context({ kButtonSide, kButtonSide }, DrawingContext::Opacity::Transparent, kScale);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    cairo_set_source_rgb(cr, kTemplateGrey, kTemplateGrey, kTemplateGrey);
    cairo_set_line_width(cr, 3);
    cairo_rectangle(cr, 5, 5, 19, 19);
    cairo_stroke(cr);
    circle(cr, 24.5, 24.5, 11);
    cairo_fill(cr);
    return { "toolbarShapes", context.takeImage(), PictureKind::Interface };
}

// The layer tab: three stacked sheets seen at an angle.
Picture layersButton()
{
    DrawingContext context({ kButtonSide, kButtonSide }, DrawingContext::Opacity::Transparent, kScale);
    cairo_t* cr = PainterAccess::cairo(context.painter());
    cairo_set_source_rgb(cr, kTemplateGrey, kTemplateGrey, kTemplateGrey);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 2.6);
    for (int i = 2; i >= 0; --i) {
        const double y = 9 + i * 7;
        cairo_move_to(cr, 20, y - 6);
        cairo_line_to(cr, 36, y + 2);
        cairo_line_to(cr, 20, y + 10);
        cairo_line_to(cr, 4, y + 2);
        cairo_close_path(cr);
        if (i == 0) {
            cairo_fill(cr);
        } else {
            // Lower sheets show only their front edges below the one above.
            cairo_new_path(cr);
            cairo_move_to(cr, 8, y + 4);
            cairo_line_to(cr, 20, y + 10);
            cairo_line_to(cr, 32, y + 4);
            cairo_stroke(cr);
        }
    }
    return { "toolbarLayers", context.takeImage(), PictureKind::Interface };
}

}

std::vector<Picture> makeInterfacePictures()
{
    std::vector<Picture> pictures;
    pictures.push_back(handle("icon_delete", kRed, 0xf00d, 12));  // times
    pictures.push_back(handle("icon_rotate", kOrange, 0xf01e, 12)); // repeat
    pictures.push_back(handle("icon_scale", kOrange, 0xf065, 11));  // expand
    pictures.push_back(sliderThumb("ThumbSlider", Color::whiteColor(), Color::white(0.82), 0.8));
    pictures.push_back(sliderThumb("OrangeTumb", kOrange, Color::whiteColor(), 2.5));
    pictures.push_back(diagonalLines());
    pictures.push_back(transparentRectangle());
    pictures.push_back(homeLogo());
    for (int i = 1; i <= 4; ++i)
        pictures.push_back(homeCircle(i));
    pictures.push_back(glyphButton("toolbarIcons", 0xf005)); // star
    pictures.push_back(shapesButton());
    pictures.push_back(glyphButton("toolbarText", 0xf031)); // font
    pictures.push_back(layersButton());
    const std::pair<const char*, std::uint32_t> buttons[] = {
        { "buttonBack", 0xf104 },     // angle-left
        { "buttonForward", 0xf105 },  // angle-right
        { "buttonShare", 0xf1e0 },    // share-alt
        { "buttonDelete", 0xf1f8 },   // trash
        { "buttonSave", 0xf0c7 },     // floppy-o
        { "buttonHome", 0xf015 },     // home
        { "buttonHelp", 0xf128 },     // question
        { "buttonSettings", 0xf013 }, // cog
        { "buttonAdd", 0xf067 },      // plus
        { "buttonDone", 0xf00c },     // check
        { "buttonClose", 0xf00d },    // times
        { "buttonAlbum", 0xf03e },    // picture-o
        { "buttonPhotos", 0xf00a },   // th
        { "buttonColour", 0xf1fc },   // paint-brush
    };
    for (const auto& [name, codepoint] : buttons)
        pictures.push_back(glyphButton(name, codepoint));
    return pictures;
}

}
