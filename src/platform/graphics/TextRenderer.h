#pragma once

#include <platform/graphics/Color.h>
#include <platform/graphics/Geometry.h>

#include <string>

namespace vd {

class Painter;

enum class TextAlignment { Left, Center, Right, Justified, Natural };
enum class VerticalAlignment { Top, Center };

// How a piece of text is set: a font by PostScript name (as "GillSans-UltraBold"), a size in
// points, a colour, an alignment, and wrapping at word boundaries within a width.
struct TextStyle {
    std::string fontName { "Helvetica" };
    double fontSize { 17 };
    Color color { Color::black() };
    TextAlignment alignment { TextAlignment::Natural };
    int numberOfLines { 1 }; // 0: as many as the text needs; lines beyond are cut with an ellipsis
};

// The font family, weight and style fontconfig has under a PostScript name, or the stand-in
// family ("Gillius ADF", then DejaVu Sans) with the weight the name suggests. As a Pango font
// description string, e.g. "Gillius ADF Heavy".
std::string fontDescriptionForPostScriptName(const std::string& name);

// Text measured and drawn with Pango in points. Layouts are cached; any thread may call these,
// one at a time.
Size measureText(const std::string& text, const TextStyle& style, double maxWidth); // maxWidth <= 0: unlimited
void drawText(Painter& painter, const std::string& text, const TextStyle& style, const Rect& rect, VerticalAlignment vertical = VerticalAlignment::Center);

}
