#include <app/ApplicationStart.h>

#include <services/AppDelegate.h>
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
#include <services/singleAutoFoto.h>

#include <vector>

namespace vd {

namespace {

// The question a first access to the photos asks; the library keeps the answer. With the home
// screen in front it joins the home's alerts, first in line, so that no other alert covers it.
void askForPhotoAccess(Window& window, const std::weak_ptr<NavigationController>& stack, std::function<void(bool)> reply)
{
    auto navigation = stack.lock();
    auto home = navigation ? std::dynamic_pointer_cast<HomeViewController>(navigation->topViewController()) : nullptr;
    if (home && home->metodoChiediAccessoFoto(reply))
        return;
    singleAutoFoto::consentAlert(std::move(reply))->present(window);
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
    // Set before the home screen loads: its load may ask.
    std::weak_ptr<NavigationController> stack = navigation;
    PhotoLibrary::sharedPhotoLibrary().setConsentHandler([host, stack](std::function<void(bool)> reply) { askForPhotoAccess(*host, stack, std::move(reply)); });
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
