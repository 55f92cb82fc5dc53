#pragma once

#include <platform/photos/PhotoAsset.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace vd::store {
class Database;
}

namespace vd {

// Finds the photos below a library folder. What it learnt about each file (capture date, pixel
// size, orientation) is kept in an SQLite file with the file's size, times and inode, so that a
// second listing of a large library only looks at the files again, not into them. An index file
// that cannot be opened is reported once and left alone; listing then works without it.
class PhotoIndex {
public:
    explicit PhotoIndex(std::filesystem::path databaseFile);
    ~PhotoIndex();
    PhotoIndex(const PhotoIndex&) = delete;
    PhotoIndex& operator=(const PhotoIndex&) = delete;

    // Every photo below root (hidden files and folders skipped, links to folders not followed),
    // in no particular order.
    std::vector<PhotoAsset> scan(const std::filesystem::path& root);

    // How many files the last scan had to read (new or changed since the index saw them).
    std::size_t filesReadInLastScan() const { return m_filesRead; }
    // The folders the last scan could not read (each also reported as a warning); their photos
    // are missing from its listing.
    const std::vector<std::filesystem::path>& unreadableFoldersInLastScan() const { return m_unreadableFolders; }

    static bool isPhotoFile(const std::filesystem::path& path);

private:
    std::filesystem::path m_file;
    std::unique_ptr<store::Database> m_database;
    bool m_openFailed { false };
    std::size_t m_filesRead { 0 };
    std::vector<std::filesystem::path> m_unreadableFolders;
};

// A capture time "YYYY:MM:DD HH:MM:SS" (local time, as cameras write it) in seconds since 1970.
std::optional<double> parseExifDateTime(const std::string& text);

}
