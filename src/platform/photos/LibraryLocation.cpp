#include <platform/photos/LibraryLocation.h>

#include <platform/foundation/Paths.h>
#include <platform/foundation/UserDefaults.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace vd {

namespace {

// user-dirs.dirs lines look like XDG_PICTURES_DIR="$HOME/Pictures".
std::filesystem::path xdgPicturesFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::filesystem::path home = paths::homeDirectory();
    const std::filesystem::path file = (config && *config ? std::filesystem::path(config) : home / ".config") / "user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_PICTURES_DIR=\"";
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"')
            continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0)
            return home / value.substr(value.size() > 5 && value[5] == '/' ? 6 : 5);
        if (!value.empty() && value.front() == '/')
            return value;
    }
    return {};
}

}

std::filesystem::path photoLibraryFolder()
{
    return photoLibraryFolder(UserDefaults::standard());
}

std::filesystem::path photoLibraryFolder(const UserDefaults& defaults)
{
    if (const char* folder = std::getenv("VARDENICO_PHOTOS"); folder && *folder)
        return folder;
    if (auto chosen = defaults.stringForKey(kPhotoLibraryFolderKey); chosen && !chosen->empty())
        return *chosen;
    if (auto pictures = xdgPicturesFolder(); !pictures.empty() && pictures != paths::homeDirectory())
        return pictures;
    return paths::homeDirectory() / "Pictures";
}

}
