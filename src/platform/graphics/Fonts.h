#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vd::fonts {

// The PostScript name of every installed font, each once, sorted by code point (upper case before
// lower case, a hyphen before letters and digits). Read from fontconfig.
std::vector<std::string> installedFontNames();

// True when fontconfig has a font under this PostScript name. Answers are remembered; any
// thread may ask.
bool isInstalled(const std::string& postScriptName);

// What fontconfig knows of the font installed under a PostScript name.
struct Face {
    enum class Slant { Roman, Italic, Oblique };
    std::string family;
    int weight { 400 }; // OpenType scale: 400 regular, 700 bold
    Slant slant { Slant::Roman };
};
std::optional<Face> faceForPostScriptName(const std::string& postScriptName);

}
