#pragma once

#include <string>
#include <vector>

namespace vd::fonts {

// The PostScript name of every installed font, each once, sorted by code point (upper case before
// lower case, a hyphen before letters and digits). Read from fontconfig.
std::vector<std::string> installedFontNames();

}
