#include <hosts/Host.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/Paths.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

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

ScreenFit fitScreen(Size points, Size pixels)
{
    if (points.width <= 0 || points.height <= 0 || pixels.width <= 0 || pixels.height <= 0)
        return {};
    const double scale = std::min(pixels.width / points.width, pixels.height / points.height);
    return { scale, { (pixels.width - points.width * scale) / 2, (pixels.height - points.height * scale) / 2 } };
}

Size initialWindowSize(Size points, Size usableArea, std::optional<double> forcedScale)
{
    double scale = 1;
    if (forcedScale && *forcedScale > 0)
        scale = *forcedScale;
    else if (usableArea.width > 0 && usableArea.height > 0)
        scale = std::min({ 1.0, 0.9 * usableArea.width / points.width, 0.9 * usableArea.height / points.height });
    return { std::max(1.0, std::floor(points.width * scale)), std::max(1.0, std::floor(points.height * scale)) };
}

Color marginColor()
{
    static const Color color = [] {
        auto bytes = files::readAll(paths::resourcesDirectory() / "ui" / "theme.json");
        if (bytes) {
            const auto theme = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
            if (theme.is_object() && theme.contains("background") && theme["background"].is_string())
                return Color::fromCode(theme["background"].get<std::string>());
        }
        return Color::black();
    }();
    return color;
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
