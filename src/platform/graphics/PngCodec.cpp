#include <platform/graphics/ImageCodecs.h>

#include <platform/foundation/HugePages.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <png.h>
#include <thread>
#include <zlib.h>

namespace vd {

namespace {

// The first chunk whose length runs past the end of the bytes, if any. libpng allocates (and
// clears) a chunk's whole claimed length before it reads it, so a few hundred damaged bytes could
// claim a 2 GB text chunk; from memory, such a chunk can only be damage.
std::optional<std::string> chunkPastTheEnd(std::span<const std::uint8_t> bytes)
{
    std::size_t at = 8; // the signature
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) | (std::uint32_t(bytes[at + 2]) << 8) | bytes[at + 3];
        const std::string type(reinterpret_cast<const char*>(bytes.data() + at + 4), 4);
        if (length > bytes.size() - at - 12)
            return "the " + type + " chunk claims " + std::to_string(length) + " bytes, more than the data holds";
        if (type == "IEND")
            break;
        at += 12 + length;
    }
    return std::nullopt;
}

}

Result<Image> decodePng(std::span<const std::uint8_t> bytes, const DecodeOptions& options)
{
    const std::string where = options.name.empty() ? std::string("PNG data") : options.name;
    if (auto damage = chunkPastTheEnd(bytes))
        return fail(where, "damaged PNG (" + *damage + ")");
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return fail(where, std::string("not a readable PNG (") + png.message + ")");
    if (png.width == 0 || png.height == 0 || static_cast<std::int64_t>(png.width) * png.height > options.maxPixels) {
        png_image_free(&png);
        return fail(where, tooLargeReason(png.width, png.height, options.maxPixels));
    }
    // BGRA bytes are ARGB32 words on a little-endian machine.
    static_assert(std::endian::native == std::endian::little);
    png.format = PNG_FORMAT_BGRA;
    PixelBuffer buffer;
    buffer.width = static_cast<int>(png.width);
    buffer.height = static_cast<int>(png.height);
    buffer.pixels.reserve(static_cast<size_t>(png.width) * png.height);
    preferHugePages(buffer.pixels.data(), buffer.pixels.capacity() * sizeof(std::uint32_t));
    buffer.pixels.resize(static_cast<size_t>(png.width) * png.height);
    if (!png_image_finish_read(&png, nullptr, buffer.pixels.data(), 0, nullptr)) {
        const std::string reason = png.message;
        png_image_free(&png);
        return fail(where, "damaged PNG (" + reason + ")");
    }
    bool opaque = true;
    for (auto& pixel : buffer.pixels) {
        const std::uint32_t a = pixel >> 24;
        if (a == 255)
            continue;
        opaque = false;
        if (a == 0) { // most of a logo's square, usually
            pixel = 0;
            continue;
        }
        pixel = premultiply({ static_cast<std::uint8_t>((pixel >> 16) & 255), static_cast<std::uint8_t>((pixel >> 8) & 255), static_cast<std::uint8_t>(pixel & 255), static_cast<std::uint8_t>(a) });
    }
    buffer.opaque = opaque;
    return Image::fromBuffer(std::move(buffer), options.scale);
}

namespace {

// The encoder writes the PNG itself so that the expensive parts, filtering and deflating, run on
// several threads: the picture is cut into bands of rows, each band is filtered and deflated on
// its own (primed with the 32 KB before it, so the ratio barely suffers), and the bands' deflate
// streams are joined into the one zlib stream of the IDAT chunks, as pigz joins its blocks.

constexpr int kMaxThreads = 8;
constexpr std::size_t kDictionaryBytes = 32768;
constexpr std::size_t kIdatChunkBytes = 1 << 20;

void appendWord(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendChunk(std::vector<std::uint8_t>& out, const char type[4], const std::uint8_t* data, std::size_t length)
{
    appendWord(out, static_cast<std::uint32_t>(length));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (length)
        out.insert(out.end(), data, data + length);
    appendWord(out, static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(length + 4))));
}

