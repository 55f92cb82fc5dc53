#pragma once

#include <filesystem>

namespace vd {

// The folder the photo library lives in: VARDENICO_PHOTOS, else the XDG Pictures folder
// (XDG_PICTURES_DIR in ~/.config/user-dirs.dirs), else ~/Pictures.
std::filesystem::path photoLibraryFolder();

// The saved-photos collection's folder name inside the library.
inline constexpr const char* kSavedPhotosFolderName = "Saved Photos";

}
