// Opens the review grid (phone) over a batch of PHOTOS selected photos of 24 MP and measures:
//   - the time from the review button to the first screenful of cells, each showing its photo
//     with the logo placed, with the photo files out of the file cache and the thumbnail cache on
//     disk empty ("cold"), then filled by the opening before ("warm");
//   - the main thread's time for each frame of a scroll down the grid while thumbnails arrive
//     (deliveries, the logo drawn on each, layout and drawing of the window);
//   - the process's peak resident memory.
//
//   watermark_review_grid [WORK_FOLDER] [PHOTOS] [SCALE] [PREVIEWS]
//
// The photos (default 300) are distinct files: one 6000 × 4000 JPEG at quality 92 with camera-like
// detail and an EXIF thumbnail of 160 × 120 (PREVIEWS "exif", the default) or that and a preview
// of 1620 × 1080 in an MPF segment ("exif+mpf"), each copy made distinct by a comment of its own,
// in WORK_FOLDER (default /tmp/vardenico-bench-review), made on the first run and kept. The window is
// drawn at SCALE pixels a point (default 2). "Adapt to each photo" is on, the slower case.

#include "../BenchSupport.h"
#include <app/ProgramScreens.h>
#include <hosts/Host.h>
#include <platform/foundation/Files.h>
#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/PhotoLibrary.h>
#include <platform/photos/ThumbnailCache.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>
#include <watermark/QuintaraApplyController.h>
#include <watermark/QuintaraReviewCell.h>
#include <watermark/QuintaraReviewController.h>

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

std::vector<std::uint8_t> cameraPhoto(const std::string& previews)
{
    const int width = 6000, height = 4000;
    std::minstd_rand random(7);
    // Broad gradients with fine grain: about the entropy of a camera photo.
    auto colour = [&](int x, int y) -> std::uint32_t {
        const int grain = static_cast<int>(random() % 24);
        const std::uint32_t r = (x * 255 / width + grain) & 0xff;
        const std::uint32_t g = (y * 255 / height + grain) & 0xff;
        const std::uint32_t b = ((x + y) * 255 / (width + height) + grain * 2) & 0xff;
        return (r << 16) | (g << 8) | b;
    };
    vd::test::CameraJpeg camera;
    camera.main = vd::test::jpegBytes(width, height, colour, 92);
    camera.thumbnail = vd::test::jpegBytes(160, 120, [](int x, int y) -> std::uint32_t { return ((x * 255 / 160) << 16) | ((y * 255 / 120) << 8); }, 85);
    // A camera's larger preview, as many keep beside the EXIF thumbnail.
    if (previews == "exif+mpf")
        camera.preview = vd::test::jpegBytes(1620, 1080, [](int x, int y) -> std::uint32_t { return ((x * 255 / 1620) << 16) | ((y * 255 / 1080) << 8) | ((x + y) * 255 / 2700); }, 85);
    return camera.bytes();
}

void makeLibrary(const std::filesystem::path& library, int count, const std::string& previews)
{
    std::error_code error;
    std::size_t present = 0;
    if (std::filesystem::is_directory(library, error))
        for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(library))
            ++present;
    if (present == static_cast<std::size_t>(count))
        return;
    std::filesystem::remove_all(library, error);
    std::filesystem::create_directories(library);
    std::printf("making %d distinct photos of 6000 × 4000 in %s…\n", count, library.c_str());
    const std::vector<std::uint8_t> photo = cameraPhoto(previews);
    for (int i = 0; i < count; ++i) {
        // A comment segment right after the start marker makes each file distinct.
        char note[32];
        const int length = std::snprintf(note, sizeof note, "copy %06d", i);
        std::vector<std::uint8_t> bytes(photo.begin(), photo.begin() + 2);
        const std::uint8_t header[] = { 0xFF, 0xFE, 0, static_cast<std::uint8_t>(length + 2) };
        bytes.insert(bytes.end(), std::begin(header), std::end(header));
        bytes.insert(bytes.end(), note, note + length);
        bytes.insert(bytes.end(), photo.begin() + 2, photo.end());
        char name[32];
        std::snprintf(name, sizeof name, "photo%04d.jpg", i);
        if (!files::writeAtomically(library / name, bytes)) {
            std::fprintf(stderr, "cannot write %s\n", name);
            std::exit(1);
        }
    }
}



// Every cell in view shows its photo with the logo; when `sharp`, at the size the cell asks for
// (twice its side in pixels), not a camera's small thumbnail standing in for it.
bool screenfulShown(QuintaraReviewController& review, bool sharp)
{
    auto cells = review.myCollectionViewRevisione->visibleCells();
    if (cells.empty())
        return false;
    const Rect visible = review.myCollectionViewRevisione->bounds();
    for (auto& cell : cells) {
        if (!cell->frame().intersects(visible))
            continue;
        const Image image = std::static_pointer_cast<cellRevisioneFoto>(cell)->myImageViewAnteprima->image();
        if (image.isEmpty() || (sharp && std::max(image.pixelWidth(), image.pixelHeight()) < 2 * cell->bounds().width() - 2))
            return false;
    }
    return true;
}

struct Opened {
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<QuintaraApplyController> apply;
    std::shared_ptr<QuintaraReviewController> review;
};