// One row, unpremultiplied and filtered: the filter byte, then the filtered bytes. The filter is
// SUB or UP, whichever leaves the smaller sum of magnitudes (libpng's heuristic).
void filterRow(const std::uint32_t* pixels, bool above, int width, int channels, std::uint8_t* raw, std::uint8_t* previousRaw, std::uint8_t* out)
{
    const std::size_t bytes = static_cast<std::size_t>(width) * channels;
    for (int x = 0; x < width; ++x) {
        const Rgba8 p = unpremultiply(pixels[x]);
        std::uint8_t* target = raw + static_cast<std::size_t>(x) * channels;
        target[0] = p.r;
        target[1] = p.g;
        target[2] = p.b;
        if (channels == 4)
            target[3] = p.a;
    }
    std::uint64_t subSum = 0, upSum = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        const std::uint8_t left = i >= static_cast<std::size_t>(channels) ? raw[i - channels] : 0;
        const std::uint8_t sub = static_cast<std::uint8_t>(raw[i] - left);
        const std::uint8_t up = static_cast<std::uint8_t>(raw[i] - (above ? previousRaw[i] : 0));
        subSum += sub < 128 ? sub : 256 - sub;
        upSum += up < 128 ? up : 256 - up;
    }
    if (above && upSum < subSum) {
        out[0] = 2;
        for (std::size_t i = 0; i < bytes; ++i)
            out[1 + i] = static_cast<std::uint8_t>(raw[i] - previousRaw[i]);
    } else {
        out[0] = 1;
        for (std::size_t i = 0; i < bytes; ++i)
            out[1 + i] = static_cast<std::uint8_t>(raw[i] - (i >= static_cast<std::size_t>(channels) ? raw[i - channels] : 0));
    }
}

struct Band {
    int firstRow { 0 };
    int rows { 0 };
    std::vector<std::uint8_t> deflated;
    std::uint32_t adler { 1 };
    bool ok { true };
};

template<typename Work>
void inParallel(std::size_t count, int threads, Work work)
{
    std::atomic<std::size_t> next { 0 };
    auto run = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < std::min<int>(threads, static_cast<int>(count)); ++t)
        helpers.emplace_back(run);
    run();
    for (auto& helper : helpers)
        helper.join();
}

// Filters rows [first, first + count) into out, given the raw bytes of the row above first in
// previous (when first > 0); leaves the last row's raw bytes in previous.
class RowFilter {
public:
    RowFilter(const std::vector<std::uint32_t>& pixels, int width, int channels)
        : m_pixels(pixels)
        , m_width(width)
        , m_channels(channels)
        , m_rowBytes(static_cast<std::size_t>(width) * channels + 1)
        , m_raw(m_rowBytes)
        , m_previous(m_rowBytes)
    {
    }
    std::size_t rowBytes() const { return m_rowBytes; }
    void start(int row)
    {
        if (row == 0)
            return;
        const std::uint32_t* pixels = m_pixels.data() + static_cast<std::size_t>(row - 1) * m_width;
        for (int x = 0; x < m_width; ++x) {
            const Rgba8 p = unpremultiply(pixels[x]);
            std::uint8_t* target = m_previous.data() + static_cast<std::size_t>(x) * m_channels;
            target[0] = p.r;
            target[1] = p.g;
            target[2] = p.b;
            if (m_channels == 4)
                target[3] = p.a;
        }
    }
    void filter(int first, int count, std::uint8_t* out)
    {
        for (int r = 0; r < count; ++r) {
            const int y = first + r;
            filterRow(m_pixels.data() + static_cast<std::size_t>(y) * m_width, y > 0, m_width, m_channels, m_raw.data(), m_previous.data(), out + m_rowBytes * r);
            std::swap(m_raw, m_previous);
        }
    }

private:
    const std::vector<std::uint32_t>& m_pixels;
    int m_width;
    int m_channels;
    std::size_t m_rowBytes;
    std::vector<std::uint8_t> m_raw;
    std::vector<std::uint8_t> m_previous;
};

}

