// Opening the logo gallery over a store of 100 logos of 2800 × 2800 pixels (the size the editor
// saves) until its first complete frame is drawn, then scrolling it a finger's step at a time and
// drawing each frame. A small timed program: it prints the figures and whether they meet the
// targets (open under 0.3 s, a scroll frame under 8 ms). Run: build/bench/library/gallery_bench
#include <services/AppDelegate.h>
#include <app/ProgramScreens.h>
#include <library/GalleriaLoghiViewController.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/RunLoop.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <unistd.h>
#include <vector>

using namespace vd;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLogos = 100;
constexpr double kSide = 1400; // points at scale 2: 2800 pixels

double millisecondsSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// A logo as the editor makes them: a shape and a bar on a transparent square.
Image editorSizedLogo(int index)
{
    DrawingContext context({ kSide, kSide }, DrawingContext::Opacity::Transparent, 2);
    context.fill({ kSide * 0.1, kSide * 0.1, kSide * 0.8, kSide * 0.8 }, Color::rgba((index % 7) / 7.0, 0.3, 1 - (index % 5) / 5.0, 1));
    context.fill({ kSide * 0.2, kSide * 0.45, kSide * 0.6, kSide * 0.1 }, Color::rgba(1, 1, 1, 0.8));
    return context.takeImage();
}

void fillStore(const fs::path& home)
{
    auto delegate = AppDelegate::create(home);
    auto& store = delegate->logoStore();
    store.metodoCaricaDictOfData();
    if (store.myArrLoghiInCore.size() >= kLogos)
        return;
    std::printf("filling the store with %d logos of 2800 × 2800 pixels…\n", kLogos);
    for (int i = static_cast<int>(store.myArrLoghiInCore.size()); i < kLogos; ++i) {
        auto logo = std::make_shared<DictDatamodelEstratti>();
        logo->setMyImage(editorSizedLogo(i));
        logo->myArrViewModel = std::vector<ViewModel> {};
        logo->myColoreSfongo = Color::rgba(0.1, 0.1, 0.12);
        if (!store.metodoSalvaNewObjectInCoreData("", logo)) {
            std::fprintf(stderr, "cannot store logo %d\n", i);
            std::exit(1);
        }
    }
}

struct Opened {
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<GalleriaLoghiViewController> gallery;
};

// From the tap that opens the gallery to its first frame drawn in full.
Opened openGallery(DrawingContext& frame)
{
    Opened opened;
    opened.window = std::make_shared<Window>(Size { 390, 844 });
    auto made = ScreenRegistry::shared().instantiate("gallery");
    if (!made) {
        std::fprintf(stderr, "%s\n", made.error().message.c_str());
        std::exit(1);
    }
    opened.gallery = std::dynamic_pointer_cast<GalleriaLoghiViewController>(*made);
    opened.navigation = std::make_shared<NavigationController>(opened.gallery);
    ViewController::installAsRoot(opened.navigation, *opened.window);
    opened.window->prepareFrame();
    opened.window->render(frame.painter());
    opened.window->clearDirty();
    return opened;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}

int main(int argc, char** argv)
{
    const fs::path home = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / ("vardenico-gallery-bench-" + std::to_string(::getuid()));
    fs::create_directories(home);
    ::setenv("VARDENICO_HOME", home.c_str(), 1);
    fillStore(home);

    RunLoop::main().setClock(RunLoop::Clock::Virtual);
    registerProgramScreens();
    ScreenRegistry::shared().setDeviceKind(DeviceKind::Phone);
    setCurrentScreenSize({ 390, 844 });
    DrawingContext frame({ 390, 844 }, DrawingContext::Opacity::Opaque, 2);

    // The first opening in a run reads every thumbnail from the store; later ones reuse them.
    auto start = Clock::now();
    Opened first = openGallery(frame);
    const double cold = millisecondsSince(start);
    first = {};
    std::vector<double> warm;
    for (int i = 0; i < 15; ++i) {
        start = Clock::now();
        Opened again = openGallery(frame);
        warm.push_back(millisecondsSince(start));
    }

    Opened opened = openGallery(frame);
    auto grid = opened.gallery->myCollectionViewLoghi;
    const double end = grid->maximumContentOffset().y;
    std::vector<double> frames;
    double y = 0, direction = 1;
    for (int i = 0; i < 600; ++i) {
        // A finger's step at 60 events a second while flicking: about 40 points.
        if (y + 40 * direction > end || y + 40 * direction < 0)
            direction = -direction;
        y += 40 * direction;
        start = Clock::now();
        grid->setContentOffset({ 0, y });
        opened.window->prepareFrame();
        opened.window->render(frame.painter(), opened.window->dirtyRect());
            opened.window->clearDirty();
        frames.push_back(millisecondsSince(start));
    }
    const double mean = std::accumulate(frames.begin(), frames.end(), 0.0) / frames.size();
    const double worst = *std::max_element(frames.begin(), frames.end());
    std::sort(frames.begin(), frames.end());
    const double p99 = frames[frames.size() * 99 / 100];

    std::printf("gallery over %d logos of 2800 × 2800 pixels, phone screen, frames at scale 2\n", kLogos);
    std::printf("open to first complete frame: first in the run %.1f ms, again (median of %zu) %.1f ms   target < 300 ms: %s\n", cold, warm.size(), median(warm), cold < 300 ? "met" : "MISSED");
    std::printf("scroll frame (40-point steps, %zu frames): mean %.2f ms, 99th percentile %.2f ms, worst %.2f ms   target < 8 ms: %s\n", frames.size(), mean, p99, worst, p99 < 8 ? "met" : "MISSED");
    return 0;
}
