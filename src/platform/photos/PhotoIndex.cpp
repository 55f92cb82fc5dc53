#include <platform/photos/PhotoIndex.h>

#include <platform/foundation/Log.h>
#include <platform/graphics/ImageMetadata.h>
#include <platform/store/Database.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <ctime>
#include <sys/stat.h>
#include <thread>
#include <unordered_map>

namespace vd {

namespace {

// What says a file is the one the index read: a rewrite in place at the same size by a tool that
// keeps the file's time (exiftool -P, cp -p, rsync -t) still moves its change time, and a file
// replaced by another under the same name has another inode.
struct FileFacts {
    std::int64_t size { 0 };
    std::int64_t modified { 0 }; // nanoseconds
    std::int64_t changed { 0 };  // nanoseconds (st_ctim, which no program can set back)
    std::int64_t inode { 0 };

    bool operator==(const FileFacts&) const = default;
};

// The index's table as this code writes it; an index of another version is read afresh.
constexpr int kIndexVersion = 2;

std::optional<FileFacts> factsOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    auto nanoseconds = [](const timespec& time) { return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec; };
    return FileFacts { static_cast<std::int64_t>(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim), static_cast<std::int64_t>(info.st_ino) };
}

// Fills date, size and orientation from the file itself.
void readAsset(PhotoAsset& asset, const FileFacts& facts)
{
    asset.creationDate = static_cast<double>(facts.modified) / 1e9;
    auto metadata = ImageMetadata::readFromFile(asset.path);
    if (!metadata)
        return;
    if (auto taken = metadata->dateTimeOriginal())
        if (auto seconds = parseExifDateTime(*taken))
            asset.creationDate = *seconds;
    asset.pixelWidth = metadata->pixelWidth();
    asset.pixelHeight = metadata->pixelHeight();
    asset.orientation = metadata->orientation();
}

struct KnownFile {
    FileFacts facts;
    PhotoAsset asset; // facts.size is set to -1 once the file is seen again
};

// Writes what was read for new or changed files and forgets the files that are gone, all or nothing.
Result<void> updateIndex(store::Database& database, const std::string& rootKey, const std::vector<PhotoAsset>& assets,
    const std::vector<std::pair<size_t, FileFacts>>& read, const std::unordered_map<std::string, KnownFile>& known)
{
    auto transaction = store::Transaction::begin(database);
    if (!transaction)
        return std::unexpected(transaction.error());
    auto upsert = database.prepare("INSERT OR REPLACE INTO photos (root, path, size, modified, changed, inode, created, width, height, orientation) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!upsert)
        return std::unexpected(upsert.error());
    auto remove = database.prepare("DELETE FROM photos WHERE root = ? AND path = ?");
    if (!remove)
        return std::unexpected(remove.error());
    for (const auto& [index, facts] : read) {
        const PhotoAsset& asset = assets[index];
        Result<void> bound = upsert->bind(1, rootKey);
        if (bound)
            bound = upsert->bind(2, asset.localIdentifier);
        if (bound)
            bound = upsert->bind(3, facts.size);
        if (bound)
            bound = upsert->bind(4, facts.modified);
        if (bound)
            bound = upsert->bind(5, facts.changed);
        if (bound)
            bound = upsert->bind(6, facts.inode);
        if (bound)
            bound = upsert->bindDouble(7, asset.creationDate);
        if (bound)
            bound = upsert->bind(8, static_cast<std::int64_t>(asset.pixelWidth));
        if (bound)
            bound = upsert->bind(9, static_cast<std::int64_t>(asset.pixelHeight));
        if (bound)
            bound = upsert->bind(10, static_cast<std::int64_t>(asset.orientation));
        if (!bound)
            return bound;
        auto stepped = upsert->step();
        upsert->reset();
        if (!stepped)
            return std::unexpected(stepped.error());
    }
    for (const auto& [path, row] : known) {
        if (row.facts.size < 0)
            continue; // still there
        Result<void> bound = remove->bind(1, rootKey);
        if (bound)
            bound = remove->bind(2, path);
        if (!bound)
            return bound;
        auto stepped = remove->step();
        remove->reset();
        if (!stepped)
            return std::unexpected(stepped.error());
    }
    return transaction->commit();
}

}

PhotoIndex::PhotoIndex(std::filesystem::path databaseFile)
    : m_file(std::move(databaseFile))
{
}

PhotoIndex::~PhotoIndex() = default;

bool PhotoIndex::isPhotoFile(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // What a folder of photos holds today: cameras' JPEG, phones' HEIC, the web's WebP and AVIF,
    // scanners' and editors' TIFF. The name only selects the files; the bytes say how each is read.
    static const char* const kinds[] = { ".jpg", ".jpeg", ".jpe", ".png", ".heic", ".heif", ".hif", ".avif", ".webp", ".tif", ".tiff" };
    return std::find(std::begin(kinds), std::end(kinds), extension) != std::end(kinds);
}

std::optional<double> parseExifDateTime(const std::string& text)
{
    std::tm parts {};
    if (text.size() < 19 || std::sscanf(text.c_str(), "%4d:%2d:%2d %2d:%2d:%2d", &parts.tm_year, &parts.tm_mon, &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec) != 6)
        return std::nullopt;
    if (parts.tm_year < 1800 || parts.tm_mon < 1 || parts.tm_mon > 12 || parts.tm_mday < 1 || parts.tm_mday > 31 || parts.tm_hour > 23 || parts.tm_min > 59 || parts.tm_sec > 60)
        return std::nullopt;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&parts);
    if (seconds == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<double>(seconds);
}

std::vector<PhotoAsset> PhotoIndex::scan(const std::filesystem::path& root)
{
    m_filesRead = 0;
    // Open the index on first use; a file that is not a usable database is left as it is.
    if (!m_database && !m_openFailed) {
        auto database = store::Database::open(m_file, store::Database::Access::ReadWriteCreate);
        Result<void> ready = database ? database->execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;") : std::unexpected(database.error());
        // The index only saves reading files again: one written by another version is dropped.
        if (ready) {
            auto version = database->userVersion();
            if (!version)
                ready = std::unexpected(version.error());
            else if (*version != kIndexVersion) {
                ready = database->execute("DROP TABLE IF EXISTS photos");
                if (ready)
                    ready = database->setUserVersion(kIndexVersion);
            }
        }
        if (ready)
            ready = database->execute("CREATE TABLE IF NOT EXISTS photos (root TEXT NOT NULL, path TEXT NOT NULL, size INTEGER, modified INTEGER, changed INTEGER, inode INTEGER, created REAL, width INTEGER, height INTEGER, orientation INTEGER, PRIMARY KEY (root, path))");
        if (ready) {
            m_database = std::make_unique<store::Database>(std::move(*database));
        } else {
            m_openFailed = true;
            log::warning(ready.error().message + "; the photo index cannot be used, listing without it");
        }
    }

    std::unordered_map<std::string, KnownFile> known;
    const std::string rootKey = root.lexically_normal().string();
    if (m_database) {
        auto select = m_database->prepare("SELECT path, size, modified, changed, inode, created, width, height, orientation FROM photos WHERE root = ?");
        if (select && select->bind(1, rootKey)) {
            while (select->step().value_or(false)) {
                KnownFile row;
                row.asset.localIdentifier = select->columnText(0);
                row.facts = { select->columnInt64(1), select->columnInt64(2), select->columnInt64(3), select->columnInt64(4) };
                row.asset.creationDate = select->columnDouble(5);
                row.asset.pixelWidth = static_cast<int>(select->columnInt64(6));
                row.asset.pixelHeight = static_cast<int>(select->columnInt64(7));
                row.asset.orientation = static_cast<int>(select->columnInt64(8));
                known.emplace(row.asset.localIdentifier, std::move(row));
            }
        }
    }

    std::vector<PhotoAsset> assets;
    std::vector<std::pair<size_t, FileFacts>> toRead;
    m_unreadableFolders.clear();
    auto addFile = [&](const std::filesystem::path& path) {
        if (!isPhotoFile(path))
            return;
        const auto facts = factsOf(path);
        if (!facts)
            return;
        PhotoAsset asset;
        asset.localIdentifier = path.lexically_relative(root).generic_string();
        asset.path = path;
        asset.fileSize = facts->size;
        auto found = known.find(asset.localIdentifier);
        if (found != known.end() && found->second.facts == *facts) {
            asset.creationDate = found->second.asset.creationDate;
            asset.pixelWidth = found->second.asset.pixelWidth;
            asset.pixelHeight = found->second.asset.pixelHeight;
            asset.orientation = found->second.asset.orientation;
            found->second.facts.size = -1; // seen
        } else {
            toRead.emplace_back(assets.size(), *facts);
            if (found != known.end())
                found->second.facts.size = -1;
        }
        assets.push_back(std::move(asset));
    };
    // Folder by folder, so that one that cannot be read is skipped, and said so, while the rest
    // of the library is still listed.
    std::vector<std::filesystem::path> folders { root };
    while (!folders.empty()) {
        const std::filesystem::path folder = std::move(folders.back());
        folders.pop_back();
        std::error_code error;
        std::filesystem::directory_iterator it(folder, error);
        for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            const std::filesystem::path& path = it->path();
            const std::string name = path.filename().string();
            if (name.empty() || name.front() == '.')
                continue;
            std::error_code typeError;
            if (it->is_directory(typeError) && !it->is_symlink(typeError))
                folders.push_back(path);
            else if (!it->is_directory(typeError))
                addFile(path);
        }
        if (error) {
            m_unreadableFolders.push_back(folder);
            log::warning(folder.string() + ": cannot be read (" + error.message() + "); its photos are left out of the listing");
        }
    }

    // Reading metadata is the slow part of a first listing; spread it over the cores.
    m_filesRead = toRead.size();
    if (!toRead.empty()) {
        std::atomic<size_t> next { 0 };
        auto work = [&] {
            for (size_t i; (i = next++) < toRead.size();)
                readAsset(assets[toRead[i].first], toRead[i].second);
        };
        const unsigned threads = std::min<unsigned>(std::max(1u, std::thread::hardware_concurrency()), static_cast<unsigned>(std::max<size_t>(1, toRead.size() / 16)));
        std::vector<std::jthread> workers;
        for (unsigned i = 1; i < threads; ++i)
            workers.emplace_back(work);
        work();
    }

    if (m_database && (!toRead.empty() || std::any_of(known.begin(), known.end(), [](const auto& entry) { return entry.second.facts.size >= 0; }))) {
        if (auto updated = updateIndex(*m_database, rootKey, assets, toRead, known); !updated)
            log::warning(m_file.string() + ": cannot update the photo index (" + updated.error().message + ")");
    }
    return assets;
}

}
