#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Image.h>
#include <platform/photos/PhotoAsset.h>
#include <platform/photos/PhotoIndex.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class UserDefaults;

enum class AuthorizationStatus : int { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3 };

class PhotoLibraryChangeObserver {
public:
    virtual ~PhotoLibraryChangeObserver() = default;
    virtual void photoLibraryDidChange() = 0;
};

// Stand-ins for objects created inside a change block, usable in the same block.
struct AssetPlaceholder {
    std::size_t index { 0 };
};
struct AssetCollectionPlaceholder {
    std::size_t index { 0 };
};

// The requests of one change block; PhotoLibrary::performChanges applies them together.
class PhotoChangeRequests {
public:
    AssetCollectionPlaceholder creationRequestForAssetCollectionWithTitle(const std::string& title);
    AssetPlaceholder creationRequestForAssetFromImage(const Image& image);
    void addAssets(const AssetCollection& collection, const std::vector<AssetPlaceholder>& assets);
    void addAssets(AssetCollectionPlaceholder collection, const std::vector<AssetPlaceholder>& assets);
    void addExistingAssets(const AssetCollection& collection, const std::vector<PhotoAsset>& assets);

private:
    friend class PhotoLibrary;
    struct AddRequest {
        std::optional<AssetCollection> collection;
        std::optional<AssetCollectionPlaceholder> newCollection;
        std::vector<AssetPlaceholder> assets;
        std::vector<PhotoAsset> existing;
    };
    std::vector<std::string> m_newCollections;
    std::vector<Image> m_newAssets;
    std::vector<AddRequest> m_additions;
};

// What an edit of a photo starts from: its full-size file.
struct ContentEditingInput {
    std::filesystem::path fullSizeImageURL;
    int orientation { 1 };
};

// The photo library on a folder: assets are the JPEG and PNG files below it, newest first by
// EXIF capture date or file time; albums are its first-level folders; the saved-photos collection
// is its folder "Saved Photos". Album titles are folder names, and a title is only ever used as
// one path component inside the library. Fetches answer whatever the authorization status; the
// screens ask for authorization first, as they must on any platform.
class PhotoLibrary {
public:
    static PhotoLibrary& sharedPhotoLibrary(); // the user's library (VARDENICO_PHOTOS, XDG, ~/Pictures)

    PhotoLibrary(std::filesystem::path folder, std::filesystem::path indexFile, UserDefaults& defaults);
    ~PhotoLibrary();

    const std::filesystem::path& folder() const { return m_folder; }
    std::filesystem::path savedPhotosFolder() const;

    // Authorization, kept across runs in the user defaults. Asking calls the consent handler
    // (a dialog on screen; headless runs and tests answer it directly); without one the status
    // stays undetermined. A library folder that exists but cannot be read is Restricted.
    AuthorizationStatus authorizationStatus() const;
    using ConsentHandler = std::function<void(std::function<void(bool granted)> reply)>;
    void setConsentHandler(ConsentHandler handler);
    void requestAuthorization(std::function<void(AuthorizationStatus)> handler);
    // The answer kept in the user defaults (Authorized, Denied or NotDetermined), whatever the
    // folder's permissions: what the settings page's photo access switch shows and changes.
    static AuthorizationStatus storedAuthorizationStatus(const UserDefaults& defaults);
    static void storeAuthorizationStatus(UserDefaults& defaults, AuthorizationStatus status);

    FetchResult<PhotoAsset> fetchAssetsWithOptions(const FetchOptions& options = {});
    FetchResult<PhotoAsset> fetchAssetsInAssetCollection(const AssetCollection& collection, const FetchOptions& options = {});
    FetchResult<AssetCollection> fetchAssetCollectionsWithType(AssetCollectionType type, AssetCollectionSubtype subtype, const FetchOptions& options = {});
    FetchResult<AssetCollection> fetchTopLevelUserCollectionsWithOptions(const FetchOptions& options = {});
    std::optional<AssetCollection> savedPhotosCollection();

    // Looks again at the folder on the next fetch (changes made through this library do it
    // themselves).
    void refresh();

    void registerChangeObserver(const std::shared_ptr<PhotoLibraryChangeObserver>& observer);
    void unregisterChangeObserver(const PhotoLibraryChangeObserver* observer);

    // Applies every request of the block together: when one fails, what the others created is
    // removed again. The completion gets success and the error; observers hear of the change.
    void performChanges(const std::function<void(PhotoChangeRequests&)>& changes, const std::function<void(bool, std::optional<Error>)>& completion = {});

    // Photos that a writer put into the library's folder itself (the saved-photos writer, the
    // stamping batch) rather than through a change block: the next fetch sees them and the
    // observers hear of the change, as after performChanges.
    void didAddPhotos();

    void requestContentEditingInput(const PhotoAsset& asset, const std::function<void(std::optional<ContentEditingInput>)>& handler);

    // Is this a name an album may have: one plain path component (no '/', not "." or "..", not
    // hidden, no control characters)?
    static bool isSafeAlbumTitle(const std::string& title);

    std::size_t filesReadInLastScan() const { return m_index.filesReadInLastScan(); }

private:
    const std::vector<PhotoAsset>& snapshot();
    Result<void> apply(const PhotoChangeRequests& requests);
    std::vector<AssetCollection> albums();

    std::filesystem::path m_folder;
    UserDefaults& m_defaults;
    PhotoIndex m_index;
    ConsentHandler m_consent;
    std::recursive_mutex m_mutex;
    std::optional<std::vector<PhotoAsset>> m_snapshot;
    std::vector<std::weak_ptr<PhotoLibraryChangeObserver>> m_observers;
};

}
