#include <platform/photos/ThumbnailCache.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/Paths.h>
#include <platform/graphics/ImageCodecs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vd {

namespace {

constexpr std::string_view kSignature = "vardenico thumbnail\n";
constexpr std::uintmax_t kEntryMaxBytes = 4u << 20;

std::uint64_t fnv1a(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// The key travels in a comment segment right after SOI: FF FE, length, signature, key.
std::vector<std::uint8_t> withKey(const std::vector<std::uint8_t>& jpeg, const std::string& key)
{
    const std::size_t length = 2 + kSignature.size() + key.size();
    std::vector<std::uint8_t> out;
    out.reserve(jpeg.size() + length + 2);
    out.insert(out.end(), { 0xFF, 0xD8, 0xFF, 0xFE, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xff) });
    out.insert(out.end(), kSignature.begin(), kSignature.end());
    out.insert(out.end(), key.begin(), key.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

bool carriesKey(const std::vector<std::uint8_t>& bytes, const std::string& key)
{
    const std::size_t length = 2 + kSignature.size() + key.size();
    if (length > 0xFFFF || bytes.size() < 4 + length)
        return false;
    if (bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF || bytes[3] != 0xFE)
        return false;
    if ((std::size_t(bytes[4]) << 8 | bytes[5]) != length)
        return false;
    return std::memcmp(bytes.data() + 6, kSignature.data(), kSignature.size()) == 0
        && std::memcmp(bytes.data() + 6 + kSignature.size(), key.data(), key.size()) == 0;
}

// Written under a temporary name and renamed into place: a reader sees the whole entry or none.
// Not flushed to disk: an entry torn by a crash fails its decode and is removed, at the cost of
// one decode, which is cheaper than a flush per thumbnail while the grid fills.
bool writeEntry(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".%d.%p.tmp", static_cast<int>(::getpid()), static_cast<const void*>(bytes.data()));
    const std::filesystem::path temporary = path.string() + suffix;
    std::FILE* file = std::fopen(temporary.c_str(), "wbe");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    std::error_code error;
    if (written && closed)
        std::filesystem::rename(temporary, path, error);
    if (!written || !closed || error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}

std::shared_ptr<ThumbnailCache> ThumbnailCache::shared()
{
    // Follows the cache directory should the environment name another one.
    static std::mutex mutex;
    static std::shared_ptr<ThumbnailCache> cache;
    const auto folder = paths::cacheDirectory() / "thumbnails";
    std::lock_guard lock(mutex);
    if (!cache || cache->folder() != folder)
        cache = std::make_shared<ThumbnailCache>(folder, std::uintmax_t(256) << 20);
    return cache;
}

ThumbnailCache::ThumbnailCache(std::filesystem::path folder, std::uintmax_t byteLimit)
    : m_folder(std::move(folder))
    , m_byteLimit(byteLimit)
{
}

std::optional<ThumbnailCache::Key> ThumbnailCache::keyFor(const std::filesystem::path& photo, Size target, const std::string& fit)
{
    struct stat info {};
    if (::stat(photo.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    const std::filesystem::path absolute = photo.is_absolute() ? photo : std::filesystem::absolute(photo);
    Key key;
    key.text = absolute.lexically_normal().string() + '\n' + std::to_string(info.st_size) + '\n'
        + std::to_string(info.st_mtim.tv_sec) + '.' + std::to_string(info.st_mtim.tv_nsec) + '\n'
        + std::to_string(static_cast<long>(target.width)) + 'x' + std::to_string(static_cast<long>(target.height)) + ' ' + fit;
    char name[24];
    std::snprintf(name, sizeof name, "%016llx.jpg", static_cast<unsigned long long>(fnv1a(key.text)));
    key.fileName = name;
    return key;
}

std::optional<Image> ThumbnailCache::find(const Key& key)
{
    const auto path = m_folder / key.fileName;
    auto bytes = files::readAll(path, kEntryMaxBytes);
    if (!bytes || !carriesKey(*bytes, key.text))
        return std::nullopt; // absent, or another key's entry under the same hash
    // An entry cut short (a crash while writing) lacks its end marker; the decoder would give it
    // grey rows rather than fail.
    const bool whole = bytes->size() > 4 && (*bytes)[bytes->size() - 2] == 0xFF && (*bytes)[bytes->size() - 1] == 0xD9;
    std::optional<Image> image;
    if (whole) {
        if (auto decoded = decodeJpeg(*bytes, { .name = path.string() }))
            image = std::move(*decoded);
    }
    std::error_code ignored;
    if (!image) {
        std::filesystem::remove(path, ignored);
        return std::nullopt;
    }
    // Used now: the last to go when the folder is trimmed.
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now(), ignored);
    return *image;
}

void ThumbnailCache::store(const Key& key, const Image& image)
{
    // JPEG keeps no transparency: such pictures are decoded each time.
    if (image.isEmpty() || !image.isOpaque())
        return;
    auto jpeg = encodeJpeg(image, { .quality = 88, .subsampling = JpegEncodeOptions::Subsampling::S444 });
    if (!jpeg)
        return;
    const auto bytes = withKey(*jpeg, key.text);
    std::error_code ignored;
    std::filesystem::create_directories(m_folder, ignored);
    if (!writeEntry(m_folder / key.fileName, bytes))
        return;
    std::lock_guard lock(m_mutex);
    countStoredBytes();
    *m_storedBytes += bytes.size();
    if (*m_storedBytes > m_byteLimit)
        trim();
}

std::uintmax_t ThumbnailCache::storedBytes()
{
    std::lock_guard lock(m_mutex);
    countStoredBytes();
    return *m_storedBytes;
}

void ThumbnailCache::countStoredBytes()
{
    if (m_storedBytes)
        return;
    std::uintmax_t total = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(m_folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->path().extension() == ".jpg")
            total += it->file_size(ignored);
    }
    m_storedBytes = total;
}

void ThumbnailCache::trim()
{
    struct Entry {
        std::filesystem::path path;
        std::filesystem::file_time_type used;
        std::uintmax_t bytes;
    };
    std::vector<Entry> entries;
    std::uintmax_t total = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(m_folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->path().extension() != ".jpg")
            continue;
        Entry entry { it->path(), it->last_write_time(ignored), it->file_size(ignored) };
        total += entry.bytes;
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.used < b.used; });
    // Down to three quarters, so the next few stores do not trim again.
    const std::uintmax_t goal = m_byteLimit / 4 * 3;
    for (const Entry& entry : entries) {
        if (total <= goal)
            break;
        std::error_code ignored;
        if (std::filesystem::remove(entry.path, ignored))
            total -= entry.bytes;
    }
    m_storedBytes = total;
}

}
