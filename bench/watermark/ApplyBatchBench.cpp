// The apply screen's batch against `vardenico stamp` on the same photos with the same placement,
// and the main thread's frame time while the screen's batch runs.
//
//   watermark_apply_batch [PHOTOS_FOLDER] [--rounds N] [--lossless]
//       PHOTOS_FOLDER: default the 24 MP set of bench/photos/run.sh, /tmp/vardenico-bench-photos/photos
//       --rounds: app and command line alternate N times (default 2); the best of each counts
//
// Run it under the shared build lock: it times work on every core.
//
// The screen runs on a headless window and each frame does what the window host does: the run
// loop turns, the window prepares the frame, and only the area that changed since the last frame
// is drawn at scale 2 into the same bitmap; the time of that work is one frame's time. A figure
// only counts when both sides saved every photo: the outputs are counted and decoded, their sizes
// checked against the sources, and the app's files compared byte for byte with the command
// line's. The bench fails (status 1) otherwise.

#include <app/ProgramScreens.h>
#include <elements/LDStickerView.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>
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
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

using namespace vd;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Options {
    fs::path photos { "/tmp/vardenico-bench-photos/photos" };
    int rounds { 2 };
    bool lossless { false };
};

struct AppRun {
    double seconds { 0 };
    std::vector<double> frameMs;     // main-thread work of each frame during the batch
    std::vector<double> drawnPoints; // area drawn in each of those frames, in square points
    size_t savedByScreen { 0 };
    std::vector<std::string> notSaved;
    fs::path outputFolder;
    fs::path placement;
};

