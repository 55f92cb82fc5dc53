// Opens the photo browser (phone) over a library of 2,000 photos of 24 MP and measures:
//   - the time from making the screen to the first screenful of thumbnails, with the photos out
//     of the file cache (posix_fadvise drops each file's cached pages; no root needed), once on a
//     fresh photo index (the very first opening) and once on a kept index;
//   - the main thread's time for each frame of a scroll down the grid while thumbnails decode
//     (deliveries, layout and drawing of the window at one pixel a point);
//   - the process's peak resident memory.
//
//   browser_grid_bench [WORK_FOLDER] [PHOTOS] [DISTINCT] [PREVIEWS] [SCALE]
//
// The photos are DISTINCT (default 4) generated 6000 × 4000 JPEGs at quality 92 with camera-like
// detail, hard-linked under PHOTOS (default 2000) names in WORK_FOLDER (default
// /tmp/vardenico-bench-browser), made on the first run and kept for the next. PREVIEWS says what
// they embed, as cameras write them: "exif" (default: an EXIF block with a 160 × 120 thumbnail,
// the photo letterboxed in it), "exif+mpf" (also a 1620 × 1080 preview after the picture, as many
// cameras add) or "none". The window is drawn at SCALE pixels a point (default 2).
//
// Each opening is timed to the first screenful (every cell in view shows a picture, a quick
// stand-in counting) and to the final screenful (every picture at its requested size), with the
// thumbnail cache on disk empty ("cold") or filled by the opening before ("warm").

#include "../BenchSupport.h"
#include <app/ProgramScreens.h>
#include <browser/RullinoCollectionViewCell.h>
#include <browser/ViewController.h>
#include <hosts/Host.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/photos/ThumbnailCache.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include "../../tests/platform/photos/CameraJpeg.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <thread>
#include <sys/resource.h>
#include <unistd.h>

using namespace vd;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

// A whole picture reduced by sampling (enough for a preview's colours).
std::vector<std::uint8_t> reducedJpeg(const PixelBuffer& source, int width, int height, int bandRows)
{
    return vd::test::jpegBytes(width, height, [&](int x, int y) -> std::uint32_t {
        if (y < bandRows || y >= height - bandRows)
            return 0;
        const int sy = (y - bandRows) * source.height / (height - 2 * bandRows);
        return source.pixels[static_cast<std::size_t>(sy) * source.width + static_cast<std::size_t>(x) * source.width / width] & 0xffffffu;
    }, 85);
}

