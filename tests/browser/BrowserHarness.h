#pragma once

#include <TestSupport.h>
#include <PhotoFixtures.h>

#include <app/ProgramScreens.h>
#include <browser/DetailViewController.h>
#include <browser/RullinoCollectionViewCell.h>
#include <browser/ViewController.h>
#include <hosts/Host.h>
#include <library/LogoGalleryInputs.h>
#include <platform/foundation/Files.h>
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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace vd::test {

// A photo library folder with known capture dates: twelve photos at the top, three in the album
// "Mare" and two in "Montagna", newest first in the order of `newestFirst`, and one file that
// looks like a JPEG but does not decode ("rotta.jpg", the oldest by its file time). (The other
// formats a library holds are listed and decoded by the photo library's own tests.)
struct BrowserLibrary {
    std::filesystem::path root;
    std::vector<std::string> newestFirst; // local identifiers, as the grid shows them
};

inline BrowserLibrary makeBrowserLibrary(const std::filesystem::path& root)
{
    BrowserLibrary library { root, {} };
    std::filesystem::create_directories(root / "Mare");
    std::filesystem::create_directories(root / "Montagna");
    // Names and dates disagree on purpose, so that only the capture dates give the order.
    std::vector<std::tuple<std::string, int, std::uint32_t, bool>> photos { // name, day of March 2023, colour, upright
        { "Mare/spiaggia.jpg", 20, 0x1e90ff, false }, { "Mare/onde.jpg", 14, 0x0077be, false }, { "Mare/scogli.jpg", 26, 0x5f9ea0, true },
        { "Montagna/vetta.jpg", 22, 0xe0e0e0, false }, { "Montagna/bosco.jpg", 16, 0x228b22, false } };
    for (int i = 0; i < 12; ++i)
        photos.push_back({ "foto" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".jpg", (i * 7) % 12 + 1, 0x203040u + 0x0b0905u * static_cast<std::uint32_t>(i), i % 3 == 0 });
    std::vector<std::pair<int, std::string>> byDay;
    for (const auto& [name, day, colour, upright] : photos) {
        char date[32];
        std::snprintf(date, sizeof date, "2023:03:%02d 10:00:00", day);
        byDay.push_back({ -day, name });
        writeJpeg(root / name, upright ? 120 : 160, upright ? 160 : 120, [colour](int x, int y) { return ((x / 20 + y / 20) % 2) ? colour : (colour ^ 0x303030u); }, 90);
        editMetadata(root / name, [&](Exiv2::Image& image) { image.exifData()["Exif.Photo.DateTimeOriginal"] = std::string(date); });
    }
    std::sort(byDay.begin(), byDay.end());
    for (auto& [day, name] : byDay)
        library.newestFirst.push_back(name);
    // A JPEG signature and then nothing a decoder can use, from 2017: older than every capture date.
    files::writeAtomically(root / "rotta.jpg", std::vector<std::uint8_t> { 0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x02, 0x03, 0x04, 0x05 });
    std::filesystem::last_write_time(root / "rotta.jpg", std::filesystem::file_time_type::clock::now() - std::chrono::seconds(std::time(nullptr) - 1'500'000'000));
    library.newestFirst.push_back("rotta.jpg");
    return library;
}

// Stands in for the logo gallery: remembers who opened it.
class GalleryStandIn : public ViewController, public LogoGalleryInputs {
public:
    void setMyStringProvenienza(std::string provenance) override { myStringProvenienza = std::move(provenance); }
    std::string myStringProvenienza;
};

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
        useVirtualClock();
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
    Point centreOf(const std::string& name)
    {
        window->prepareFrame();
        auto view = window->viewNamed(name);
        EXPECT_TRUE(view) << "no view is named " << name;
        return view ? view->convertPointToView(view->bounds().center(), nullptr) : Point {};
    }
    void tap(const std::string& name)
    {
        test::tap(*window, centreOf(name));
        settle(0.5);
    }
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
        for (const auto& asset : *screen->assetsFetchResults)
            names.push_back(asset.localIdentifier);
        return names;
    }
    std::shared_ptr<browser::RullinoCollectionViewCell> gridCell(long item)
    {
        return std::dynamic_pointer_cast<browser::RullinoCollectionViewCell>(screen->myCollectionViewRullino->cellForItemAtIndexPath(IndexPath::forItem(item, 0)));
    }
    // What the gallery does in picker use: the picture back into the browser, then back. Gives
    // what the gallery was told of where it was opened from.
    std::string giveLogo()
    {
        tap("myButtonEntraLogoPicker");
        auto gallery = std::dynamic_pointer_cast<GalleryStandIn>(navigation->topViewController());
        EXPECT_TRUE(gallery) << "the gallery opens";
        screen->setMyImageLogoPreview(opaqueLogo(64, Color::rgba(1, 0, 0)));
        navigation->popViewController(true);
        settle();
        return gallery ? gallery->myStringProvenienza : std::string();
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
