#pragma once

#include <filesystem>

namespace vd {

class UserDefaults;

// The user-defaults key of the library folder the settings page chooses: a string, absent or
// empty for the Pictures folder.
inline constexpr const char* kPhotoLibraryFolderKey = "photoLibraryFolder";

// The folder the photo library lives in: VARDENICO_PHOTOS, else the folder chosen on the settings
// page (kPhotoLibraryFolderKey in the user defaults), else the XDG Pictures folder
// (XDG_PICTURES_DIR in ~/.config/user-dirs.dirs), else ~/Pictures. Every part of the program that
// looks for the library asks here.
std::filesystem::path photoLibraryFolder(); // with the standard user defaults
std::filesystem::path photoLibraryFolder(const UserDefaults& defaults);

// The saved-photos collection's folder name inside the library.
inline constexpr const char* kSavedPhotosFolderName = "Saved Photos";

}