Result<std::vector<std::uint8_t>> encodePng(const Image& image, const PngEncodeOptions& options)
{
    if (image.isEmpty())
        return fail("PNG encoding", "the picture is empty");
    const int width = image.pixelWidth();
    const int height = image.pixelHeight();
    const int channels = image.isOpaque() ? 3 : 4;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels + 1;
    const auto& pixels = image.buffer()->pixels;

    const std::size_t totalBytes = rowBytes * height;
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = totalBytes < (1u << 20) ? 1 : std::min(kMaxThreads, hardware);
    // A few bands per thread keep the threads evenly busy.
    const int bandCount = std::clamp(threads * 3, 1, std::max(1, height / 64));
    std::vector<Band> bands(static_cast<std::size_t>(bandCount));
    for (int b = 0; b < bandCount; ++b) {
        bands[b].firstRow = static_cast<int>(static_cast<std::int64_t>(height) * b / bandCount);
        bands[b].rows = static_cast<int>(static_cast<std::int64_t>(height) * (b + 1) / bandCount) - bands[b].firstRow;
    }
    // Rows are filtered and deflated a slice at a time, so no copy of the whole picture is made.
    const int sliceRows = static_cast<int>(std::max<std::size_t>(1, (256u << 10) / rowBytes));

    inParallel(bands.size(), threads, [&](std::size_t b) {
        Band& band = bands[b];
        RowFilter filter(pixels, width, channels);
        std::vector<std::uint8_t> slice(rowBytes * static_cast<std::size_t>(std::max(sliceRows, static_cast<int>(kDictionaryBytes / rowBytes) + 1)));
        z_stream stream {};
        if (deflateInit2(&stream, std::clamp(options.compressionLevel, 0, 9), Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            band.ok = false;
            return;
        }
        int row = band.firstRow;
        if (b > 0) {
            // Prime the band with the filtered rows just above it, as one stream would have seen them.
            const int dictionaryRows = std::min(band.firstRow, static_cast<int>((kDictionaryBytes + rowBytes - 1) / rowBytes));
            filter.start(band.firstRow - dictionaryRows);
            filter.filter(band.firstRow - dictionaryRows, dictionaryRows, slice.data());
            const std::size_t bytes = rowBytes * dictionaryRows;
            const std::size_t take = std::min(kDictionaryBytes, bytes);
            deflateSetDictionary(&stream, slice.data() + bytes - take, static_cast<uInt>(take));
        }
        std::uint8_t out[64 << 10];
        band.deflated.reserve(rowBytes * band.rows / 3);
        auto pump = [&](int flush) {
            int result = Z_OK;
            do {
                stream.next_out = out;
                stream.avail_out = sizeof out;
                result = deflate(&stream, flush);
                band.deflated.insert(band.deflated.end(), out, out + (sizeof out - stream.avail_out));
            } while (result == Z_OK && stream.avail_out == 0);
            return result;
        };
        const int end = band.firstRow + band.rows;
        while (row < end && band.ok) {
            const int count = std::min(sliceRows, end - row);
            filter.filter(row, count, slice.data());
            row += count;
            const std::size_t bytes = rowBytes * count;
            band.adler = static_cast<std::uint32_t>(adler32(band.adler, slice.data(), static_cast<uInt>(bytes)));
            stream.next_in = slice.data();
            stream.avail_in = static_cast<uInt>(bytes);
            // Every band but the last ends on a byte boundary without closing the stream, so the
            // bands can be laid one after another.
            const int flush = row < end ? Z_NO_FLUSH : (b + 1 == bands.size() ? Z_FINISH : Z_SYNC_FLUSH);
            const int result = pump(flush);
            band.ok = flush == Z_FINISH ? result == Z_STREAM_END : (result == Z_OK || result == Z_BUF_ERROR);
        }
        deflateEnd(&stream);
    });

    std::size_t compressed = 6;
    for (const Band& band : bands)
        compressed += band.deflated.size();
    std::vector<std::uint8_t> zlib { 0x78, 0x01 };
    zlib.reserve(compressed);
    std::uint32_t adler = 1;
    for (const Band& band : bands) {
        if (!band.ok)
            return fail("PNG encoding", "compression failed");
        zlib.insert(zlib.end(), band.deflated.begin(), band.deflated.end());
        adler = static_cast<std::uint32_t>(adler32_combine(adler, band.adler, static_cast<z_off_t>(rowBytes * band.rows)));
    }
    appendWord(zlib, adler);

    std::vector<std::uint8_t> out { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    out.reserve(zlib.size() + 64 + zlib.size() / kIdatChunkBytes * 12);
    std::vector<std::uint8_t> header;
    appendWord(header, static_cast<std::uint32_t>(width));
    appendWord(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), { 8, static_cast<std::uint8_t>(channels == 4 ? 6 : 2), 0, 0, 0 });
    appendChunk(out, "IHDR", header.data(), header.size());
    for (std::size_t at = 0; at < zlib.size(); at += kIdatChunkBytes)
        appendChunk(out, "IDAT", zlib.data() + at, std::min(kIdatChunkBytes, zlib.size() - at));
    appendChunk(out, "IEND", nullptr, 0);
    return out;
}

}
