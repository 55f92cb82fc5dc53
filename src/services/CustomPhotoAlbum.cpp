#include <services/CustomPhotoAlbum.h>

#include <platform/foundation/Log.h>
#include <platform/graphics/ImageCodecs.h>

namespace vd {

CustomPhotoAlbum& CustomPhotoAlbum::sharedInstance()
{
    static CustomPhotoAlbum album(PhotoLibrary::sharedPhotoLibrary());
    return album;
}

CustomPhotoAlbum::CustomPhotoAlbum(PhotoLibrary& library)
    : m_library(library)
{
    log::debug("init custom album");
    if ((m_assetCollection = fetchAssetCollectionForAlbum()))
        return;
    if (m_library.authorizationStatus() != AuthorizationStatus::Authorized)
        m_library.requestAuthorization([](AuthorizationStatus) {});
    if (m_library.authorizationStatus() == AuthorizationStatus::Authorized)
        createAlbum();
    else
        m_library.requestAuthorization([alive = std::weak_ptr(m_lifetime)](AuthorizationStatus) {
            if (auto album = alive.lock())
                (*album)->requestAuthorizationHandler((*album)->m_library.authorizationStatus());
        });
}

std::optional<AssetCollection> CustomPhotoAlbum::fetchAssetCollectionForAlbum()
{
    FetchOptions options;
    options.predicate = FetchPredicate::equal("title", std::string(albumName));
    return m_library.fetchAssetCollectionsWithType(AssetCollectionType::Album, AssetCollectionSubtype::Any, options).firstObject();
}

void CustomPhotoAlbum::createAlbum()
{
    m_library.performChanges([](PhotoChangeRequests& requests) { requests.creationRequestForAssetCollectionWithTitle(albumName); },
        [alive = std::weak_ptr(m_lifetime)](bool success, std::optional<Error> error) {
            auto album = alive.lock();
            if (!album)
                return;
            if (success)
                (*album)->m_assetCollection = (*album)->fetchAssetCollectionForAlbum();
            else
                log::debug("error " + (error ? error->message : std::string()));
        });
}

void CustomPhotoAlbum::requestAuthorizationHandler(AuthorizationStatus status)
{
    if (status == AuthorizationStatus::Authorized) {
        log::debug("trying again to create the album");
        createAlbum();
    } else {
        log::debug("should really prompt the user to let them know it's failed");
    }
}

Result<void> CustomPhotoAlbum::saveImage(const Image& image)
{
    if (!m_assetCollection)
        return fail(std::string("album ") + albumName, "it does not exist, because photo access was not granted");
    // The picture goes through PNG and back, as the album has always stored it.
    auto png = encodePng(image);
    if (!png)
        return std::unexpected(png.error());
    auto decoded = decodePng(*png);
    if (!decoded)
        return std::unexpected(decoded.error());
    const AssetCollection album = *m_assetCollection;
    Result<void> saved;
    m_library.performChanges([&](PhotoChangeRequests& requests) {
        const AssetPlaceholder placeholder = requests.creationRequestForAssetFromImage(*decoded);
        requests.addAssets(album, { placeholder });
    }, [&](bool success, std::optional<Error> error) {
        if (!success)
            saved = std::unexpected(error.value_or(Error { std::string("album ") + albumName + ": the photo was not written" }));
    });
    return saved;
}

}
