// The logo editor with a canvas of 30 layers (10 of them texts) on a phone window drawn at
// scale 2: one frame of a drag (the touch event, the layout and the redraw of what changed),
// a whole frame, and a save (records, the 2800-pixel picture, its thumbnail, the store).
#include <services/AppDelegate.h>
#include <app/ProgramScreens.h>
#include <editor/LogoMakerController.h>
#include <hosts/Host.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace vd::bench {
namespace {

const std::filesystem::path& benchHome()
{
    static const std::filesystem::path home = [] {
        auto path = std::filesystem::temp_directory_path() / ("vardenico-editor-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        ::setenv("VARDENICO_HOME", path.c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::temp_directory_path() / ("vardenico-editor-bench-" + std::to_string(::getpid())), ignored);
        });
        return path;
    }();
    return home;
}

struct EditorScreen {
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<LogoMakerController> editor;

    EditorScreen()
    {
        benchHome();
        RunLoop::main().setClock(RunLoop::Clock::Virtual);
        UserDefaults::standard().setString("tutorialLogoa", "tutorialLogo");
        registerProgramScreens();
        const Size screen = hostScreenSize(HostDevice::Phone);
        window = std::make_shared<Window>(screen);
        setCurrentScreenSize(screen);
        ScreenRegistry::shared().setDeviceKind(DeviceKind::Phone);
        std::vector<ViewModel> records;
        const auto& names = mySingleElementiManage::sharedInstance().myArrStringNameGEOMETRY;
        for (int i = 0; i < 30; ++i) {
            const double x = 40 + (i % 6) * 60, y = 40 + (i / 6) * 70;
            if (i % 3 == 2)
                records.emplace_back("testo", 1.0, "text", Color::whiteColor(), 160, 60, x, y, 0.1 * i, "Testo " + std::to_string(i), "DejaVuSans-Bold", 22,
                    Color::rgba(1, 0.8, 0.2), 1);
            else
                records.emplace_back(names.empty() ? "s" : names[static_cast<size_t>(i) % names.size()], 0.9, "image", Color::rgba(0.3, 0.6, 1), 90, 90, x, y,
                    0.05 * i, "", "", 0, Color::clear(), 0);
        }
        auto made = ScreenRegistry::shared().instantiate("logoEditor");
        editor = std::dynamic_pointer_cast<LogoMakerController>(*made);
        editor->setMyLogoArrayConViewPassato(records);
        navigation = std::make_shared<NavigationController>(editor);
        ViewController::installAsRoot(navigation, *window);
        for (int i = 0; i < 60; ++i) {
            RunLoop::main().advance(1.0 / 60);
            window->prepareFrame();
        }
    }
};

void BM_EditorDragFrame30Layers(benchmark::State& state)
{
    EditorScreen screen;
    DrawingContext context(screen.window->bounds().size, DrawingContext::Opacity::Opaque, 2);
    screen.window->prepareFrame();
    screen.window->render(context.painter());
    screen.window->clearDirty();
    // Hold the top layer and move it back and forth.
    auto top = screen.editor->stickers().back();
    const Point start = top->convertPointToView(top->bounds().center(), nullptr);
    screen.window->sendTouches(TouchPhase::Began, { { 1, start } });
    double dx = 0;
    int step = 0;
    for (auto _ : state) {
        dx = (step++ % 40) < 20 ? dx + 2 : dx - 2;
        RunLoop::main().advance(1.0 / 60);
        screen.window->sendTouches(TouchPhase::Moved, { { 1, start + Point { dx, dx / 2 } } });
        screen.window->prepareFrame();
        screen.window->render(context.painter(), screen.window->dirtyRect());
        benchmark::ClobberMemory();
        screen.window->clearDirty();
    }
    screen.window->sendTouches(TouchPhase::Ended, { { 1, start } });
    state.counters["layers"] = static_cast<double>(screen.editor->stickers().size());
}
BENCHMARK(BM_EditorDragFrame30Layers)->Unit(benchmark::kMillisecond);

void BM_EditorFullFrame30Layers(benchmark::State& state)
{
    EditorScreen screen;
    DrawingContext context(screen.window->bounds().size, DrawingContext::Opacity::Opaque, 2);
    screen.window->prepareFrame();
    for (auto _ : state) {
        screen.window->render(context.painter());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EditorFullFrame30Layers)->Unit(benchmark::kMillisecond);

void BM_EditorSave30Layers(benchmark::State& state)
{
    EditorScreen screen;
    auto& store = mySingleElementiManage::sharedInstance();
    store.metodoCaricaDictOfData();
    const auto colour = screen.editor->myViewTemporanea->backgroundColor();
    for (auto _ : state) {
        auto picture = store.metodoSalvaLogoDaView(*screen.editor->myViewTemporanea, std::nullopt);
        if (!picture)
            state.SkipWithError(picture.error().message.c_str());
        benchmark::DoNotOptimize(picture);
        state.PauseTiming();
        screen.editor->myViewTemporanea->setBackgroundColor(colour);
        state.ResumeTiming();
    }
    state.counters["logos"] = static_cast<double>(store.myArrLoghiEstratti.size());
}
BENCHMARK(BM_EditorSave30Layers)->Unit(benchmark::kMillisecond)->Iterations(5);

}
}

BENCHMARK_MAIN();
