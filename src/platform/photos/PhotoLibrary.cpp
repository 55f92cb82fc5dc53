#include <platform/photos/PhotoLibrary.h>

#include <platform/foundation/Log.h>
#include <platform/foundation/Paths.h>
#include <platform/foundation/UserDefaults.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/photos/LibraryLocation.h>
#include <platform/photos/PendingFile.h>

#include <algorithm>
#include <ctime>
#include <unistd.h>

namespace vd {

namespace {

constexpr const char* kAuthorizationKey = "photoLibraryAuthorizationStatus";

std::string firstComponent(const std::string& localIdentifier)
{
    const auto slash = localIdentifier.find('/');
    return slash == std::string::npos ? std::string() : localIdentifier.substr(0, slash);
}

template<typename T>
void sortObjects(std::vector<T>& objects, const std::vector<SortDescriptor>& descriptors)
{
    std::stable_sort(objects.begin(), objects.end(), [&](const T& a, const T& b) {
        for (const SortDescriptor& sort : descriptors) {
            int order = 0;
            if constexpr (std::is_same_v<T, PhotoAsset>) {
                if (sort.key == "creationDate")
                    order = a.creationDate < b.creationDate ? -1 : a.creationDate > b.creationDate ? 1 : 0;
                else if (sort.key == "pixelWidth")
                    order = a.pixelWidth - b.pixelWidth;
            } else {
                if (sort.key == "title" || sort.key == "localizedTitle")
                    order = a.localizedTitle.compare(b.localizedTitle);
                else if (sort.key == "estimatedAssetCount")
                    order = a.estimatedAssetCount < b.estimatedAssetCount ? -1 : a.estimatedAssetCount > b.estimatedAssetCount ? 1 : 0;
            }
            if (order != 0)
                return sort.ascending ? order < 0 : order > 0;
        }
        return false;
    });
}

template<typename T>
FetchResult<T> applyOptions(std::vector<T> objects, const FetchOptions& options)
{
    if (options.predicate)
        std::erase_if(objects, [&](const T& object) { return !options.predicate->matches(object); });
    sortObjects(objects, options.sortDescriptors);
    return FetchResult<T>(std::move(objects));
}

// The file of an asset, found from its identifier only: a relative path that stays inside the
// library. Whatever else a caller put into the asset is not trusted.
std::optional<std::filesystem::path> resolveAsset(const std::filesystem::path& root, const std::string& localIdentifier)
{
    const std::filesystem::path relative(localIdentifier);
    if (localIdentifier.empty() || relative.is_absolute())
        return std::nullopt;
    for (const auto& part : relative)
        if (part == ".." || part == "." || part.empty() || part.string().front() == '.')
            return std::nullopt;
    std::error_code error;
    const std::filesystem::path path = root / relative;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error)))
        return std::nullopt;
    return path;
}

std::string newAssetStem()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char stem[40];
    std::strftime(stem, sizeof stem, "Photo_%Y%m%d_%H%M%S", &local);
    return stem;
}

}

bool FetchPredicate::matches(const PhotoAsset& asset) const
{
    long long number = 0;
    if (key == "mediaType")
        number = static_cast<long long>(asset.mediaType);
    else if (key == "pixelWidth")
        number = asset.pixelWidth;
    else if (key == "pixelHeight")
        number = asset.pixelHeight;
    else
        return false;
    const long long* wanted = std::get_if<long long>(&value);
    if (!wanted)
        return false;
    return comparison == Comparison::Equal ? number == *wanted : number > *wanted;
}

bool FetchPredicate::matches(const AssetCollection& collection) const
{
    if (key == "title" || key == "localizedTitle") {
        const std::string* wanted = std::get_if<std::string>(&value);
        return wanted && comparison == Comparison::Equal && collection.localizedTitle == *wanted;
    }
    if (key == "estimatedAssetCount") {
        const long long* wanted = std::get_if<long long>(&value);
        const long long count = static_cast<long long>(collection.estimatedAssetCount);
        return wanted && (comparison == Comparison::Equal ? count == *wanted : count > *wanted);
    }
    return false;
}

AssetCollectionPlaceholder PhotoChangeRequests::creationRequestForAssetCollectionWithTitle(const std::string& title)
{
    m_newCollections.push_back(title);
    return { m_newCollections.size() - 1 };
}

