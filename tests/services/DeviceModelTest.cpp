#include <services/DeviceModel.h>
#include <platform/foundation/Device.h>

#include <gtest/gtest.h>
#include <sys/utsname.h>

using namespace vd;

TEST(DeviceModel, IdentifiersGiveTheirMarketingNames)
{
    EXPECT_EQ(modelNameForIdentifier("iPhone9,3"), "iPhone 7");
    EXPECT_EQ(modelNameForIdentifier("iPhone9,4"), "iPhone 7 Plus");
    EXPECT_EQ(modelNameForIdentifier("iPad5,1"), "iPad Mini 4");
    EXPECT_EQ(modelNameForIdentifier("iPad5,3"), "iPad Air 2");
    EXPECT_EQ(modelNameForIdentifier("iPhone8,4"), "iPhone SE");
    EXPECT_EQ(modelNameForIdentifier("iPad6,8"), "iPad Pro");
    EXPECT_EQ(modelNameForIdentifier("AppleTV5,3"), "Apple TV");
    EXPECT_EQ(modelNameForIdentifier("x86_64"), "Simulator");
    EXPECT_EQ(modelNameForIdentifier("i386"), "Simulator");
}

TEST(DeviceModel, UnknownIdentifiersAreReturnedUnchanged)
{
    EXPECT_EQ(modelNameForIdentifier("iPhone10,3"), "iPhone10,3");
    EXPECT_EQ(modelNameForIdentifier("aarch64"), "aarch64");
    EXPECT_EQ(modelNameForIdentifier("iphone9,3"), "iphone9,3"); // case matters
    EXPECT_EQ(modelNameForIdentifier(""), "");
}

TEST(DeviceModel, ThisMachineIsNamedFromUname)
{
    utsname names;
    ASSERT_EQ(uname(&names), 0);
    EXPECT_EQ(Device::current().machineIdentifier(), names.machine);
    EXPECT_EQ(modelName(), modelNameForIdentifier(names.machine));
    EXPECT_EQ(Device::current().kind(), Device::Kind::Phone);
    Device::current().setKind(Device::Kind::Tablet);
    EXPECT_TRUE(Device::current().isTablet());
    Device::current().setKind(Device::Kind::Phone);
}