void makePhoto(const std::filesystem::path& path, unsigned seed, const std::string& previews)
{
    const int width = 6000, height = 4000;
    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.opaque = true;
    buffer.pixels.resize(static_cast<std::size_t>(width) * height);
    std::minstd_rand random(seed);
    // Broad gradients with fine grain: about the entropy of a camera photo, so decoding costs
    // what a real one does.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int grain = static_cast<int>(random() % 24);
            const int r = (x * 255 / width + static_cast<int>(seed) * 60 + grain) & 0xff;
            const int g = (y * 255 / height + grain) & 0xff;
            const int b = ((x + y) * 255 / (width + height) + grain * 2) & 0xff;
            buffer.pixels[static_cast<std::size_t>(y) * width + x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
    vd::test::CameraJpeg camera;
    if (previews != "none")
        camera.thumbnail = reducedJpeg(buffer, 160, 120, 6); // 3:2 in 4:3, black bands
    if (previews == "exif+mpf")
        camera.preview = reducedJpeg(buffer, 1620, 1080, 0);
    JpegEncodeOptions options;
    options.quality = 92;
    options.subsampling = JpegEncodeOptions::Subsampling::S420;
    auto bytes = encodeJpeg(Image::fromBuffer(std::move(buffer)), options);
    if (bytes)
        camera.main = std::move(*bytes);
    if (!bytes || !files::writeAtomically(path, previews == "none" ? camera.main : camera.bytes())) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

void makeLibrary(const std::filesystem::path& work, int count, int distinct, const std::string& previews)
{
    const auto library = work / "library";
    std::error_code error;
    std::size_t present = 0;
    if (std::filesystem::is_directory(library, error))
        for (auto& entry : std::filesystem::directory_iterator(library)) {
            (void)entry;
            ++present;
        }
    if (present == static_cast<std::size_t>(count))
        return;
    std::filesystem::remove_all(library, error);
    std::filesystem::create_directories(work / "sources");
    std::filesystem::create_directories(library);
    std::printf("making %d photos of 6000 × 4000 (%d distinct, previews: %s) in %s…\n", count, distinct, previews.c_str(), library.c_str());
    for (int i = 0; i < distinct; ++i) {
        const auto source = work / "sources" / ("source" + std::to_string(i) + ".jpg");
        if (!std::filesystem::exists(source))
            makePhoto(source, static_cast<unsigned>(i + 1), previews);
    }
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%04d.jpg", i);
        const auto source = work / "sources" / ("source" + std::to_string(i % distinct) + ".jpg");
        std::filesystem::create_hard_link(source, library / name, error);
        if (error)
            std::filesystem::copy_file(source, library / name, error);
    }
}

// Drops the photos from the page cache, as after a reboot.


struct Opened {
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<browser::ViewController> screen;
};

enum class Shown { Any, Final };

// Whether every cell in view shows a picture: any (a quick stand-in counts) or its final one, at
// the size asked (twice the cell's).
bool screenfulShown(browser::ViewController& screen, Shown shown)
{
    auto cells = screen.myCollectionViewRullino->visibleCells();
    if (cells.empty())
        return false;
    const Rect visible = screen.myCollectionViewRullino->bounds();
    for (auto& visibleCell : cells) {
        auto cell = std::static_pointer_cast<browser::RullinoCollectionViewCell>(visibleCell);
        if (!cell->frame().intersects(visible) || cell->isUnreadable())
            continue;
        const Image& image = cell->myImagePhoto->image();
        if (image.isEmpty())
            return false;
        if (shown == Shown::Final && std::max(image.pixelWidth(), image.pixelHeight()) < 2 * cell->frame().width() - 2)
            return false;
    }
    return true;
}

struct Timing {
    double first { 0 }; // seconds to a picture in every cell in view
    double final { 0 }; // seconds to the final pictures
};

// Makes the screen, opens its grid panel and waits for the thumbnails of what is in view.
Opened openBrowser(Timing& timing)
{
    Opened opened;
    const auto start = Clock::now();
    opened.window = std::make_shared<Window>(hostScreenSize(HostDevice::Phone));
    setCurrentScreenSize(opened.window->bounds().size);
    auto made = ScreenRegistry::shared().instantiate("quintara");
    if (!made) {
        std::fprintf(stderr, "%s\n", made.error().message.c_str());
        std::exit(1);
    }
    opened.screen = std::dynamic_pointer_cast<browser::ViewController>(*made);
    opened.navigation = std::make_shared<NavigationController>(*made);
    ViewController::installAsRoot(opened.navigation, *opened.window);
    opened.screen->myButtonMetodoEntraPicker();
    opened.window->prepareFrame();
    RunLoop::main().runUntil([&] {
        opened.window->prepareFrame();
        return screenfulShown(*opened.screen, Shown::Any);
    }, 120);
    timing.first = seconds(start, Clock::now());
    RunLoop::main().runUntil([&] {
        opened.window->prepareFrame();
        return screenfulShown(*opened.screen, Shown::Final);
    }, 120);
    timing.final = seconds(start, Clock::now());
    return opened;
}

}