AssetPlaceholder PhotoChangeRequests::creationRequestForAssetFromImage(const Image& image)
{
    m_newAssets.push_back(image);
    return { m_newAssets.size() - 1 };
}

void PhotoChangeRequests::addAssets(const AssetCollection& collection, const std::vector<AssetPlaceholder>& assets)
{
    m_additions.push_back({ collection, std::nullopt, assets, {} });
}

void PhotoChangeRequests::addAssets(AssetCollectionPlaceholder collection, const std::vector<AssetPlaceholder>& assets)
{
    m_additions.push_back({ std::nullopt, collection, assets, {} });
}

void PhotoChangeRequests::addExistingAssets(const AssetCollection& collection, const std::vector<PhotoAsset>& assets)
{
    m_additions.push_back({ collection, std::nullopt, {}, assets });
}

PhotoLibrary& PhotoLibrary::sharedPhotoLibrary()
{
    static PhotoLibrary library(photoLibraryFolder(), paths::documentsDirectory() / "photoIndex.sqlite", UserDefaults::standard());
    return library;
}

PhotoLibrary::PhotoLibrary(std::filesystem::path folder, std::filesystem::path indexFile, UserDefaults& defaults)
    : m_folder(std::move(folder))
    , m_defaults(defaults)
    , m_index(std::move(indexFile))
{
}

PhotoLibrary::~PhotoLibrary() = default;

std::filesystem::path PhotoLibrary::savedPhotosFolder() const
{
    return m_folder / kSavedPhotosFolderName;
}

bool PhotoLibrary::isSafeAlbumTitle(const std::string& title)
{
    if (title.empty() || title.size() > 255 || title == "." || title == ".." || title.front() == '.')
        return false;
    return std::none_of(title.begin(), title.end(), [](char c) { return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20; });
}

AuthorizationStatus PhotoLibrary::authorizationStatus() const
{
    std::error_code error;
    if (std::filesystem::exists(m_folder, error) && ::access(m_folder.c_str(), R_OK | X_OK) != 0)
        return AuthorizationStatus::Restricted;
    return storedAuthorizationStatus(m_defaults);
}

AuthorizationStatus PhotoLibrary::storedAuthorizationStatus(const UserDefaults& defaults)
{
    const auto stored = defaults.integerForKey(kAuthorizationKey);
    if (stored && (*stored == 2 || *stored == 3))
        return static_cast<AuthorizationStatus>(*stored);
    return AuthorizationStatus::NotDetermined;
}

void PhotoLibrary::storeAuthorizationStatus(UserDefaults& defaults, AuthorizationStatus status)
{
    if (status == AuthorizationStatus::NotDetermined || status == AuthorizationStatus::Restricted)
        defaults.removeObjectForKey(kAuthorizationKey); // a folder's permissions are never remembered
    else
        defaults.setInteger(kAuthorizationKey, static_cast<long long>(status));
}

void PhotoLibrary::setConsentHandler(ConsentHandler handler)
{
    m_consent = std::move(handler);
}

void PhotoLibrary::requestAuthorization(std::function<void(AuthorizationStatus)> handler)
{
    const AuthorizationStatus status = authorizationStatus();
    if (status != AuthorizationStatus::NotDetermined || !m_consent) {
        if (handler)
            handler(status);
        return;
    }
    m_consent([this, handler](bool granted) {
        const AuthorizationStatus answer = granted ? AuthorizationStatus::Authorized : AuthorizationStatus::Denied;
        storeAuthorizationStatus(m_defaults, answer);
        m_defaults.synchronize();
        if (handler)
            handler(answer);
    });
}

const std::vector<PhotoAsset>& PhotoLibrary::snapshot()
{
    if (!m_snapshot) {
        std::error_code error;
        m_snapshot = std::filesystem::is_directory(m_folder, error) ? m_index.scan(m_folder) : std::vector<PhotoAsset> {};
        // Newest first is the library's own order; ties by name keep it stable.
        std::sort(m_snapshot->begin(), m_snapshot->end(), [](const PhotoAsset& a, const PhotoAsset& b) {
            return a.creationDate != b.creationDate ? a.creationDate > b.creationDate : a.localIdentifier < b.localIdentifier;
        });
    }
    return *m_snapshot;
}

void PhotoLibrary::refresh()
{
    std::lock_guard lock(m_mutex);
    m_snapshot.reset();
}

