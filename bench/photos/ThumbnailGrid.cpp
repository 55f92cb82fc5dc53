// Lists a photo library the first time (a fresh index) and makes the 200-pixel thumbnails of every
// photo, as the photo browser's grid does, then prints the seconds taken.
//
//   photos_thumbnail_grid LIBRARY_FOLDER INDEX_FILE [SIZE]

#include <platform/foundation/RunLoop.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/photos/ImageManager.h>
#include <platform/photos/PhotoLibrary.h>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LIBRARY_FOLDER INDEX_FILE [SIZE]\n", argv[0]);
        return 2;
    }
    const double side = argc > 3 ? std::stod(argv[3]) : 200;
    const auto start = std::chrono::steady_clock::now();
    vd::UserDefaults defaults(std::filesystem::path(argv[2]).replace_extension(".defaults.json"));
    vd::PhotoLibrary library(argv[1], argv[2], defaults);
    vd::FetchOptions options;
    options.sortDescriptors = { { "creationDate", false } };
    options.predicate = vd::FetchPredicate::equal("mediaType", 1LL);
    const auto assets = library.fetchAssetsWithOptions(options);
    const auto listed = std::chrono::steady_clock::now();

    vd::ImageManager manager(256u << 20);
    std::size_t delivered = 0, empty = 0;
    for (const vd::PhotoAsset& asset : assets)
        manager.requestImageForAsset(asset, { side, side }, vd::ImageContentMode::AspectFit, {}, [&](vd::Image image) {
            ++delivered;
            empty += image.isEmpty();
        });
    vd::RunLoop::main().runUntil([&] { return delivered == assets.count(); }, 3600);
    const auto done = std::chrono::steady_clock::now();
    std::printf("%zu photos: listed in %.3f s, thumbnails in %.3f s, total %.3f s (%zu unreadable)\n", assets.count(),
        std::chrono::duration<double>(listed - start).count(), std::chrono::duration<double>(done - listed).count(), std::chrono::duration<double>(done - start).count(), empty);
    return 0;
}
