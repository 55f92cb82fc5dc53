// The logo store's two costs a user feels: opening a store of 100 logos of 2800 × 2800 pixels
// (target: under 0.3 s and under 100 MB resident), and adding one such logo (target: under 0.5 s).
//
//   build/bench/store/store_bench
#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vd;
namespace fs = std::filesystem;

namespace {

// A logo as the editor saves one: 1400 points at scale 2, shapes and rings on a transparent canvas.
Image drawnLogo()
{
    DrawingContext context({ 1400, 1400 }, DrawingContext::Opacity::Transparent, 2.0);
    Painter& painter = context.painter();
    Path disc, ring;
    disc.addCircle({ 700, 700 }, 520);
    ring.addCircle({ 700, 700 }, 600);
    const GradientStop stops[] = { { 0, Color::rgba(1.0, 0.8, 0.2) }, { 1, Color::rgba(0.8, 0.1, 0.3) } };
    painter.fillPath(disc, { 700, 600 }, 50, { 700, 700 }, 600, stops);
    painter.strokePath(ring, Color::rgba(0.1, 0.1, 0.4, 0.9), { .width = 30 });
    for (int i = 0; i < 12; ++i) {
        PainterStateSaver saver(painter);
        painter.translate(700, 700);
        painter.rotate(i * M_PI / 6);
        painter.fillRect({ 250, -40, 200, 80 }, Color::rgba(0.2, 0.5 + i * 0.03, 0.9, 0.7));
    }
    TextStyle style;
    style.fontName = "DejaVuSans-Bold";
    style.fontSize = 160;
    style.color = Color::whiteColor();
    painter.drawText("Vardenico", style, { 290, 600, 900, 200 }, VerticalAlignment::Top);
    return context.takeImage();
}

// The worst case for PNG: a 2800 × 2800 opaque photo-like picture (gradients plus grain).
Image photoLikeLogo()
{
    PixelBuffer buffer;
    buffer.width = buffer.height = 2800;
    buffer.opaque = true;
    buffer.pixels.resize(2800u * 2800u);
    std::mt19937 random(7);
    for (int y = 0; y < 2800; ++y)
        for (int x = 0; x < 2800; ++x) {
            const unsigned grain = random() & 15;
            const unsigned r = (x * 255 / 2800 + grain) & 255, g = (y * 255 / 2800 + grain) & 255, b = ((x + y) * 127 / 2800 + grain) & 255;
            buffer.pixels[static_cast<size_t>(y) * 2800 + x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    return Image::fromBuffer(std::move(buffer), 2.0);
}

fs::path benchFolder(const std::string& name)
{
    const fs::path folder = fs::temp_directory_path() / ("vardenico-bench-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// 100 logos as 100 adds would leave them, written straight into the store.
void fillStoreOfHundredLogos(const fs::path& documents)
{
    {
        const Image logo = drawnLogo();
        const auto png = *encodePng(logo);
        const auto thumbnail = *encodePng(mySingleElementiManage::ResizeImage(logo, 200));
        auto delegate = AppDelegate::create(documents);
        auto& context = delegate->managedObjectContext();
        for (int i = 0; i < 100; ++i) {
            DictCoreData row(context->insertNewObject(DictCoreData::kEntityName));
            row.setMyImagePng(png);
            row.setThumbnailCache(thumbnail);
            row.setMyArrViewModel(archivedDataWithViewModels({ ViewModel("c", 1, "image", Color::black(), 200, 200, 700, 700, 0, "", "", 0, Color::clear(), 0) }));
            row.setMyColoreView(archivedDataWithColor(Color::whiteColor()));
        }
        delegate->saveContext();
        std::fprintf(stderr, "store of 100 logos: %.1f MB (one logo PNG: %.2f MB)\n", fs::file_size(documents / "dictModel.sqlite") / 1e6, png.size() / 1e6);
    }
}

// Made in a child process, so that this process stays small for the memory measurement below
// (a forked child's peak resident memory counts what it shared with its parent).
const fs::path& storeOfHundredLogos()
{
    static const fs::path folder = [] {
        const fs::path documents = benchFolder("hundred");
        const pid_t child = fork();
        if (child == 0) {
            fillStoreOfHundredLogos(documents);
            std::fflush(stderr);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return documents;
    }();
    return folder;
}

long residentKilobytes()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// CPU time of every thread of this process, in milliseconds: with the machine shared, wall time
// alone says more about the neighbours than about the work.
double processCpuMilliseconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Peak resident memory of a whole `vardenico logos list` run over the store, in MB.
double peakResidentOfListing(const fs::path& documents)
{
    const pid_t child = fork();
    if (child == 0) {
        ::setenv("VARDENICO_HOME", documents.c_str(), 1);
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(127);
        execl(VARDENICO_BINARY, "vardenico", "logos", "list", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss / 1024.0;
}

void BM_OpenStoreOfHundredLogos(benchmark::State& state)
{
    const fs::path& documents = storeOfHundredLogos();
    long grew = 0;
    for (auto _ : state) {
        const long before = residentKilobytes();
        auto delegate = AppDelegate::create(documents);
        auto& store = delegate->logoStore();
        store.metodoCaricaDictOfData();
        benchmark::DoNotOptimize(store.myArrLoghiEstratti.data());
        if (store.myArrLoghiEstratti.size() != 100 || !store.myArrLoghiEstratti[99]->myImageRESIZED)
            state.SkipWithError("the store did not load its 100 logos");
        grew = std::max(grew, residentKilobytes() - before);
    }
    state.counters["grew_MB"] = grew / 1024.0;
}
BENCHMARK(BM_OpenStoreOfHundredLogos)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void addOneLogo(benchmark::State& state, const Image& logo)
{
    const fs::path documents = benchFolder("add");
    auto delegate = AppDelegate::create(documents);
    auto& store = delegate->logoStore();
    store.metodoCaricaDictOfData();
    const double cpuBefore = processCpuMilliseconds();
    for (auto _ : state) {
        // What the editor's save hands the store: the picture, its thumbnail, layers and colour.
        auto entry = std::make_shared<DictDatamodelEstratti>();
        entry->setMyImage(logo);
        entry->myImageRESIZED = mySingleElementiManage::ResizeImage(logo, 200);
        entry->myArrViewModel = std::vector<ViewModel> { ViewModel("c", 1, "image", Color::black(), 200, 200, 700, 700, 0, "", "", 0, Color::clear(), 0) };
        entry->myColoreSfongo = Color::whiteColor();
        store.myArrLoghiEstratti.push_back(entry);
        if (!store.metodoSalvaNewObjectInCoreData("", entry))
            state.SkipWithError("the logo was not stored");
    }
    state.counters["all_threads_cpu_ms"] = (processCpuMilliseconds() - cpuBefore) / state.iterations();
    state.counters["store_MB"] = fs::file_size(documents / "dictModel.sqlite") / 1e6;
    fs::remove_all(documents);
}

void BM_AddOneDrawnLogo(benchmark::State& state) { addOneLogo(state, drawnLogo()); }
BENCHMARK(BM_AddOneDrawnLogo)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The parts of an add: the PNG encoding and the thumbnail.
void BM_EncodePngDrawnLogo(benchmark::State& state)
{
    const Image logo = drawnLogo();
    const double cpuBefore = processCpuMilliseconds();
    for (auto _ : state)
        benchmark::DoNotOptimize(encodePng(logo));
    state.counters["all_threads_cpu_ms"] = (processCpuMilliseconds() - cpuBefore) / state.iterations();
}
BENCHMARK(BM_EncodePngDrawnLogo)->Unit(benchmark::kMillisecond);

void BM_EncodePngPhotoLikeLogo(benchmark::State& state)
{
    const Image logo = photoLikeLogo();
    const double cpuBefore = processCpuMilliseconds();
    for (auto _ : state)
        benchmark::DoNotOptimize(encodePng(logo));
    state.counters["all_threads_cpu_ms"] = (processCpuMilliseconds() - cpuBefore) / state.iterations();
}
BENCHMARK(BM_EncodePngPhotoLikeLogo)->Unit(benchmark::kMillisecond);

void BM_ThumbnailOfLogo(benchmark::State& state)
{
    const Image logo = drawnLogo();
    for (auto _ : state)
        benchmark::DoNotOptimize(mySingleElementiManage::ResizeImage(logo, 200));
}
BENCHMARK(BM_ThumbnailOfLogo)->Unit(benchmark::kMillisecond);

void BM_AddOnePhotoLikeLogo(benchmark::State& state) { addOneLogo(state, photoLikeLogo()); }
BENCHMARK(BM_AddOnePhotoLikeLogo)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const long ownKilobytes = residentKilobytes();
    std::fprintf(stderr, "peak resident memory of `vardenico logos list` over the 100 logos: %.1f MB (includes up to %.1f MB shared with this program at fork)\n",
        peakResidentOfListing(storeOfHundredLogos()), ownKilobytes / 1024.0);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!std::getenv("VARDENICO_BENCH_KEEP"))
        fs::remove_all(storeOfHundredLogos());
    else
        std::fprintf(stderr, "kept %s\n", storeOfHundredLogos().c_str());
    return 0;
}
