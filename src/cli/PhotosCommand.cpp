#include <cli/Commands.h>

#include <platform/photos/PhotoLibrary.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

namespace vd::cli {

namespace {

std::string isoDate(double seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local {};
    ::localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// The grid's fetch: images only, newest first.
FetchOptions browserOptions()
{
    FetchOptions options;
    options.sortDescriptors = { { "creationDate", false } };
    options.predicate = FetchPredicate::equal("mediaType", static_cast<long long>(AssetMediaType::Image));
    return options;
}

int listPhotos(const std::string& albumName, bool json)
{
    PhotoLibrary& library = PhotoLibrary::sharedPhotoLibrary();
    FetchResult<PhotoAsset> assets;
    if (albumName.empty()) {
        assets = library.fetchAssetsWithOptions(browserOptions());
    } else {
        FetchOptions byTitle;
        byTitle.predicate = FetchPredicate::equal("title", albumName);
        auto album = library.fetchAssetCollectionsWithType(AssetCollectionType::Album, AssetCollectionSubtype::Any, byTitle).firstObject();
        if (!album)
            album = library.fetchAssetCollectionsWithType(AssetCollectionType::SmartAlbum, AssetCollectionSubtype::Any, byTitle).firstObject();
        if (!album) {
            std::fprintf(stderr, "vardenico photos list: no album \"%s\" in %s\n", albumName.c_str(), library.folder().c_str());
            return kSomeInputsFailed;
        }
        assets = library.fetchAssetsInAssetCollection(*album, browserOptions());
    }
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (std::size_t i = 0; i < assets.count(); ++i) {
            const PhotoAsset& asset = assets[i];
            list.push_back({ { "index", i }, { "identifier", asset.localIdentifier }, { "path", asset.path.string() }, { "creationDate", isoDate(asset.creationDate) },
                { "pixelWidth", asset.pixelWidth }, { "pixelHeight", asset.pixelHeight }, { "orientation", asset.orientation } });
        }
        std::printf("%s\n", list.dump(2).c_str());
        return kSuccess;
    }
    for (std::size_t i = 0; i < assets.count(); ++i) {
        const PhotoAsset& asset = assets[i];
        std::printf("%5zu  %s  %5d×%-5d  %s\n", i, isoDate(asset.creationDate).c_str(), asset.pixelWidth, asset.pixelHeight, asset.localIdentifier.c_str());
    }
    std::fprintf(stderr, "%zu photo%s in %s\n", assets.count(), assets.count() == 1 ? "" : "s", library.folder().c_str());
    return kSuccess;
}

int listAlbums(bool json)
{
    PhotoLibrary& library = PhotoLibrary::sharedPhotoLibrary();
    FetchOptions nonEmpty;
    nonEmpty.predicate = FetchPredicate::greater("estimatedAssetCount", 0);
    std::vector<AssetCollection> albums = library.fetchAssetCollectionsWithType(AssetCollectionType::Album, AssetCollectionSubtype::AlbumRegular, nonEmpty).objects();
    if (auto saved = library.savedPhotosCollection())
        albums.insert(albums.begin(), *saved);
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const AssetCollection& album : albums)
            list.push_back({ { "title", album.localizedTitle }, { "count", album.estimatedAssetCount }, { "savedPhotos", album.type == AssetCollectionType::SmartAlbum } });
        std::printf("%s\n", list.dump(2).c_str());
        return kSuccess;
    }
    for (const AssetCollection& album : albums)
        std::printf("%6zu  %s\n", album.estimatedAssetCount, album.localizedTitle.c_str());
    return kSuccess;
}

}

void addPhotosCommand(CLI::App& app, int& status)
{
    auto* command = app.add_subcommand("photos", "The photo library (VARDENICO_PHOTOS, else the Pictures folder)");
    command->require_subcommand(1);
    auto album = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    auto* list = command->add_subcommand("list", "List the library's photos newest first, as the photo browser shows them");
    list->add_option("--album", *album, "Only the photos of this album (a first-level folder)");
    list->add_flag("--json", *json, "Print JSON");
    list->callback([album, json, &status] { status = listPhotos(*album, *json); });
    auto albumsJson = std::make_shared<bool>(false);
    auto* albums = command->add_subcommand("albums", "List the saved-photos collection and the albums that hold photos");
    albums->add_flag("--json", *albumsJson, "Print JSON");
    albums->callback([albumsJson, &status] { status = listAlbums(*albumsJson); });
}

}
