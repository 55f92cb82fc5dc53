#include <app/ProgramScreens.h>

#include <platform/foundation/Log.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <vector>

namespace vd {

void registerProgramScreens()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    registerAppScreens();
    registerLibraryScreens();
    registerEditorScreens();
    registerBrowserScreens();
    registerWatermarkScreens();
}

bool installScreen(Window& window, DeviceKind device, const std::string& identifier)
{
    registerProgramScreens();
    auto& registry = ScreenRegistry::shared();
    registry.setDeviceKind(device);
    setCurrentScreenSize(window.bounds().size);
    if (!registry.hasScreen(identifier)) {
        log::warning("no screen is registered under \"" + identifier + "\"");
        return false;
    }
    auto screen = registry.instantiate(identifier);
    if (!screen) {
        log::warning(screen.error().message);
        return false;
    }
    auto navigation = std::make_shared<NavigationController>(*screen);
    ViewController::installAsRoot(navigation, window);
    // The window keeps the views; the stack of screens lives as long as the process.
    static std::vector<std::shared_ptr<ViewController>> keep;
    keep.push_back(navigation);
    return true;
}

}
