#pragma once

#include <platform/graphics/Geometry.h>
#include <platform/graphics/Image.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vd {

// Thumbnails kept on disk between runs, so a folder opened again shows its grid at once. An entry
// is found by the photo's path, size and modification time and the thumbnail's size: a photo that
// changed is decoded again, never shown as it was. Entries are small JPEGs written atomically
// (a reader never sees half of one), each carrying its full key; the folder is kept under a byte
// bound, the least recently used entries going first.
class ThumbnailCache {
public:
    // The program's own: <cache directory>/thumbnails, 256 MB.
    static std::shared_ptr<ThumbnailCache> shared();

    ThumbnailCache(std::filesystem::path folder, std::uintmax_t byteLimit);

    // What identifies one thumbnail of one photo as it is now; nothing when the photo is gone.
    struct Key {
        std::string text;     // path, file size, modification time, thumbnail size and fit
        std::string fileName; // a hash of the text
    };
    static std::optional<Key> keyFor(const std::filesystem::path& photo, Size target, const std::string& fit);

    std::optional<Image> find(const Key& key);
    void store(const Key& key, const Image& image); // failures only cost a decode next time

    const std::filesystem::path& folder() const { return m_folder; }
    std::uintmax_t storedBytes();

private:
    void countStoredBytes(); // with m_mutex held
    void trim();             // with m_mutex held

    std::filesystem::path m_folder;
    std::uintmax_t m_byteLimit;
    std::mutex m_mutex;
    std::optional<std::uintmax_t> m_storedBytes; // counted on first use
};

}
