#include <app/ApplicationStart.h>

#include <app/AppDelegate.h>
#include <app/ContainerViewController.h>
#include <app/HomeViewController.h>
#include <app/ProgramScreens.h>
#include <platform/foundation/Device.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <vector>

namespace vd {

namespace {

// The question a first access to the photos asks: "Don't Allow" is @alertAction0, "OK"
// @alertAction1. The answer is kept by the library.
void askForPhotoAccess(Window& window, std::function<void(bool)> reply)
{
    auto alert = AlertController::make("\u201cVardenico\u201d Would Like to Access Your Photos",
        "Vardenico reads the photos you choose and saves the stamped copies as new photos.");
    alert->addAction("Don't Allow", AlertController::ActionStyle::Cancel, [reply] { reply(false); });
    alert->addAction("OK", AlertController::ActionStyle::Default, [reply] { reply(true); });
    alert->present(window);
}

// An application in the background loses its layer animations; screens restart theirs on return.
void dropLayerAnimations(View& view)
{
    for (const auto& key : view.layer().animationKeys())
        view.layer().removeAnimationForKey(key);
    for (const auto& child : view.subviews())
        dropLayerAnimations(*child);
}

}

std::shared_ptr<ContainerViewController> installApplicationRoot(Window& window, HostDevice device)
{
    const DeviceKind kind = device == HostDevice::Tablet ? DeviceKind::Tablet : DeviceKind::Phone;
    Device::current().setKind(device == HostDevice::Tablet ? Device::Kind::Tablet : Device::Kind::Phone);
    registerProgramScreens();
    auto& registry = ScreenRegistry::shared();
    registry.setDeviceKind(kind);
    setCurrentScreenSize(window.bounds().size);

    auto delegate = AppDelegate::shared();
    if (!delegate->hasLaunched())
        delegate->applicationDidFinishLaunchingWithOptions();

    Window* host = &window;
    PhotoLibrary::sharedPhotoLibrary().setConsentHandler([host](std::function<void(bool)> reply) { askForPhotoAccess(*host, std::move(reply)); });
    setApplicationLifecycle({
        [delegate] { delegate->applicationDidBecomeActive(); },
        [delegate] { delegate->applicationWillResignActive(); },
        [delegate, host] {
            delegate->applicationDidEnterBackground();
            dropLayerAnimations(*host);
        },
        [delegate] { delegate->applicationWillEnterForeground(); },
        [delegate] {
            delegate->applicationWillTerminate();
            // Whatever the screens set reaches the file before the process ends.
            UserDefaults::standard().synchronize();
        },
        [delegate] { return delegate->idleTimerDisabled(); },
    });

    auto container = registry.instantiate(ContainerViewController::kIdentifier);
    auto home = registry.instantiate(HomeViewController::kIdentifier);
    if (!container || !home) {
        log::warning(!container ? container.error().message : home.error().message);
        return nullptr;
    }
    auto navigation = std::make_shared<NavigationController>(*home);
    std::static_pointer_cast<ContainerViewController>(*container)->metodoOspita(navigation);
    ViewController::installAsRoot(*container, window);
    // The window keeps the views; the screens live as long as the process and are never torn down
    // at exit: their destructors unregister from process-wide centres that may already be gone.
    static auto& keep = *new std::vector<std::shared_ptr<ViewController>>;
    keep.push_back(*container);
    return std::static_pointer_cast<ContainerViewController>(*container);
}

void installApplication(Window& window, HostDevice device) { (void)installApplicationRoot(window, device); }

void registerApplication() { setApplicationRootInstaller(installApplication); }

}