std::vector<std::uint8_t> bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string text { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Every source has one stamped output in folder that decodes to the source's upright size.
// Returns the outputs by source, or an empty list after printing what is wrong.
std::vector<fs::path> verifyOutputs(const char* who, const fs::path& folder, const std::vector<fs::path>& sources)
{
    std::vector<fs::path> outputs;
    std::error_code error;
    size_t found = 0;
    for (const auto& entry : fs::directory_iterator(folder, error))
        found += entry.path().extension() == ".jpg";
    if (found != sources.size()) {
        std::fprintf(stderr, "%s: %zu files in %s for %zu photos\n", who, found, folder.c_str(), sources.size());
        return {};
    }
    for (const auto& source : sources) {
        const fs::path output = folder / (source.stem().string() + "_vardenico.jpg");
        auto decoded = decodeImageFile(output);
        if (!decoded) {
            std::fprintf(stderr, "%s: %s\n", who, decoded.error().message.c_str());
            return {};
        }
        auto metadata = ImageMetadata::readFromFile(source);
        int width = metadata ? metadata->pixelWidth() : 0, height = metadata ? metadata->pixelHeight() : 0;
        if (metadata && metadata->orientation() >= 5)
            std::swap(width, height);
        if (decoded->pixelWidth() != width || decoded->pixelHeight() != height) {
            std::fprintf(stderr, "%s: %s is %d × %d, its source %d × %d\n", who, output.c_str(), decoded->pixelWidth(), decoded->pixelHeight(), width, height);
            return {};
        }
        outputs.push_back(output);
    }
    return outputs;
}

// One batch on the apply screen, in a library of its own made of links to the photos.
AppRun runApp(const fs::path& work, const std::vector<fs::path>& files, const Image& logo, bool lossless)
{
    AppRun run;
    const fs::path library = work / "Pictures";
    fs::create_directories(library);
    // The library takes no links to files elsewhere: hard links where the file system allows.
    for (const auto& file : files) {
        std::error_code linked;
        fs::create_hard_link(file, library / file.filename(), linked);
        if (linked)
            fs::copy_file(file, library / file.filename());
    }

    UserDefaults::standard().setObject("tutorialB", "fatto");
    UserDefaults::standard().setBool("keyApplicaSenzaPerdita", lossless);
    const Size size { 390, 844 };
    setCurrentScreenSize(size);
    PhotoLibrary photoLibrary(library, work / "index.sqlite", UserDefaults::standard());
    auto made = ScreenRegistry::shared().instantiate("quintaraapply");
    if (!made) {
        std::fprintf(stderr, "%s\n", made.error().message.c_str());
        std::exit(1);
    }
    auto screen = std::dynamic_pointer_cast<QuintaraApplyController>(*made);
    screen->library = &photoLibrary;
    FetchOptions fetch;
    fetch.sortDescriptors = { { "creationDate", false } };
    screen->assetsFetchResults = photoLibrary.fetchAssetsWithOptions(fetch);
    for (size_t i = 0; i < screen->assetsFetchResults->count(); ++i)
        screen->myArrayIndexSelezionati.push_back(static_cast<int>(i));
    if (screen->myArrayIndexSelezionati.size() != files.size()) {
        std::fprintf(stderr, "app: the library shows %zu of the %zu photos\n", screen->myArrayIndexSelezionati.size(), files.size());
        std::exit(1);
    }
    screen->logoDaAplicare = logo;
    auto window = std::make_shared<Window>(size);
    auto navigation = std::make_shared<NavigationController>(screen);
    ViewController::installAsRoot(navigation, *window);

    // The window host's frame: only what changed is drawn again, into the bitmap kept on screen.
    constexpr double kScale = 2;
    DrawingContext screenBitmap(size, DrawingContext::Opacity::Opaque, kScale);
    auto frame = [&](bool record) {
        RunLoop::main().waitForWork(1.0 / 60);
        const auto start = Clock::now();
        RunLoop::main().advance(1.0 / 60);
        window->prepareFrame();
        double area = 0;
        if (auto dirty = window->dirtyRect(); dirty && !dirty->isEmpty()) {
            window->clearDirty();
            screenBitmap.fill(*dirty, Color::whiteColor());
            window->render(screenBitmap.painter(), *dirty);
            area = dirty->width() * dirty->height();
        } else {
            window->clearDirty();
        }
        if (record) {
            run.frameMs.push_back(seconds(Clock::now() - start) * 1000);
            run.drawnPoints.push_back(area);
        }
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
        std::exit(1);
    }
    run.placement = *placement;
    for (int i = 0; i < 10; ++i)
        frame(false);

    const auto start = Clock::now();
    screen->myButtonApplicaACTION();
    while (screen->myViewLogoApplicato->alpha() == 0)
        frame(true);
    run.seconds = seconds(Clock::now() - start);
    run.savedByScreen = screen->myNumeroFotoSalvate;
    run.notSaved = screen->myArrFotoNonSalvate;
    run.outputFolder = photoLibrary.savedPhotosFolder();
    return run;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            options.rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--lossless"))
            options.lossless = true;
        else
            options.photos = argv[i];
    }
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(options.photos, error))
        if (entry.path().extension() == ".jpg")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no photos in %s: run bench/photos/run.sh first, or give a folder of JPEGs\n", options.photos.c_str());
        return 2;
    }
    std::random_device random;
    const auto work = fs::temp_directory_path() / ("vardenico-apply-bench-" + std::to_string(random()));
    fs::create_directories(work);
    ::setenv("VARDENICO_HOME", (work / "home").c_str(), 1);

    // The logo of bench/photos/run.sh if it is there, else a plain square of the same size.
    Image logo;
    fs::path logoFile = options.photos.parent_path() / "logo.png";
    if (auto decoded = decodeImageFile(logoFile))
        logo = *decoded;
    else {
        DrawingContext context({ 2800, 2800 }, DrawingContext::Opacity::Transparent, 1.0);
        context.fill({ 200, 200, 2400, 2400 }, Color::rgba(1, 0.55, 0, 0.9));
        logo = context.takeImage();
        logoFile = work / "logo.png";
        (void)files::writeAtomically(logoFile, *encodePng(logo));
    }
    // Both sides read the photos from the page cache.
    for (const auto& file : files)
        (void)bytesOf(file);

    RunLoop::main().setClock(RunLoop::Clock::Virtual);
    registerProgramScreens();
    ScreenRegistry::shared().setDeviceKind(DeviceKind::Phone);

    std::vector<AppRun> appRuns;
    std::vector<double> cliSeconds;
    bool sound = true;
    for (int round = 0; round < options.rounds && sound; ++round) {
        const fs::path roundFolder = work / ("round" + std::to_string(round));
        AppRun app = runApp(roundFolder / "app", files, logo, options.lossless);

        const fs::path cliOut = roundFolder / "cli";
        std::string command = std::string(VARDENICO_BINARY) + " stamp" + (options.lossless ? " --lossless" : "") + " --placement '" + app.placement.string() + "' --logo '" + logoFile.string() + "' --out '" + cliOut.string() + "'";
        for (const auto& file : files)
            command += " '" + file.string() + "'";
        command += " >/dev/null 2>&1";
        const auto cliStart = Clock::now();
        const int status = std::system(command.c_str());
        cliSeconds.push_back(seconds(Clock::now() - cliStart));

        // The figures only count when both sides saved every photo, and the same bytes.
        if (app.savedByScreen != files.size() || !app.notSaved.empty()) {
            std::fprintf(stderr, "app: the screen saved %zu of %zu photos%s%s\n", app.savedByScreen, files.size(), app.notSaved.empty() ? "" : "; first failure: ", app.notSaved.empty() ? "" : app.notSaved.front().c_str());
            sound = false;
        }
        if (status != 0) {
            std::fprintf(stderr, "command line: exit status %d\n", status);
            sound = false;
        }
        const auto appOutputs = verifyOutputs("app", app.outputFolder, files);
        const auto cliOutputs = verifyOutputs("command line", cliOut, files);
        if (appOutputs.empty() || cliOutputs.empty())
            sound = false;
        for (size_t i = 0; sound && i < appOutputs.size(); ++i) {
            if (bytesOf(appOutputs[i]) != bytesOf(cliOutputs[i])) {
                std::fprintf(stderr, "%s and %s differ\n", appOutputs[i].c_str(), cliOutputs[i].c_str());
                sound = false;
            }
        }
        appRuns.push_back(std::move(app));
        fs::remove_all(roundFolder, error);
    }

    double loadAverage[1] {};
    (void)getloadavg(loadAverage, 1);
    std::printf("Batch of %zu photos from %s%s on %u cores, load average %.2f, %zu rounds\n", files.size(), options.photos.c_str(), options.lossless ? " (lossless)" : "", std::thread::hardware_concurrency(), loadAverage[0], appRuns.size());
    std::printf("%-30s %s\n", "", "wall s, each round");
    std::printf("%-30s", "app (apply screen)");
    for (const auto& run : appRuns)
        std::printf(" %6.2f", run.seconds);
    std::printf("\n%-30s", "vardenico stamp --placement");
    for (double s : cliSeconds)
        std::printf(" %6.2f", s);
    const auto bestApp = std::min_element(appRuns.begin(), appRuns.end(), [](const AppRun& a, const AppRun& b) { return a.seconds < b.seconds; });
    const double bestCli = *std::min_element(cliSeconds.begin(), cliSeconds.end());
    std::printf("\napp ÷ command line (best of each) %6.2f\n", bestApp->seconds / bestCli);
    std::vector<double> frames, areas;
    for (const auto& run : appRuns) {
        frames.insert(frames.end(), run.frameMs.begin(), run.frameMs.end());
        areas.insert(areas.end(), run.drawnPoints.begin(), run.drawnPoints.end());
    }
    std::sort(frames.begin(), frames.end());
    const double p99 = frames.empty() ? 0 : frames[std::min(frames.size() - 1, frames.size() * 99 / 100)];
    std::printf("main-thread frames during the batch: %zu, median %.2f ms, 99th percentile %.2f ms, longest %.2f ms; median area drawn %.0f of %.0f square points\n", frames.size(), median(frames), p99, frames.empty() ? 0 : frames.back(), median(areas), 390.0 * 844);
    std::printf("outputs: %s\n", sound ? "every photo saved by both, decoded at its source's size, app and command line byte-identical" : "NOT all saved or not identical: the figures above do not count");
    fs::remove_all(work, error);
    return sound ? 0 : 1;
}