Opened openGrid(PhotoLibrary& library, const Image& logo, double& firstScreenful, double& sharpScreenful)
{
    Opened opened;
    opened.window = std::make_shared<Window>(hostScreenSize(HostDevice::Phone));
    setCurrentScreenSize(opened.window->bounds().size);
    auto made = ScreenRegistry::shared().instantiate("quintaraapply");
    if (!made) {
        std::fprintf(stderr, "%s\n", made.error().message.c_str());
        std::exit(1);
    }
    opened.apply = std::dynamic_pointer_cast<QuintaraApplyController>(*made);
    auto assets = library.fetchAssetsWithOptions();
    for (size_t i = 0; i < assets.count(); ++i)
        opened.apply->myArrayIndexSelezionati.push_back(static_cast<int>(i));
    opened.apply->assetsFetchResults = std::move(assets);
    opened.apply->logoDaAplicare = logo;
    opened.apply->library = &library;
    opened.navigation = std::make_shared<NavigationController>(*made);
    ViewController::installAsRoot(opened.navigation, *opened.window);
    opened.window->prepareFrame();
    const auto start = Clock::now();
    opened.apply->myButtonRevisioneACTION();
    opened.review = std::dynamic_pointer_cast<QuintaraReviewController>(opened.navigation->topViewController());
    if (!opened.review) {
        std::fprintf(stderr, "the review grid did not open\n");
        std::exit(1);
    }
    RunLoop::main().runUntil([&] {
        opened.window->prepareFrame();
        return screenfulShown(*opened.review, false);
    }, 120);
    firstScreenful = seconds(start, Clock::now());
    RunLoop::main().runUntil([&] {
        opened.window->prepareFrame();
        return screenfulShown(*opened.review, true);
    }, 120);
    sharpScreenful = seconds(start, Clock::now());
    return opened;
}

}

int main(int argc, char** argv)
{
    if (vd::bench::helpAsked(argc, argv, "[WORK-FOLDER=/tmp/vardenico-bench-review] [PHOTOS=300] [PIXELS-A-POINT=2] [PREVIEWS=exif|exif+mpf]"))
        return 0;
    const std::filesystem::path work = argc > 1 ? argv[1] : "/tmp/vardenico-bench-review";
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
    const double scale = argc > 3 ? std::max(1.0, std::atof(argv[3])) : 2.0;
    const std::string previews = argc > 4 ? argv[4] : "exif";
    if (previews != "exif" && previews != "exif+mpf") {
        std::fprintf(stderr, "PREVIEWS is exif or exif+mpf, not %s\n", previews.c_str());
        return 2;
    }
    const std::filesystem::path photos = work / ("library-" + previews);
    makeLibrary(photos, count, previews);

    ::setenv("VARDENICO_HOME", (work / "home").c_str(), 1);
    std::filesystem::create_directories(work / "home");
    UserDefaults defaults(work / "home" / "defaults.json");
    PhotoLibrary::storeAuthorizationStatus(defaults, AuthorizationStatus::Authorized);
    UserDefaults::standard().setString("tutorialB", "fatto");
    UserDefaults::standard().setBool("keyAdattaAOgniFoto", true);
    PhotoLibrary library(photos, work / ("index-" + previews + ".sqlite"), defaults);
    registerProgramScreens();
    ScreenRegistry::shared().setDeviceKind(DeviceKind::Phone);
    const auto thumbnails = ThumbnailCache::shared()->folder();
    DrawingContext logoContext({ 400, 400 }, DrawingContext::Opacity::Transparent, 1.0);
    logoContext.fill({ 40, 40, 320, 320 }, Color::rgba(1, 1, 1, 0.9));
    const Image logo = logoContext.takeImage();

    std::printf("%d distinct photos of 6000 × 4000 with %s, on %ld cores; adapting to each photo\n", count, previews == "exif" ? "an EXIF thumbnail of 160 × 120" : "an EXIF thumbnail and a preview of 1620 × 1080", sysconf(_SC_NPROCESSORS_ONLN));
    std::error_code ignored;
    std::filesystem::remove_all(thumbnails, ignored);
    bench::dropFileCache(photos);
    double cold = 0, coldSharp = 0, warm = 0, warmSharp = 0;
    openGrid(library, logo, cold, coldSharp);
    std::printf("first screenful, photos out of the file cache, thumbnail cache cold: %.3f s, every cell sharp: %.3f s\n", cold, coldSharp);
    bench::dropFileCache(photos);
    auto opened = openGrid(library, logo, warm, warmSharp);
    std::printf("first screenful, photos out of the file cache, thumbnail cache warm: %.3f s, every cell sharp: %.3f s\n", warm, warmSharp);

    auto grid = opened.review->myCollectionViewRevisione;
    DrawingContext context(opened.window->bounds().size, DrawingContext::Opacity::Opaque, scale);
    std::vector<double> frames;
    const double step = 12; // points a frame: 720 points a second
    const double end = std::max(0.0, grid->contentSize().height - grid->bounds().height());
    for (int frame = 0; frame < 600 && grid->contentOffset().y < end; ++frame) {
        const auto begin = Clock::now();
        RunLoop::main().runPending();
        grid->setContentOffset({ 0, std::min(end, grid->contentOffset().y + step) });
        opened.window->prepareFrame();
        opened.window->render(context.painter());
        opened.window->clearDirty();
        frames.push_back(seconds(begin, Clock::now()) * 1000);
        std::this_thread::sleep_until(begin + std::chrono::microseconds(16667));
    }
    if (!frames.empty()) {
        std::sort(frames.begin(), frames.end());
        auto at = [&](double q) { return frames[std::min(frames.size() - 1, static_cast<std::size_t>(q * frames.size()))]; };
        std::printf("scroll of %zu frames at %.0f points a second, drawn at %.0f pixels a point: median %.2f ms, 99th %.2f ms, worst %.2f ms\n", frames.size(), step * 60, scale, at(0.5), at(0.99), frames.back());
    }
    std::printf("peak resident memory: %ld MB\n", bench::peakMegabytes());
    return 0;
}
