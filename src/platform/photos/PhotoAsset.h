#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vd {

enum class AssetMediaType : int { Unknown = 0, Image = 1 };

// One photo of the library: an image file below the library folder.
struct PhotoAsset {
    std::string localIdentifier;     // the path relative to the library folder, with '/'
    std::filesystem::path path;      // the full-size file
    double creationDate { 0 };       // seconds since 1970: EXIF capture time, else the file's time
    std::int64_t fileSize { 0 };
    int pixelWidth { 0 };            // as stored, before the EXIF orientation
    int pixelHeight { 0 };
    int orientation { 1 };           // EXIF Orientation 1…8
    AssetMediaType mediaType { AssetMediaType::Image };

    bool operator==(const PhotoAsset& other) const { return localIdentifier == other.localIdentifier; }
};

enum class AssetCollectionType : int { Album = 1, SmartAlbum = 2 };
enum class AssetCollectionSubtype : int { AlbumRegular = 2, SmartAlbumSavedPhotos = 210, Any = 0x7fffffff };

// An album: a first-level folder of the library. The saved-photos collection is the folder
// "Saved Photos", a smart album.
struct AssetCollection {
    std::string localIdentifier;   // the folder's name
    std::string localizedTitle;    // the same: titles are folder names
    std::filesystem::path folder;
    AssetCollectionType type { AssetCollectionType::Album };
    AssetCollectionSubtype subtype { AssetCollectionSubtype::AlbumRegular };
    std::size_t estimatedAssetCount { 0 };

    bool operator==(const AssetCollection& other) const { return localIdentifier == other.localIdentifier; }
};

// "key = value" or "key > value": the predicates the screens filter with, e.g. mediaType = 1,
// estimatedAssetCount > 0, title = "Vardenico".
struct FetchPredicate {
    enum class Comparison { Equal, Greater };
    std::string key;
    Comparison comparison { Comparison::Equal };
    std::variant<long long, std::string> value;

    static FetchPredicate equal(std::string key, long long value) { return { std::move(key), Comparison::Equal, value }; }
    static FetchPredicate equal(std::string key, std::string value) { return { std::move(key), Comparison::Equal, std::move(value) }; }
    static FetchPredicate greater(std::string key, long long value) { return { std::move(key), Comparison::Greater, value }; }

    bool matches(const PhotoAsset& asset) const;
    bool matches(const AssetCollection& collection) const;
};

struct SortDescriptor {
    std::string key; // "creationDate" for assets, "title" for collections
    bool ascending { true };
};

struct FetchOptions {
    std::vector<SortDescriptor> sortDescriptors;
    std::optional<FetchPredicate> predicate;
};

// The result of a fetch, addressed by position; a snapshot that later changes do not alter.
template<typename T>
class FetchResult {
public:
    FetchResult() = default;
    explicit FetchResult(std::vector<T> objects)
        : m_objects(std::move(objects))
    {
    }

    std::size_t count() const { return m_objects.size(); }
    const T& objectAtIndex(std::size_t index) const { return m_objects.at(index); } // throws out_of_range past the end
    const T& operator[](std::size_t index) const { return m_objects.at(index); }
    std::optional<T> firstObject() const { return m_objects.empty() ? std::nullopt : std::optional<T>(m_objects.front()); }
    std::optional<std::size_t> indexOfObject(const T& object) const;
    const std::vector<T>& objects() const { return m_objects; }
    auto begin() const { return m_objects.begin(); }
    auto end() const { return m_objects.end(); }

private:
    std::vector<T> m_objects;
};

template<typename T>
std::optional<std::size_t> FetchResult<T>::indexOfObject(const T& object) const
{
    for (std::size_t i = 0; i < m_objects.size(); ++i)
        if (m_objects[i] == object)
            return i;
    return std::nullopt;
}

}