FetchResult<PhotoAsset> PhotoLibrary::fetchAssetsWithOptions(const FetchOptions& options)
{
    std::lock_guard lock(m_mutex);
    return applyOptions(snapshot(), options);
}

FetchResult<PhotoAsset> PhotoLibrary::fetchAssetsInAssetCollection(const AssetCollection& collection, const FetchOptions& options)
{
    std::lock_guard lock(m_mutex);
    // Only the collection's name is trusted, and only as one component inside the library.
    if (!isSafeAlbumTitle(collection.localIdentifier))
        return {};
    std::vector<PhotoAsset> members;
    for (const PhotoAsset& asset : snapshot())
        if (firstComponent(asset.localIdentifier) == collection.localIdentifier)
            members.push_back(asset);
    return applyOptions(std::move(members), options);
}

std::vector<AssetCollection> PhotoLibrary::albums()
{
    std::vector<AssetCollection> albums;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(m_folder, std::filesystem::directory_options::skip_permission_denied, error); !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!it->is_directory(error) || it->is_symlink(error) || !isSafeAlbumTitle(name))
            continue;
        AssetCollection album;
        album.localIdentifier = name;
        album.localizedTitle = name;
        album.folder = it->path();
        if (name == kSavedPhotosFolderName) {
            album.type = AssetCollectionType::SmartAlbum;
            album.subtype = AssetCollectionSubtype::SmartAlbumSavedPhotos;
        }
        albums.push_back(std::move(album));
    }
    std::sort(albums.begin(), albums.end(), [](const AssetCollection& a, const AssetCollection& b) { return a.localizedTitle < b.localizedTitle; });
    for (const PhotoAsset& asset : snapshot()) {
        const std::string album = firstComponent(asset.localIdentifier);
        if (album.empty())
            continue;
        auto found = std::lower_bound(albums.begin(), albums.end(), album, [](const AssetCollection& a, const std::string& title) { return a.localizedTitle < title; });
        if (found != albums.end() && found->localizedTitle == album)
            ++found->estimatedAssetCount;
    }
    return albums;
}

FetchResult<AssetCollection> PhotoLibrary::fetchAssetCollectionsWithType(AssetCollectionType type, AssetCollectionSubtype subtype, const FetchOptions& options)
{
    std::lock_guard lock(m_mutex);
    std::vector<AssetCollection> matching;
    for (AssetCollection& album : albums())
        if (album.type == type && (subtype == AssetCollectionSubtype::Any || album.subtype == subtype))
            matching.push_back(std::move(album));
    return applyOptions(std::move(matching), options);
}

FetchResult<AssetCollection> PhotoLibrary::fetchTopLevelUserCollectionsWithOptions(const FetchOptions& options)
{
    return fetchAssetCollectionsWithType(AssetCollectionType::Album, AssetCollectionSubtype::AlbumRegular, options);
}

std::optional<AssetCollection> PhotoLibrary::savedPhotosCollection()
{
    return fetchAssetCollectionsWithType(AssetCollectionType::SmartAlbum, AssetCollectionSubtype::SmartAlbumSavedPhotos).firstObject();
}

void PhotoLibrary::registerChangeObserver(const std::shared_ptr<PhotoLibraryChangeObserver>& observer)
{
    std::lock_guard lock(m_mutex);
    m_observers.push_back(observer);
}

void PhotoLibrary::unregisterChangeObserver(const PhotoLibraryChangeObserver* observer)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_observers, [observer](const auto& weak) {
        auto strong = weak.lock();
        return !strong || strong.get() == observer;
    });
}

