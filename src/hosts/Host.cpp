#include <hosts/Host.h>

namespace vd {

namespace {
RootInstaller& installerSlot()
{
    static RootInstaller installer;
    return installer;
}
}

Size hostScreenSize(HostDevice device)
{
    return device == HostDevice::Tablet ? Size { 1024, 1366 } : Size { 390, 844 };
}

void setApplicationRootInstaller(RootInstaller installer) { installerSlot() = std::move(installer); }

RootInstaller applicationRootInstaller() { return installerSlot(); }

}
