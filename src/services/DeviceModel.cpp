#include <services/DeviceModel.h>
#include <platform/foundation/Device.h>

#include <array>
#include <utility>

namespace vd {

namespace {
// In lookup order: the first identifier that matches exactly gives the name.
constexpr std::array<std::pair<const char*, const char*>, 54> kModels { {
    { "iPod5,1", "iPod Touch 5" }, { "iPod7,1", "iPod Touch 6" },
    { "iPhone3,1", "iPhone 4" }, { "iPhone3,2", "iPhone 4" }, { "iPhone3,3", "iPhone 4" },
    { "iPhone4,1", "iPhone 4s" },
    { "iPhone5,1", "iPhone 5" }, { "iPhone5,2", "iPhone 5" },
    { "iPhone5,3", "iPhone 5c" }, { "iPhone5,4", "iPhone 5c" },
    { "iPhone6,1", "iPhone 5s" }, { "iPhone6,2", "iPhone 5s" },
    { "iPhone7,2", "iPhone 6" }, { "iPhone7,1", "iPhone 6 Plus" },
    { "iPhone8,1", "iPhone 6s" }, { "iPhone8,2", "iPhone 6s Plus" },
    { "iPhone9,1", "iPhone 7" }, { "iPhone9,3", "iPhone 7" },
    { "iPhone9,2", "iPhone 7 Plus" }, { "iPhone9,4", "iPhone 7 Plus" },
    { "iPhone8,4", "iPhone SE" },
    { "iPad2,1", "iPad 2" }, { "iPad2,2", "iPad 2" }, { "iPad2,3", "iPad 2" }, { "iPad2,4", "iPad 2" },
    { "iPad3,1", "iPad 3" }, { "iPad3,2", "iPad 3" }, { "iPad3,3", "iPad 3" },
    { "iPad3,4", "iPad 4" }, { "iPad3,5", "iPad 4" }, { "iPad3,6", "iPad 4" },
    { "iPad4,1", "iPad Air" }, { "iPad4,2", "iPad Air" }, { "iPad4,3", "iPad Air" },
    { "iPad5,3", "iPad Air 2" }, { "iPad5,4", "iPad Air 2" },
    { "iPad2,5", "iPad Mini" }, { "iPad2,6", "iPad Mini" }, { "iPad2,7", "iPad Mini" },
    { "iPad4,4", "iPad Mini 2" }, { "iPad4,5", "iPad Mini 2" }, { "iPad4,6", "iPad Mini 2" },
    { "iPad4,7", "iPad Mini 3" }, { "iPad4,8", "iPad Mini 3" }, { "iPad4,9", "iPad Mini 3" },
    { "iPad5,1", "iPad Mini 4" }, { "iPad5,2", "iPad Mini 4" },
    { "iPad6,3", "iPad Pro" }, { "iPad6,4", "iPad Pro" }, { "iPad6,7", "iPad Pro" }, { "iPad6,8", "iPad Pro" },
    { "AppleTV5,3", "Apple TV" },
    { "i386", "Simulator" }, { "x86_64", "Simulator" },
} };
}

std::string modelNameForIdentifier(const std::string& identifier)
{
    for (const auto& [code, name] : kModels)
        if (identifier == code)
            return name;
    return identifier;
}

std::string modelName() { return modelNameForIdentifier(Device::current().machineIdentifier()); }

}