Result<void> PhotoLibrary::apply(const PhotoChangeRequests& requests)
{
    // Check everything before touching the disk.
    for (const std::string& title : requests.m_newCollections) {
        if (!isSafeAlbumTitle(title))
            return fail("album \"" + title + "\"", "not a possible album name");
        std::error_code error;
        if (std::filesystem::exists(m_folder / title, error))
            return fail("album \"" + title + "\"", "an album or file of that name exists");
    }
    std::vector<std::optional<std::filesystem::path>> assetFolder(requests.m_newAssets.size());
    for (const auto& addition : requests.m_additions) {
        std::filesystem::path target;
        if (addition.collection) {
            if (!isSafeAlbumTitle(addition.collection->localIdentifier) || !std::filesystem::is_directory(m_folder / addition.collection->localIdentifier))
                return fail("album \"" + addition.collection->localIdentifier + "\"", "no such album");
            target = m_folder / addition.collection->localIdentifier;
        } else if (addition.newCollection && addition.newCollection->index < requests.m_newCollections.size()) {
            target = m_folder / requests.m_newCollections[addition.newCollection->index];
        } else {
            return fail("change request", "unknown album placeholder");
        }
        for (const AssetPlaceholder& placeholder : addition.assets) {
            if (placeholder.index >= requests.m_newAssets.size())
                return fail("change request", "unknown photo placeholder");
            assetFolder[placeholder.index] = target; // a folder library keeps a new photo in its album
        }
    }

    std::vector<std::filesystem::path> created; // undone in reverse when a later request fails
    auto undo = [&] {
        std::error_code ignored;
        for (auto it = created.rbegin(); it != created.rend(); ++it)
            std::filesystem::remove(*it, ignored);
    };
    for (const std::string& title : requests.m_newCollections) {
        std::error_code error;
        if (!std::filesystem::create_directory(m_folder / title, error) || error) {
            undo();
            return fail((m_folder / title).string(), "cannot create the album (" + (error ? error.message() : std::string("it exists")) + ")");
        }
        created.push_back(m_folder / title);
    }
    for (size_t i = 0; i < requests.m_newAssets.size(); ++i) {
        const std::filesystem::path folder = assetFolder[i].value_or(savedPhotosFolder());
        auto png = encodePng(requests.m_newAssets[i]);
        auto file = png ? PendingFile::create(folder) : Result<PendingFile>(std::unexpected(png.error()));
        if (file && std::fwrite(png->data(), 1, png->size(), file->stream()) != png->size())
            file = fail(folder.string(), "cannot write the photo");
        auto saved = file ? file->commit(newAssetStem(), ".png") : Result<std::filesystem::path>(std::unexpected(file.error()));
        if (!saved) {
            undo();
            return std::unexpected(saved.error());
        }
        created.push_back(*saved);
    }
    for (const auto& addition : requests.m_additions) {
        for (const PhotoAsset& asset : addition.existing) {
            const auto source = resolveAsset(m_folder, asset.localIdentifier);
            if (!source) {
                undo();
                return fail(asset.localIdentifier, "not a photo of this library");
            }
            // One file cannot sit in two folders; a hard link (or a copy) puts it in the album too.
            const std::filesystem::path target = m_folder / addition.collection->localIdentifier / source->filename();
            std::error_code error;
            std::filesystem::create_hard_link(*source, target, error);
            if (error && error != std::errc::file_exists)
                std::filesystem::copy_file(*source, target, std::filesystem::copy_options::none, error);
            if (error && error != std::errc::file_exists) {
                undo();
                return fail(target.string(), "cannot add the photo to the album (" + error.message() + ")");
            }
            if (!error)
                created.push_back(target);
        }
    }
    return {};
}

void PhotoLibrary::performChanges(const std::function<void(PhotoChangeRequests&)>& changes, const std::function<void(bool, std::optional<Error>)>& completion)
{
    PhotoChangeRequests requests;
    if (changes)
        changes(requests);
    Result<void> applied;
    std::vector<std::shared_ptr<PhotoLibraryChangeObserver>> observers;
    {
        std::lock_guard lock(m_mutex);
        applied = apply(requests);
        m_snapshot.reset();
        for (const auto& weak : m_observers)
            if (auto observer = weak.lock())
                observers.push_back(observer);
    }
    if (completion)
        completion(applied.has_value(), applied ? std::nullopt : std::optional<Error>(applied.error()));
    if (applied)
        for (const auto& observer : observers)
            observer->photoLibraryDidChange();
}

void PhotoLibrary::didAddPhotos()
{
    std::vector<std::shared_ptr<PhotoLibraryChangeObserver>> observers;
    {
        std::lock_guard lock(m_mutex);
        m_snapshot.reset();
        for (const auto& weak : m_observers)
            if (auto observer = weak.lock())
                observers.push_back(observer);
    }
    for (const auto& observer : observers)
        observer->photoLibraryDidChange();
}

void PhotoLibrary::requestContentEditingInput(const PhotoAsset& asset, const std::function<void(std::optional<ContentEditingInput>)>& handler)
{
    const auto path = resolveAsset(m_folder, asset.localIdentifier);
    if (!path) {
        handler(std::nullopt);
        return;
    }
    handler(ContentEditingInput { *path, asset.orientation });
}

}
