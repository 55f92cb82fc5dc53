#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Image.h>
#include <platform/photos/PhotoLibrary.h>

#include <memory>
#include <optional>

namespace vd {

// The application's own album "Vardenico", found or created when first used; logos saved from the
// saved-logo preview go into it.
class CustomPhotoAlbum {
public:
    static constexpr const char* albumName = "Vardenico";

    static CustomPhotoAlbum& sharedInstance(); // on the shared photo library
    explicit CustomPhotoAlbum(PhotoLibrary& library); // runs the album start-up
    CustomPhotoAlbum(const CustomPhotoAlbum&) = delete;
    CustomPhotoAlbum& operator=(const CustomPhotoAlbum&) = delete;

    const std::optional<AssetCollection>& assetCollection() const { return m_assetCollection; }

    std::optional<AssetCollection> fetchAssetCollectionForAlbum();
    void createAlbum();
    void requestAuthorizationHandler(AuthorizationStatus status);
    // Saves the picture as a new photo in the album, without metadata. Refused, writing nothing,
    // while no album is known (photo access not granted) or when the library cannot write the
    // photo, so a caller never confirms a save that did not happen.
    Result<void> saveImage(const Image& image);

private:
    PhotoLibrary& m_library;
    std::optional<AssetCollection> m_assetCollection;
    // Handlers that may answer after the album is gone (the consent question) hold this weakly
    // and do nothing once it has expired.
    std::shared_ptr<CustomPhotoAlbum*> m_lifetime { std::make_shared<CustomPhotoAlbum*>(this) };
};

}
