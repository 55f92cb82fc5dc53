#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vd {

// The colour codes the palette grids offer, in swatch order (11 a row): the resource
// Colors.json, a JSON array of "#rrggbb" strings. A missing or unreadable file gives an empty list
// and a warning naming the file; entries that are not strings are left out with a warning.
std::vector<std::string> loadColorList();
std::vector<std::string> loadColorList(const std::filesystem::path& file);

}
