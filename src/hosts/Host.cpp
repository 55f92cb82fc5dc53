#include <hosts/Host.h>

namespace vd {

namespace {
ApplicationLifecycle& lifecycleSlot()
{
    static ApplicationLifecycle lifecycle;
    return lifecycle;
}

void call(const std::function<void()>& callback)
{
    if (callback)
        callback();
}

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

namespace vd {

void setApplicationLifecycle(ApplicationLifecycle lifecycle) { lifecycleSlot() = std::move(lifecycle); }

void LifecycleDriver::becomeActive()
{
    if (m_terminated || m_active)
        return;
    if (m_background) {
        enterForeground();
        return;
    }
    m_active = true;
    call(lifecycleSlot().didBecomeActive);
}

void LifecycleDriver::resignActive()
{
    if (m_terminated || !m_active)
        return;
    m_active = false;
    call(lifecycleSlot().willResignActive);
}

void LifecycleDriver::enterBackground()
{
    if (m_terminated || m_background)
        return;
    resignActive();
    m_background = true;
    call(lifecycleSlot().didEnterBackground);
}

void LifecycleDriver::enterForeground()
{
    if (m_terminated || !m_background)
        return;
    m_background = false;
    call(lifecycleSlot().willEnterForeground);
    becomeActive();
}

void LifecycleDriver::terminate()
{
    if (m_terminated)
        return;
    enterBackground();
    m_terminated = true;
    call(lifecycleSlot().willTerminate);
}

bool LifecycleDriver::idleTimerDisabled() const
{
    auto& flag = lifecycleSlot().idleTimerDisabled;
    return flag && flag();
}

}
