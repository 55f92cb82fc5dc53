#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Color.h>
#include <platform/graphics/Image.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vd::tools {

// How a picture is stored and shown: template pictures keep only their alpha (the program tints
// them); the others keep their colours.
enum class PictureKind { Shape, Icon, Interface, Decoration };

struct Picture {
    std::string name; // catalogue name, without extension
    Image image;      // at scale 3, so a 200-point picture has 600 pixels
    PictureKind kind { PictureKind::Shape };
    bool isTemplate() const { return kind == PictureKind::Shape || kind == PictureKind::Icon || kind == PictureKind::Interface; }
};

// Every picture is drawn at this scale and saved as <name>@3x.png.
inline constexpr double kScale = 3.0;
// Template pictures are stored in this grey, which is what the palettes show untinted.
inline constexpr double kTemplateGrey = 0.5;

// The 52 shapes, named and ordered as the logo store lists them.
std::vector<Picture> makeShapes();
// The 71 icons "1" to "71", drawn from Font Awesome glyphs.
std::vector<Picture> makeIcons();
// Sticker handles, slider thumbs, overlays, the home header and the tool bar pictures.
std::vector<Picture> makeInterfacePictures();
// 165 colour codes "#rrggbb": a row of greys, then 14 rows from light to dark, 11 hues across.
std::vector<std::string> makeColourCodes();
inline constexpr int kColourColumns = 11;
inline constexpr int kColourRows = 15;

Image makeContactSheet(const std::vector<Picture>& pictures, const std::vector<std::string>& colours);

// Saves a picture as PNG: grey + alpha for templates (the grey constant, so only the alpha
// varies), RGBA otherwise.
Result<void> savePicture(const Picture& picture, const std::filesystem::path& file);
Result<void> saveOpaque(const Image& image, const std::filesystem::path& file);

}