int main(int argc, char** argv)
{
    if (vd::bench::helpAsked(argc, argv, "[WORK-FOLDER=/tmp/vardenico-bench-browser] [PHOTOS=2000] [DISTINCT=4] [PREVIEWS=exif] [PIXELS-A-POINT=2]"))
        return 0;
    const std::filesystem::path work = argc > 1 ? argv[1] : "/tmp/vardenico-bench-browser";
    const int count = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int distinct = argc > 3 ? std::max(1, std::atoi(argv[3])) : 4;
    const std::string previews = argc > 4 ? argv[4] : "exif";
    const double scale = argc > 5 ? std::max(1.0, std::atof(argv[5])) : 2.0;
    if (previews != "none" && previews != "exif" && previews != "exif+mpf") {
        std::fprintf(stderr, "previews: none, exif or exif+mpf\n");
        return 2;
    }
    makeLibrary(work / previews, count, distinct, previews);
    const auto folder = work / previews;

    ::setenv("VARDENICO_HOME", (folder / "home").c_str(), 1);
    std::filesystem::create_directories(folder / "home");
    UserDefaults defaults(folder / "home" / "defaults.json");
    PhotoLibrary::storeAuthorizationStatus(defaults, AuthorizationStatus::Authorized);
    std::filesystem::remove(folder / "index.sqlite");
    PhotoLibrary library(folder / "library", folder / "index.sqlite", defaults);
    browser::setBrowserPhotoLibrary(&library);
    registerProgramScreens();
    ScreenRegistry::shared().setDeviceKind(DeviceKind::Phone);
    const auto thumbnails = ThumbnailCache::shared()->folder();

    std::printf("%d photos of 6000 × 4000 embedding %s on %ld cores, load average %.2f\n", count, previews == "none" ? "no preview" : previews == "exif" ? "an EXIF thumbnail of 160 × 120" : "an EXIF thumbnail and a 1620 × 1080 preview", sysconf(_SC_NPROCESSORS_ONLN), [] {
        double load[1] {};
        return getloadavg(load, 1) == 1 ? load[0] : -1.0;
    }());
    std::printf("thumbnails asked at twice the cell's size; photo files dropped from the file cache before each opening\n");

    std::error_code ignored;
    auto opening = [&](const char* what, bool freshIndex, bool emptyThumbnailCache) {
        if (emptyThumbnailCache)
            std::filesystem::remove_all(thumbnails, ignored);
        bench::dropFileCache(folder);
        if (!freshIndex)
            library.refresh();
        Timing timing;
        auto opened = openBrowser(timing);
        std::printf("%-52s first screenful %.3f s, final %.3f s\n", what, timing.first, timing.final);
        return opened;
    };
    opening("fresh index, thumbnail cache on disk cold:", true, true);
    opening("kept index, thumbnail cache on disk warm:", false, false);
    auto opened = opening("kept index, thumbnail cache on disk cold:", false, true);

    // Scroll down a line of thumbnails every few frames, as a flick would, while they decode.
    auto grid = opened.screen->myCollectionViewRullino;
    DrawingContext context(opened.window->bounds().size, DrawingContext::Opacity::Opaque, scale);
    std::vector<double> frames, busy, drawing;
    const double step = 12; // points a frame: 720 points a second
    for (int frame = 0; frame < 600; ++frame) {
        const auto begin = Clock::now();
        RunLoop::main().runPending();
        grid->setContentOffset({ 0, grid->contentOffset().y + step });
        opened.window->prepareFrame();
        const auto laidOut = Clock::now();
        opened.window->render(context.painter());
        opened.window->clearDirty();
        const auto end = Clock::now();
        frames.push_back(seconds(begin, end) * 1000);
        busy.push_back(seconds(begin, laidOut) * 1000);
        drawing.push_back(seconds(laidOut, end) * 1000);
        // The rest of a 60 Hz frame goes to the workers.
        std::this_thread::sleep_until(begin + std::chrono::microseconds(16667));
    }
    auto report = [](const char* what, std::vector<double> values) {
        std::sort(values.begin(), values.end());
        auto at = [&](double q) { return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))]; };
        std::printf("%s: median %.2f ms, 95th %.2f ms, 99th %.2f ms, worst %.2f ms\n", what, at(0.5), at(0.95), at(0.99), values.back());
    };
    std::printf("scroll of %zu frames at %.0f points a second while thumbnails decode, drawn at %.0f pixels a point\n", frames.size(), step * 60, scale);
    report("  whole frame", frames);
    report("  deliveries, cells and layout", busy);
    report("  drawing the window", drawing);
    std::printf("peak resident memory: %ld MB\n", bench::peakMegabytes());
    browser::setBrowserPhotoLibrary(nullptr);
    return 0;
}
