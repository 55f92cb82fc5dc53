#pragma once

#include <PhotoFixtures.h>

#include <TestSupport.h>

#include <app/ProgramScreens.h>
#include <elements/LDStickerView.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/photos/PhotoLibrary.h>
#include <services/mySingleScritte.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <watermark/QuintaraApplyController.h>

#include <chrono>

namespace vd::test {

// The apply screen on a headless window on the virtual clock, over a library in a temporary folder.
class ApplyScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        binaryHome();
        useVirtualClock();
        UserDefaults::standard().setObject("tutorialB", "fatto");
        std::filesystem::create_directories(root());
    }
    void TearDown() override
    {
        if (screen && screen->metodoBatchInCorso())
            pumpUntil([&] { return !screen->metodoBatchInCorso(); });
        RunLoop::main().advance(2);
    }

    std::filesystem::path root() const { return folder.path() / "Pictures"; }

    // Opens the screen with the library's photos of these names (files in the library folder),
    // in this order, and the logo; then, unless told not to, waits for its first photo's preview.
    void open(DeviceKind kind, const std::vector<std::string>& names, const Image& logo, bool andPreview = true)
    {
        registerProgramScreens();
        ScreenRegistry::shared().setDeviceKind(kind);
        const Size size = kind == DeviceKind::Tablet ? Size { 1024, 1366 } : Size { 390, 844 };
        setCurrentScreenSize(size);
        library = std::make_unique<PhotoLibrary>(root(), folder.path() / "index.sqlite", UserDefaults::standard());
        auto made = ScreenRegistry::shared().instantiate("quintaraapply");
        ASSERT_TRUE(made) << made.error().message;
        screen = std::dynamic_pointer_cast<QuintaraApplyController>(*made);
        ASSERT_TRUE(screen);
        screen->library = library.get();
        screen->assetsFetchResults = library->fetchAssetsWithOptions({ .sortDescriptors = { { "creationDate", false } } });
        for (const auto& name : names) {
            PhotoAsset wanted;
            wanted.localIdentifier = name;
            auto position = screen->assetsFetchResults->indexOfObject(wanted);
            ASSERT_TRUE(position) << name;
            screen->myArrayIndexSelezionati.push_back(static_cast<int>(*position));
        }
        screen->logoDaAplicare = logo;
        window = std::make_shared<Window>(size);
        navigation = std::make_shared<NavigationController>(screen);
        ViewController::installAsRoot(navigation, *window);
        window->prepareFrame();
        // One request at a time: the first photo's, made by the screen as it loads, comes first.
        ASSERT_TRUE(!andPreview || pumpUntil([&] { return !screen->myImageViewPreviewPhotos->image().isEmpty(); }));
        if (andPreview)
            preview(0);
    }

    // Runs the loop frame by frame, letting work on other threads arrive, until done (at most 60 s).
    bool pumpUntil(const std::function<bool()>& done, const std::function<void()>& eachFrame = {})
    {
        const auto start = std::chrono::steady_clock::now();
        while (!done()) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(60))
                return false;
            RunLoop::main().waitForWork(1.0 / 60);
            RunLoop::main().advance(1.0 / 60);
            window->prepareFrame();
            if (eachFrame)
                eachFrame();
        }
        return true;
    }
    void frames(double seconds)
    {
        for (double t = 0; t < seconds; t += 1.0 / 60) {
            RunLoop::main().advance(1.0 / 60);
            window->prepareFrame();
        }
    }
    // Waits for the preview of the photo at item of the strip to be shown.
    void preview(long item)
    {
        screen->myImageViewPreviewPhotos->setImage({});
        screen->metodoMostraFoto(item);
        ASSERT_TRUE(pumpUntil([&] { return !screen->myImageViewPreviewPhotos->image().isEmpty(); }));
        frames(0.3);
    }

    void touch(TouchPhase phase, Point p)
    {
        RunLoop::main().advance(1.0 / 60);
        window->sendTouches(phase, { { 1, p } });
    }
    void drag(Point from, Point to, int steps = 12)
    {
        touch(TouchPhase::Began, from);
        for (int i = 1; i <= steps; ++i)
            touch(TouchPhase::Moved, from + (to - from) * (double(i) / steps));
        touch(TouchPhase::Ended, to);
        frames(0.3);
    }
    void tap(const View& view)
    {
        drag(centerInWindow(view), centerInWindow(view), 0);
        frames(0.2);
    }
    // The sticker and area in the container both live in, as the screen measures them.
    Rect sticker() const { return screen->stickerView->frame(); }
    Rect area() const { return screen->myViewBgPosizionatoreLogoo->frame(); }
    Point stickerOnWindow() const { return screen->myViewBgScrollView->convertPointToView(screen->stickerView->center(), nullptr); }

    TemporaryFolder folder;
    std::unique_ptr<PhotoLibrary> library;
    std::shared_ptr<QuintaraApplyController> screen;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<Window> window;
};

}
