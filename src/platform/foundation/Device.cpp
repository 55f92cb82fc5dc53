#include <platform/foundation/Device.h>

#include <cstring>
#include <sys/statvfs.h>
#include <sys/utsname.h>

namespace vd {

Device& Device::current()
{
    static Device device;
    return device;
}

std::string Device::machineIdentifier() const
{
    utsname names;
    if (uname(&names) != 0)
        return {};
    // The field is a fixed array; the identifier ends at its first zero byte.
    return std::string(names.machine, strnlen(names.machine, sizeof names.machine));
}

std::optional<std::int64_t> Device::freeSpace(const std::filesystem::path& path)
{
    struct statvfs facts;
    if (statvfs(path.c_str(), &facts) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(facts.f_bavail) * static_cast<std::int64_t>(facts.f_frsize);
}

}
