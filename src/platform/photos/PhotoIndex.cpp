#include <platform/photos/PhotoIndex.h>

#include <platform/foundation/Log.h>
#include <platform/graphics/ImageMetadata.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <ctime>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unordered_map>

namespace vd {

namespace {

// The smallest wrapper that keeps sqlite3 handles from leaking: this file's own.
class Statement {
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    sqlite3_stmt* get() const { return m_statement; }
    bool step() { return sqlite3_step(m_statement) == SQLITE_ROW; }
    bool run()
    {
        const int result = sqlite3_step(m_statement);
        sqlite3_reset(m_statement);
        return result == SQLITE_DONE;
    }
    void bind(int index, const std::string& text) { sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT); }
    void bind(int index, std::int64_t value) { sqlite3_bind_int64(m_statement, index, value); }
    void bind(int index, double value) { sqlite3_bind_double(m_statement, index, value); }
    std::string text(int column) const
    {
        const auto* value = sqlite3_column_text(m_statement, column);
        return value ? reinterpret_cast<const char*>(value) : "";
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    double real(int column) const { return sqlite3_column_double(m_statement, column); }

private:
    sqlite3_stmt* m_statement { nullptr };
};

bool execute(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

struct FileFacts {
    std::int64_t size { 0 };
    std::int64_t modified { 0 }; // nanoseconds
};

std::optional<FileFacts> factsOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileFacts { static_cast<std::int64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec };
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

}

struct PhotoIndex::Database {
    sqlite3* db { nullptr };
    ~Database() { sqlite3_close(db); }
};

PhotoIndex::PhotoIndex(std::filesystem::path databaseFile)
    : m_file(std::move(databaseFile))
{
}

PhotoIndex::~PhotoIndex() = default;

bool PhotoIndex::isPhotoFile(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".jpg" || extension == ".jpeg" || extension == ".jpe" || extension == ".png";
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
        auto database = std::make_unique<Database>();
        const bool opened = sqlite3_open_v2(m_file.c_str(), &database->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) == SQLITE_OK
            && execute(database->db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;")
            && execute(database->db, "CREATE TABLE IF NOT EXISTS photos (root TEXT NOT NULL, path TEXT NOT NULL, size INTEGER, modified INTEGER, created REAL, width INTEGER, height INTEGER, orientation INTEGER, PRIMARY KEY (root, path))");
        if (opened) {
            sqlite3_busy_timeout(database->db, 3000);
            m_database = std::move(database);
        } else {
            m_openFailed = true;
            log::warning(m_file.string() + ": the photo index cannot be used (" + (database->db ? sqlite3_errmsg(database->db) : "cannot open") + "); listing without it");
        }
    }

    struct Known {
        FileFacts facts;
        PhotoAsset asset;
    };
    std::unordered_map<std::string, Known> known;
    const std::string rootKey = root.lexically_normal().string();
    sqlite3* db = m_database ? m_database->db : nullptr;
    if (db) {
        Statement select(db, "SELECT path, size, modified, created, width, height, orientation FROM photos WHERE root = ?");
        if (select.isValid()) {
            select.bind(1, rootKey);
            while (select.step()) {
                Known row;
                row.asset.localIdentifier = select.text(0);
                row.facts = { select.integer(1), select.integer(2) };
                row.asset.creationDate = select.real(3);
                row.asset.pixelWidth = static_cast<int>(select.integer(4));
                row.asset.pixelHeight = static_cast<int>(select.integer(5));
                row.asset.orientation = static_cast<int>(select.integer(6));
                known.emplace(row.asset.localIdentifier, std::move(row));
            }
        }
    }

    std::vector<PhotoAsset> assets;
    std::vector<std::pair<size_t, FileFacts>> toRead;
    std::error_code error;
    auto options = std::filesystem::directory_options::skip_permission_denied;
    for (auto it = std::filesystem::recursive_directory_iterator(root, options, error); !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const std::filesystem::path& path = it->path();
        const std::string name = path.filename().string();
        if (!name.empty() && name.front() == '.') {
            if (it->is_directory(error))
                it.disable_recursion_pending();
            continue;
        }
        if (!isPhotoFile(path))
            continue;
        const auto facts = factsOf(path);
        if (!facts)
            continue;
        PhotoAsset asset;
        asset.localIdentifier = path.lexically_relative(root).generic_string();
        asset.path = path;
        asset.fileSize = facts->size;
        auto found = known.find(asset.localIdentifier);
        if (found != known.end() && found->second.facts.size == facts->size && found->second.facts.modified == facts->modified) {
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

    if (db && (!toRead.empty() || std::any_of(known.begin(), known.end(), [](const auto& entry) { return entry.second.facts.size >= 0; }))) {
        execute(db, "BEGIN");
        Statement upsert(db, "INSERT OR REPLACE INTO photos (root, path, size, modified, created, width, height, orientation) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        Statement remove(db, "DELETE FROM photos WHERE root = ? AND path = ?");
        bool ok = upsert.isValid() && remove.isValid();
        for (const auto& [index, facts] : toRead) {
            if (!ok)
                break;
            const PhotoAsset& asset = assets[index];
            upsert.bind(1, rootKey);
            upsert.bind(2, asset.localIdentifier);
            upsert.bind(3, facts.size);
            upsert.bind(4, facts.modified);
            upsert.bind(5, asset.creationDate);
            upsert.bind(6, static_cast<std::int64_t>(asset.pixelWidth));
            upsert.bind(7, static_cast<std::int64_t>(asset.pixelHeight));
            upsert.bind(8, static_cast<std::int64_t>(asset.orientation));
            ok = upsert.run();
        }
        for (const auto& [path, row] : known) {
            if (!ok)
                break;
            if (row.facts.size < 0)
                continue; // still there
            remove.bind(1, rootKey);
            remove.bind(2, path);
            ok = remove.run();
        }
        execute(db, ok ? "COMMIT" : "ROLLBACK");
        if (!ok)
            log::warning(m_file.string() + ": cannot update the photo index (" + sqlite3_errmsg(db) + ")");
    }
    return assets;
}

}
