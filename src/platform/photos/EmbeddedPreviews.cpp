#include <platform/photos/EmbeddedPreviews.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

// The start of a file read to find its previews: the EXIF segment is at most 64 KB and comes first.
constexpr std::size_t kHeadBytes = 128 * 1024;

bool isFrameMarker(int marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

unsigned be16(const std::uint8_t* p) { return (unsigned(p[0]) << 8) | p[1]; }

// A TIFF structure inside a segment (EXIF and MPF both use one): offsets count from its header.
class TiffView {
public:
    explicit TiffView(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
        if (bytes.size() < 8)
            return;
        if (bytes[0] == 'I' && bytes[1] == 'I')
            m_little = true;
        else if (!(bytes[0] == 'M' && bytes[1] == 'M'))
            return;
        m_valid = u16(2) == 42;
    }

    bool valid() const { return m_valid; }
    bool has(std::uint64_t offset, std::uint64_t count) const { return offset <= m_bytes.size() && count <= m_bytes.size() - offset; }
    unsigned u16(std::uint64_t at) const
    {
        if (!has(at, 2))
            return 0;
        const auto* p = m_bytes.data() + at;
        return m_little ? (unsigned(p[1]) << 8) | p[0] : (unsigned(p[0]) << 8) | p[1];
    }
    std::uint32_t u32(std::uint64_t at) const
    {
        if (!has(at, 4))
            return 0;
        const auto* p = m_bytes.data() + at;
        return m_little ? (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0]
                        : (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
    }
    std::uint32_t firstDirectory() const { return u32(4); }
    unsigned entryCount(std::uint32_t directory) const { return has(directory, 2) ? u16(directory) : 0; }
    std::uint64_t entry(std::uint32_t directory, unsigned index) const { return std::uint64_t(directory) + 2 + 12 * std::uint64_t(index); }
    std::uint32_t nextDirectory(std::uint32_t directory) const { return u32(entry(directory, entryCount(directory))); }

private:
    std::span<const std::uint8_t> m_bytes;
    bool m_little { false };
    bool m_valid { false };
};

// IFD1 of an EXIF block: the thumbnail's offset and length (tags 0x0201 and 0x0202).
void exifThumbnail(std::span<const std::uint8_t> tiffBytes, std::uint64_t tiffOffset, std::uint64_t fileSize, std::vector<EmbeddedPreview>& out)
{
    TiffView tiff(tiffBytes);
    if (!tiff.valid())
        return;
    const std::uint32_t ifd0 = tiff.firstDirectory();
    if (!ifd0 || !tiff.has(ifd0, 2))
        return;
    const std::uint32_t ifd1 = tiff.nextDirectory(ifd0);
    if (!ifd1 || ifd1 == ifd0 || !tiff.has(ifd1, 2))
        return;
    std::uint32_t offset = 0, length = 0;
    for (unsigned i = 0, n = tiff.entryCount(ifd1); i < n && i < 256; ++i) {
        const std::uint64_t at = tiff.entry(ifd1, i);
        if (!tiff.has(at, 12))
            break;
        const unsigned tag = tiff.u16(at);
        const unsigned type = tiff.u16(at + 2);
        const std::uint32_t value = type == 3 ? tiff.u16(at + 8) : tiff.u32(at + 8);
        if (tag == 0x0201)
            offset = value;
        else if (tag == 0x0202)
            length = value;
    }
    if (!offset || length < 4 || tiffOffset + offset + length > fileSize)
        return;
    out.push_back({ tiffOffset + offset, length, 0, 0 });
}

// The MP Index directory of an MPF block: one 16-byte entry per picture (attributes, size,
// offset from the MPF header, two dependants); the first entry is the main picture itself.
void multiPictureEntries(std::span<const std::uint8_t> tiffBytes, std::uint64_t tiffOffset, std::uint64_t fileSize, std::vector<EmbeddedPreview>& out)
{
    TiffView tiff(tiffBytes);
    if (!tiff.valid())
        return;
    const std::uint32_t index = tiff.firstDirectory();
    if (!index || !tiff.has(index, 2))
        return;
    for (unsigned i = 0, n = tiff.entryCount(index); i < n && i < 64; ++i) {
        const std::uint64_t at = tiff.entry(index, i);
        if (!tiff.has(at, 12) || tiff.u16(at) != 0xB002)
            continue;
        const std::uint32_t count = tiff.u32(at + 4);
        const std::uint32_t where = tiff.u32(at + 8);
        if (!tiff.has(where, count))
            return;
        for (std::uint32_t e = 1; e < count / 16 && e < 16; ++e) {
            const std::uint64_t entry = std::uint64_t(where) + 16 * e;
            const std::uint32_t size = tiff.u32(entry + 4);
            const std::uint32_t offset = tiff.u32(entry + 8);
            if (offset && size >= 4 && tiffOffset + offset + size <= fileSize)
                out.push_back({ tiffOffset + offset, size, 0, 0 });
        }
        return;
    }
}

// Calls visit(marker, payload offset, payload length) for each segment before the scan data;
// stops when visit returns false.
template<typename Visit>
void forEachSegment(std::span<const std::uint8_t> bytes, Visit visit)
{
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return;
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF)
            return;
        int marker = bytes[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return;
        const std::size_t length = be16(bytes.data() + at + 2);
        if (length < 2)
            return;
        const std::size_t payload = at + 4;
        const std::size_t payloadLength = std::min(length - 2, bytes.size() - std::min(payload, bytes.size()));
        if (!visit(marker, payload, payloadLength))
            return;
        at = payload + length - 2;
    }
}

}

