#include <services/DeviceModel.h>

#include <gtest/gtest.h>

using namespace vd;

// Known identifiers give their marketing names; any other comes back unchanged, case and all.
TEST(DeviceModel, IdentifiersGiveTheirMarketingNames)
{
    const std::pair<const char*, const char*> names[] { { "iPhone9,3", "iPhone 7" }, { "iPhone9,4", "iPhone 7 Plus" }, { "iPad5,1", "iPad Mini 4" },
        { "iPad5,3", "iPad Air 2" }, { "iPhone8,4", "iPhone SE" }, { "iPad6,8", "iPad Pro" }, { "AppleTV5,3", "Apple TV" }, { "x86_64", "Simulator" },
        { "i386", "Simulator" }, { "iPhone10,3", "iPhone10,3" }, { "aarch64", "aarch64" }, { "iphone9,3", "iphone9,3" }, { "", "" } };
    for (const auto& [identifier, name] : names)
        EXPECT_EQ(modelNameForIdentifier(identifier), name) << identifier;
}
