// The apply screen's batch against `vardenico stamp` on the same photos with the same placement,
// and the main thread's frame time while the screen's batch runs.
//
//   watermark_apply_batch [PHOTOS_FOLDER]   (default: the 24 MP set of bench/photos/run.sh,
//                                            /tmp/vardenico-bench-photos/photos)
//
// The screen runs on a headless window: every frame the run loop turns once and the whole window is
// drawn at scale 2, as the window host does; the time of that work is one frame's time.

#include <app/ProgramScreens.h>
#include <elements/LDStickerView.h>
#include <hosts/HeadlessHost.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/ui/controls/Stepper.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>
#include <watermark/QuintaraApplyController.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

using namespace vd;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}

int main(int argc, char** argv)
{
    const std::filesystem::path photos = argc > 1 ? argv[1] : "/tmp/vardenico-bench-photos/photos";
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(photos, error))
        if (entry.path().extension() == ".jpg")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no photos in %s: run bench/photos/run.sh first, or give a folder of JPEGs\n", photos.c_str());
        return 2;
    }
    std::random_device random;
    const auto work = std::filesystem::temp_directory_path() / ("vardenico-apply-bench-" + std::to_string(random()));
    const auto library = work / "Pictures";
    std::filesystem::create_directories(library);
    ::setenv("VARDENICO_HOME", (work / "home").c_str(), 1);
    for (const auto& file : files)
        std::filesystem::create_symlink(file, library / file.filename());

    // The logo of bench/photos/run.sh if it is there, else a plain square of the same size.
    Image logo;
    if (auto decoded = decodeImageFile(photos.parent_path() / "logo.png"))
        logo = *decoded;
    else {
        DrawingContext context({ 2800, 2800 }, DrawingContext::Opacity::Transparent, 1.0);
        context.fill({ 200, 200, 2400, 2400 }, Color::rgba(1, 0.55, 0, 0.9));
        logo = context.takeImage();
        (void)files::writeAtomically(work / "logo.png", *encodePng(logo));
    }
    const auto logoFile = std::filesystem::exists(photos.parent_path() / "logo.png") ? photos.parent_path() / "logo.png" : work / "logo.png";

    RunLoop::main().setClock(RunLoop::Clock::Virtual);
    UserDefaults::standard().setObject("tutorialB", "fatto");
    registerProgramScreens();
    ScreenRegistry::shared().setDeviceKind(DeviceKind::Phone);
    const Size size { 390, 844 };
    setCurrentScreenSize(size);
    PhotoLibrary photoLibrary(library, work / "index.sqlite", UserDefaults::standard());
    auto screen = std::dynamic_pointer_cast<QuintaraApplyController>(*ScreenRegistry::shared().instantiate("quintaraapply"));
    screen->library = &photoLibrary;
    FetchOptions options;
    options.sortDescriptors = { { "creationDate", false } };
    screen->assetsFetchResults = photoLibrary.fetchAssetsWithOptions(options);
    for (size_t i = 0; i < screen->assetsFetchResults->count(); ++i)
        screen->myArrayIndexSelezionati.push_back(static_cast<int>(i));
    screen->logoDaAplicare = logo;
    auto window = std::make_shared<Window>(size);
    auto navigation = std::make_shared<NavigationController>(screen);
    ViewController::installAsRoot(navigation, *window);

    std::vector<double> frameTimes;
    auto frame = [&](bool record) {
        RunLoop::main().waitForWork(1.0 / 60);
        const auto start = Clock::now();
        RunLoop::main().advance(1.0 / 60);
        (void)HeadlessHost::screenshot(*window, 2);
        if (record)
            frameTimes.push_back(seconds(Clock::now() - start) * 1000);
    };
    for (int i = 0; i < 60; ++i)
        frame(false);
    // Bottom right, 20 % of the area width, as the bench set's command line does.
    auto& area = *screen->myViewBgPosizionatoreLogoo;
    screen->stickerView->setCenter({ area.frame().maxX() - 60, area.frame().maxY() - 60 });
    screen->myStepperPercentualeLogo->setValue(20);
    screen->myStepperPercentualeLogoACTION();
    screen->alphaSticker = 0.8;
    auto placement = screen->metodoSalvaPosizionamento(work / "placements");
    if (!placement) {
        std::fprintf(stderr, "%s\n", placement.error().message.c_str());
        return 1;
    }

    const auto appStart = Clock::now();
    screen->myButtonApplicaACTION();
    while (screen->myViewLogoApplicato->alpha() == 0)
        frame(true);
    const double appSeconds = seconds(Clock::now() - appStart) - 0.0;

    std::string command = std::string(VARDENICO_BINARY) + " stamp --placement '" + placement->string() + "' --logo '" + logoFile.string() + "' --out '" + (work / "cli").string() + "'";
    for (const auto& file : files)
        command += " '" + file.string() + "'";
    command += " >/dev/null 2>&1";
    const auto cliStart = Clock::now();
    const int status = std::system(command.c_str());
    const double cliSeconds = seconds(Clock::now() - cliStart);

    std::sort(frameTimes.begin(), frameTimes.end());
    const double p99 = frameTimes.empty() ? 0 : frameTimes[std::min(frameTimes.size() - 1, frameTimes.size() * 99 / 100)];
    double loadAverage[1] {};
    (void)getloadavg(loadAverage, 1);
    std::printf("Batch of %zu photos from %s on %u cores, load average %.2f\n", files.size(), photos.c_str(), std::thread::hardware_concurrency(), loadAverage[0]);
    std::printf("%-28s %8s\n", "", "wall s");
    std::printf("%-28s %8.2f\n", "app (apply screen)", appSeconds);
    std::printf("%-28s %8.2f%s\n", "vardenico stamp --placement", cliSeconds, status == 0 ? "" : "  (failed)");
    std::printf("app ÷ command line          %8.2f\n", appSeconds / cliSeconds);
    std::printf("main-thread frames during the batch: %zu, median %.2f ms, 99th percentile %.2f ms, longest %.2f ms\n", frameTimes.size(),
        frameTimes.empty() ? 0 : frameTimes[frameTimes.size() / 2], p99, frameTimes.empty() ? 0 : frameTimes.back());
    std::filesystem::remove_all(work, error);
    return status == 0 ? 0 : 1;
}