std::pair<int, int> jpegFrameSize(std::span<const std::uint8_t> bytes)
{
    std::pair<int, int> size { 0, 0 };
    forEachSegment(bytes, [&](int marker, std::size_t payload, std::size_t length) {
        if (!isFrameMarker(marker))
            return true;
        if (length >= 5)
            size = { static_cast<int>(be16(bytes.data() + payload + 3)), static_cast<int>(be16(bytes.data() + payload + 1)) };
        return false;
    });
    return size;
}

JpegLayout parseJpegLayout(std::span<const std::uint8_t> head, std::uint64_t fileSize)
{
    JpegLayout layout;
    std::vector<EmbeddedPreview> thumbnails, larger;
    forEachSegment(head, [&](int marker, std::size_t payload, std::size_t length) {
        const std::uint8_t* p = head.data() + payload;
        if (marker == 0xE1 && length > 6 && std::memcmp(p, "Exif\0\0", 6) == 0)
            exifThumbnail(head.subspan(payload + 6, length - 6), payload + 6, fileSize, thumbnails);
        else if (marker == 0xE2 && length > 4 && std::memcmp(p, "MPF\0", 4) == 0)
            multiPictureEntries(head.subspan(payload + 4, length - 4), payload + 4, fileSize, larger);
        else if (isFrameMarker(marker)) {
            if (length >= 5) {
                layout.height = static_cast<int>(be16(p + 1));
                layout.width = static_cast<int>(be16(p + 3));
            }
            return false;
        }
        return true;
    });
    for (EmbeddedPreview& preview : thumbnails) {
        if (preview.offset < head.size()) {
            const auto [width, height] = jpegFrameSize(head.subspan(preview.offset, std::min<std::uint64_t>(preview.length, head.size() - preview.offset)));
            preview.width = width;
            preview.height = height;
        }
    }
    layout.previews = std::move(thumbnails);
    layout.previews.insert(layout.previews.end(), larger.begin(), larger.end());
    return layout;
}

namespace {

struct FileDescriptor {
    int fd { -1 };
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::vector<std::uint8_t> readAt(int fd, std::uint64_t offset, std::size_t count)
{
    std::vector<std::uint8_t> bytes(count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

}

JpegLayout readJpegLayout(const std::filesystem::path& path)
{
    FileDescriptor file { ::open(path.c_str(), O_RDONLY | O_CLOEXEC) };
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0)
        return {};
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    const auto head = readAt(file.fd, 0, static_cast<std::size_t>(std::min<std::uint64_t>(kHeadBytes, fileSize)));
    return parseJpegLayout(head, fileSize);
}

std::vector<std::uint8_t> readEmbeddedPreview(const std::filesystem::path& path, const EmbeddedPreview& preview)
{
    FileDescriptor file { ::open(path.c_str(), O_RDONLY | O_CLOEXEC) };
    if (file.fd < 0)
        return {};
    auto bytes = readAt(file.fd, preview.offset, preview.length);
    if (bytes.size() != preview.length)
        return {};
    return bytes;
}

}
