#pragma once

#include <TestSupport.h>
#include <browser/BrowserFixtures.h>

#include <app/ProgramScreens.h>
#include <browser/DetailViewController.h>
#include <browser/RullinoCollectionViewCell.h>
#include <browser/ViewController.h>
#include <hosts/Host.h>
#include <library/LogoGalleryInputs.h>
#include <platform/foundation/Paths.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>
#include <watermark/QuintaraApplyController.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace vd::test {

// Stands in for the logo gallery: remembers who opened it.
class GalleryStandIn : public ViewController, public LogoGalleryInputs {
public:
    std::string className() const override { return "GalleryStandIn"; }
    void setMyStringProvenienza(std::string provenance) override { myStringProvenienza = std::move(provenance); }
    std::string myStringProvenienza;
};

// Stands in for the apply screen: the browser only sets its three inputs.
// The apply screen with its views left out: only what the browser hands it is under test here.
class ApplyStandIn : public QuintaraApplyController {
public:
    void viewDidLoad() override {}
    void viewWillAppear(bool) override {}
};

// The photo browser on a headless window over a library folder made for the test, with the
// gallery and the apply screen replaced by stand-ins, on the virtual clock.
class BrowserHarness {
public:
    explicit BrowserHarness(DeviceKind kind, AuthorizationStatus access = AuthorizationStatus::Authorized)
    {
        if (RunLoop::main().clock() != RunLoop::Clock::Virtual)
            RunLoop::main().setClock(RunLoop::Clock::Virtual);
        ::setenv("VARDENICO_HOME", (folder / "home").c_str(), 1);
        photos = makeBrowserLibrary(folder / "photos");
        defaults = std::make_unique<UserDefaults>(folder / "defaults.json");
        PhotoLibrary::storeAuthorizationStatus(*defaults, access);
        library = std::make_unique<PhotoLibrary>(photos.root, folder / "index.sqlite", *defaults);
        browser::setBrowserPhotoLibrary(library.get());

        // Only the browser's own layouts: the stand-ins build plain views.
        const auto ui = paths::resourcesDirectory() / "ui";
        for (const char* device : { "phone", "tablet" }) {
            std::filesystem::create_directories(folder / "ui" / device);
            for (const char* screen : { "quintara.json", "popviewcontroller.json" })
                std::filesystem::copy_file(ui / device / screen, folder / "ui" / device / screen);
        }
        std::filesystem::copy_file(ui / "theme.json", folder / "ui" / "theme.json");

        registerProgramScreens();
        auto& registry = ScreenRegistry::shared();
        registry.setInterfaceDirectory(folder / "ui");
        registry.setDeviceKind(kind);
        registry.registerClass<GalleryStandIn>("GalleryStandIn");
        registry.registerScreen("gallery", "GalleryStandIn");
        registry.registerClass<ApplyStandIn>("ApplyStandIn");
        registry.registerScreen("quintaraapply", "ApplyStandIn");

        window = std::make_shared<Window>(hostScreenSize(kind == DeviceKind::Tablet ? HostDevice::Tablet : HostDevice::Phone));
        setCurrentScreenSize(window->bounds().size);
        auto made = registry.instantiate("quintara");
        EXPECT_TRUE(made) << (made ? "" : made.error().message);
        screen = std::dynamic_pointer_cast<browser::ViewController>(*made);
        navigation = std::make_shared<NavigationController>(*made);
        ViewController::installAsRoot(navigation, *window);
        settle();
    }
    ~BrowserHarness()
    {
        RunLoop::main().advance(5);
        browser::setBrowserPhotoLibrary(nullptr);
        ScreenRegistry::shared().setInterfaceDirectory({});
    }

    // Lets animations end and decoded pictures arrive from the workers.
    void settle(double seconds = 0.6)
    {
        RunLoop::main().advance(seconds);
        window->prepareFrame();
        for (int quiet = 0; quiet < 200; ++quiet) {
            RunLoop::main().waitForWork(0.05);
            if (!RunLoop::main().hasPendingTasks())
                break;
            RunLoop::main().advance(0);
        }
        window->prepareFrame();
    }
    std::shared_ptr<View> named(const std::string& name)
    {
        window->prepareFrame();
        auto view = window->viewNamed(name);
        EXPECT_TRUE(view) << "no view is named " << name;
        return view;
    }
    Point centreOf(const std::string& name)
    {
        auto view = named(name);
        return view ? view->convertPointToView(view->bounds().center(), nullptr) : Point {};
    }
    void tapAt(Point p)
    {
        window->sendTouches(TouchPhase::Began, { { 1, p } });
        RunLoop::main().advance(0.05);
        window->sendTouches(TouchPhase::Ended, { { 1, p } });
        settle(0.5);
    }
    void tap(const std::string& name) { tapAt(centreOf(name)); }
    void tapCell(long item) { tap("myCollectionViewRullino.0." + std::to_string(item)); }
    void press(Point p, double seconds, double force = 0)
    {
        window->sendTouches(TouchPhase::Began, { { 1, p, force } });
        settle(seconds);
    }
    void release(Point p, double force = 0)
    {
        window->sendTouches(TouchPhase::Ended, { { 1, p, force } });
        settle(0.5);
    }
    std::shared_ptr<AlertController> alert()
    {
        for (auto& view : window->subviews())
            if (auto found = std::dynamic_pointer_cast<AlertController>(view))
                return found;
        return nullptr;
    }
    std::vector<std::string> gridPhotos()
    {
        std::vector<std::string> names;
        const auto& shown = *screen->assetsFetchResults;
        for (const auto& asset : shown)
            names.push_back(asset.localIdentifier);
        return names;
    }
    std::shared_ptr<browser::RullinoCollectionViewCell> gridCell(long item)
    {
        return std::dynamic_pointer_cast<browser::RullinoCollectionViewCell>(screen->myCollectionViewRullino->cellForItemAtIndexPath(IndexPath::forItem(item, 0)));
    }
    void giveLogo()
    {
        // What the gallery does in picker use: the picture back into the browser, then back.
        tap("myButtonEntraLogoPicker");
        screen->setMyImageLogoPreview(opaqueLogo(64, Color::rgba(1, 0, 0)));
        navigation->popViewController(true);
        settle();
    }

    TemporaryFolder folder;
    BrowserLibrary photos;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<PhotoLibrary> library;
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<browser::ViewController> screen;
};

}
