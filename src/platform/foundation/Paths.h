#pragma once

#include <filesystem>

namespace vd::paths {

// The documents folder: VARDENICO_HOME, else $XDG_DATA_HOME/vardenico, else ~/.local/share/vardenico.
// Created on first use.
std::filesystem::path documentsDirectory();

// Files the program can make again (thumbnails): VARDENICO_HOME/Caches when VARDENICO_HOME is
// set, else $XDG_CACHE_HOME/vardenico, else ~/.cache/vardenico. Not created here.
std::filesystem::path cacheDirectory();

// The read-only resources (strings, images, layouts): VARDENICO_RESOURCES, else the folder beside
// the executable's, else the source tree's.
std::filesystem::path resourcesDirectory();

// The user's home folder ($HOME, else the password database).
std::filesystem::path homeDirectory();

}
