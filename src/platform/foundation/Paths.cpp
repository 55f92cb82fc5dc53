#include <platform/foundation/Paths.h>

#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace vd::paths {

namespace fs = std::filesystem;

namespace {
const char* nonEmptyEnv(const char* name)
{
    const char* value = std::getenv(name);
    return (value && *value) ? value : nullptr;
}
}

fs::path homeDirectory()
{
    if (const char* home = nonEmptyEnv("HOME"))
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return fs::current_path();
}

fs::path documentsDirectory()
{
    fs::path folder;
    if (const char* home = nonEmptyEnv("VARDENICO_HOME"))
        folder = home;
    else if (const char* data = nonEmptyEnv("XDG_DATA_HOME"))
        folder = fs::path(data) / "vardenico";
    else
        folder = homeDirectory() / ".local/share/vardenico";
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    return folder;
}

fs::path cacheDirectory()
{
    if (const char* home = nonEmptyEnv("VARDENICO_HOME"))
        return fs::path(home) / "Caches";
    if (const char* cache = nonEmptyEnv("XDG_CACHE_HOME"))
        return fs::path(cache) / "vardenico";
    return homeDirectory() / ".cache/vardenico";
}

fs::path resourcesDirectory()
{
    if (const char* dir = nonEmptyEnv("VARDENICO_RESOURCES"))
        return dir;
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        for (const fs::path& candidate : { exe.parent_path() / "resources", exe.parent_path().parent_path() / "share/vardenico/resources" }) {
            if (fs::is_directory(candidate / "strings", error))
                return candidate;
        }
    }
    return VARDENICO_RESOURCE_DIR;
}

}
