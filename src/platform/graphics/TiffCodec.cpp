#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/TiffStreams.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <tiffio.h>

namespace vd {

namespace {

// A TIFF in memory for libtiff's client procedures: read from bytes, or written into a vector.
struct MemoryStream {
    std::span<const std::uint8_t> input;
    std::vector<std::uint8_t>* output { nullptr };
    std::uint64_t position { 0 };

    std::uint64_t size() const { return output ? output->size() : input.size(); }
};

tmsize_t streamRead(thandle_t handle, void* data, tmsize_t count)
{
    auto* stream = static_cast<MemoryStream*>(handle);
    const std::uint64_t size = stream->size();
    if (count <= 0 || stream->position >= size)
        return 0;
    const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), size - stream->position);
    const std::uint8_t* from = stream->output ? stream->output->data() : stream->input.data();
    std::memcpy(data, from + stream->position, n);
    stream->position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t streamWrite(thandle_t handle, void* data, tmsize_t count)
{
    auto* stream = static_cast<MemoryStream*>(handle);
    if (!stream->output || count < 0)
        return -1;
    const std::uint64_t end = stream->position + static_cast<std::uint64_t>(count);
    if (end > stream->output->size())
        stream->output->resize(end);
    std::memcpy(stream->output->data() + stream->position, data, static_cast<std::size_t>(count));
    stream->position = end;
    return count;
}

toff_t streamSeek(thandle_t handle, toff_t offset, int whence)
{
    auto* stream = static_cast<MemoryStream*>(handle);
    std::int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<std::int64_t>(stream->position);
    else if (whence == SEEK_END)
        base = static_cast<std::int64_t>(stream->size());
    const std::int64_t target = base + static_cast<std::int64_t>(offset);
    if (target < 0 || (!stream->output && static_cast<std::uint64_t>(target) > stream->size() + (1u << 30)))
        return static_cast<toff_t>(-1);
    stream->position = static_cast<std::uint64_t>(target);
    return stream->position;
}

int streamClose(thandle_t) { return 0; }
toff_t streamSize(thandle_t handle) { return static_cast<MemoryStream*>(handle)->size(); }
int streamMap(thandle_t, void**, toff_t*) { return 0; }
void streamUnmap(thandle_t, void*, toff_t) { }

// libtiff's complaints about one file, kept instead of printed: the first says what is wrong.
int keepFirstError(TIFF*, void* userData, const char* module, const char* format, va_list arguments)
{
    auto* message = static_cast<std::string*>(userData);
    if (message->empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        *message = text;
        (void)module;
    }
    return 1;
}
int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// Opens with libtiff's first message kept in `error` and no single allocation of libtiff's above
// `maxAllocation` (no cap when 0); `open` makes the handle from the options.
template <typename Open>
TiffHandle openWithOptions(std::string& error, tmsize_t maxAllocation, Open open)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) {
        error = "not enough memory to open it";
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepFirstError, &error);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
    if (maxAllocation > 0)
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, maxAllocation);
    TiffHandle tiff(open(options));
    TIFFOpenOptionsFree(options);
    return tiff;
}

TiffHandle openStream(MemoryStream& stream, const char* mode, std::string& error, tmsize_t maxAllocation)
{
    return openWithOptions(error, maxAllocation, [&](TIFFOpenOptions* options) {
        return TIFFClientOpenExt("memory", mode, &stream, streamRead, streamWrite, streamSeek, streamClose, streamSize, streamMap, streamUnmap, options);
    });
}

// No single allocation of libtiff's beyond what the largest allowed picture needs.
tmsize_t maxAllocation(std::int64_t maxPixels)
{
    return static_cast<tmsize_t>(std::min<std::int64_t>(maxPixels * 8, std::int64_t(1) << 32));
}

}

namespace {

// The picture of the directory libtiff is on, its rows as stored: the Orientation tag is the
// photo's EXIF orientation, applied where every photo is made upright.
Result<Image> readDirectory(TIFF* tiff, const DecodeOptions& options, const std::string& where, const std::string& error)
{
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    if (width == 0 || height == 0 || static_cast<std::int64_t>(width) * height > options.maxPixels)
        return fail(where, tooLargeReason(width, height, options.maxPixels));
    char reason[1024] = "";
    if (!TIFFRGBAImageOK(tiff, reason))
        return fail(where, std::string("a TIFF this program cannot read (") + reason + ")");
    TIFFRGBAImage reader;
    if (!TIFFRGBAImageBegin(&reader, tiff, 0, reason))
        return fail(where, std::string("damaged TIFF (") + (error.empty() ? std::string(reason) : error) + ")");
    reader.req_orientation = reader.orientation;
    PixelBuffer buffer;
    buffer.width = static_cast<int>(width);
    buffer.height = static_cast<int>(height);
    try {
        buffer.pixels.resize(static_cast<std::size_t>(width) * height);
    } catch (const std::bad_alloc&) {
        TIFFRGBAImageEnd(&reader);
        return fail(where, "not enough memory for a picture of " + std::to_string(width) + "×" + std::to_string(height) + " pixels");
    }
    const int got = TIFFRGBAImageGet(&reader, buffer.pixels.data(), width, height);
    TIFFRGBAImageEnd(&reader);
    if (!got)
        return fail(where, "damaged TIFF (" + (error.empty() ? std::string("its pixels cannot be read") : error) + ")");
    // libtiff gives R, G, B, A from the low byte up, alpha already premultiplied; ours is ARGB.
    bool opaque = true;
    for (auto& pixel : buffer.pixels) {
        pixel = (pixel & 0xFF00FF00u) | ((pixel & 0xFFu) << 16) | ((pixel >> 16) & 0xFFu);
        opaque = opaque && (pixel >> 24) == 255;
    }
    buffer.opaque = opaque;
    return Image::fromBuffer(std::move(buffer), options.scale);
}

}

Result<Image> decodeTiff(std::span<const std::uint8_t> bytes, const DecodeOptions& options)
{
    const std::string where = options.name.empty() ? std::string("TIFF data") : options.name;
    MemoryStream stream { bytes };
    std::string error;
    TiffHandle tiff = openStream(stream, "rm", error, maxAllocation(options.maxPixels));
    if (!tiff)
        return fail(where, "damaged TIFF (" + (error.empty() ? std::string("its header cannot be read") : error) + ")");
    auto picture = readDirectory(tiff.get(), options, where, error);
    if (picture && options.notice && TIFFNumberOfDirectories(tiff.get()) > 1) {
        // Reduced images of the same picture are no pages of their own.
        bool pages = false;
        for (tdir_t index = 1; TIFFSetDirectory(tiff.get(), index) && !pages; ++index) {
            std::uint32_t kind = 0;
            pages = !TIFFGetField(tiff.get(), TIFFTAG_SUBFILETYPE, &kind) || !(kind & FILETYPE_REDUCEDIMAGE);
        }
        if (pages)
            *options.notice = "a TIFF of several pages: its first is used";
    }
    return picture;
}

Image decodeTiffReducedImage(std::span<const std::uint8_t> bytes, const std::function<std::pair<int, int>(int, int)>& wanted, const DecodeOptions& options)
{
    MemoryStream stream { bytes };
    std::string error;
    TiffHandle tiff = openStream(stream, "rm", error, maxAllocation(options.maxPixels));
    if (!tiff)
        return {};
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    const auto [needWidth, needHeight] = wanted(static_cast<int>(width), static_cast<int>(height));
    // The reduced images follow the main one in the chain of directories.
    std::optional<tdir_t> best;
    std::int64_t bestArea = 0;
    for (tdir_t index = 1; index < 64 && TIFFSetDirectory(tiff.get(), index); ++index) {
        std::uint32_t kind = 0, w = 0, h = 0;
        if (!TIFFGetField(tiff.get(), TIFFTAG_SUBFILETYPE, &kind) || !(kind & FILETYPE_REDUCEDIMAGE))
            continue;
        TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &h);
        const std::int64_t area = static_cast<std::int64_t>(w) * h;
        if (static_cast<std::int64_t>(w) >= needWidth && static_cast<std::int64_t>(h) >= needHeight && w < width && (!best || area < bestArea))
            best = index, bestArea = area;
    }
    if (!best || !TIFFSetDirectory(tiff.get(), *best))
        return {};
    auto picture = readDirectory(tiff.get(), options, options.name + " (reduced image)", error);
    return picture ? *picture : Image {};
}

Result<std::vector<std::uint8_t>> encodeTiff(const Image& image, const TiffEncodeOptions& options, const MetadataBlocks& metadata)
{
    const PixelBuffer* source = image.buffer();
    if (!source || source->width <= 0 || source->height <= 0)
        return fail("TIFF encoding", "the picture is empty");
    if (options.bitsPerSample != 8 && options.bitsPerSample != 16)
        return fail("TIFF encoding", "8 or 16 bits a sample only");
    std::vector<std::uint8_t> out;
    MemoryStream stream { {}, &out };
    std::string error;
    TiffHandle tiff = openStream(stream, "w", error, 0);
    if (!tiff)
        return fail("TIFF encoding", error.empty() ? std::string("the library cannot start a file") : error);
    TIFF* t = tiff.get();
    const PixelBuffer* pages[2] = { source, options.reducedImage ? options.reducedImage->buffer() : nullptr };
    for (int page = 0; page < 2 && pages[page]; ++page) {
        source = pages[page];
        if (page == 1)
            TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        const bool alpha = !source->opaque;
        const int channels = alpha ? 4 : 3;
        const int bits = options.bitsPerSample;
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(source->width));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(source->height));
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(channels));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bits));
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(std::clamp(options.orientation, 1, 8)));
        if (alpha) {
            const std::uint16_t extra[] = { EXTRASAMPLE_UNASSALPHA };
            TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        if (!metadata.icc.empty() && page == 0)
            TIFFSetField(t, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(metadata.icc.size()), metadata.icc.data());
        if (!metadata.xmp.empty() && page == 0)
            TIFFSetField(t, TIFFTAG_XMLPACKET, static_cast<std::uint32_t>(metadata.xmp.size()), metadata.xmp.data());

        const std::size_t rowBytes = static_cast<std::size_t>(source->width) * channels * (bits / 8);
        auto fillRow = [&](int y, int x0, int count, std::uint8_t* row) {
            const std::uint32_t* pixels = source->pixels.data() + static_cast<std::size_t>(y) * source->width + x0;
            for (int x = 0; x < count; ++x) {
                const Rgba8 p = unpremultiply(pixels[x]);
                const std::uint8_t values[4] = { p.r, p.g, p.b, p.a };
                for (int c = 0; c < channels; ++c) {
                    if (bits == 8) {
                        row[x * channels + c] = values[c];
                    } else {
                        const std::uint16_t wide = static_cast<std::uint16_t>(values[c] * 257);
                        std::memcpy(row + (static_cast<std::size_t>(x) * channels + c) * 2, &wide, 2);
                    }
                }
            }
        };
        if (options.tiled) {
            constexpr std::uint32_t kTile = 64;
            TIFFSetField(t, TIFFTAG_TILEWIDTH, kTile);
            TIFFSetField(t, TIFFTAG_TILELENGTH, kTile);
            const std::size_t tileRowBytes = kTile * channels * (bits / 8);
            std::vector<std::uint8_t> tile(tileRowBytes * kTile);
            for (std::uint32_t ty = 0; ty < static_cast<std::uint32_t>(source->height); ty += kTile)
                for (std::uint32_t tx = 0; tx < static_cast<std::uint32_t>(source->width); tx += kTile) {
                    std::fill(tile.begin(), tile.end(), 0);
                    const int columns = static_cast<int>(std::min<std::uint32_t>(kTile, source->width - tx));
                    for (std::uint32_t r = 0; r < kTile && ty + r < static_cast<std::uint32_t>(source->height); ++r)
                        fillRow(static_cast<int>(ty + r), static_cast<int>(tx), columns, tile.data() + tileRowBytes * r);
                    if (TIFFWriteTile(t, tile.data(), tx, ty, 0, 0) < 0)
                        return fail("TIFF encoding", error.empty() ? std::string("a tile cannot be written") : error);
                }
        } else {
            TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
            std::vector<std::uint8_t> row(rowBytes);
            for (int y = 0; y < source->height; ++y) {
                fillRow(y, 0, source->width, row.data());
                if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0)
                    return fail("TIFF encoding", error.empty() ? std::string("a row cannot be written") : error);
            }
        }
        if (!TIFFWriteDirectory(t))
            return fail("TIFF encoding", error.empty() ? std::string("the directory cannot be written") : error);
    }
    tiff.reset();
    if (!error.empty())
        return fail("TIFF encoding", error);
    return out;
}

struct TiffReader::State {
    std::string error; // before the handle, whose handlers write into it
    TiffHandle tiff;
    TIFFRGBAImage image {};
    bool begun { false };
    int bandRows { 0 };
    std::vector<std::uint32_t> band; // RGBA from the low byte up, premultiplied, as libtiff gives it
    int bandTop { 0 };  // the first row the band holds
    int bandCount { 0 };
    int nextRow { 0 };

    ~State()
    {
        if (begun)
            TIFFRGBAImageEnd(&image);
    }
};

TiffReader::TiffReader(std::unique_ptr<State> state, std::string name)
    : m_state(std::move(state))
    , m_name(std::move(name))
{
}

TiffReader::~TiffReader() = default;

Result<std::unique_ptr<TiffReader>> TiffReader::open(const std::filesystem::path& path, std::int64_t maxPixels)
{
    const std::string name = path.string();
    auto state = std::make_unique<State>();
    // "m": read, never map the file, so a large one is not counted against the program's memory.
    state->tiff = openWithOptions(state->error, maxAllocation(maxPixels), [&](TIFFOpenOptions* options) {
        return TIFFOpenExt(path.c_str(), "rm", options);
    });
    if (!state->tiff)
        return fail(name, "damaged TIFF (" + (state->error.empty() ? std::string("its header cannot be read") : state->error) + ")");
    TIFF* tiff = state->tiff.get();
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    if (width == 0 || height == 0 || static_cast<std::int64_t>(width) * height > maxPixels)
        return fail(name, tooLargeReason(width, height, maxPixels));
    char reason[1024] = "";
    if (!TIFFRGBAImageOK(tiff, reason))
        return fail(name, std::string("a TIFF this program cannot read (") + reason + ")");
    // Stopping at the first strip or tile that does not decode: a stamped copy with a hole in it
    // must not pass for a good one.
    if (!TIFFRGBAImageBegin(&state->image, tiff, 1, reason))
        return fail(name, std::string("damaged TIFF (") + (state->error.empty() ? std::string(reason) : state->error) + ")");
    state->begun = true;
    state->image.req_orientation = state->image.orientation; // rows as stored
    // A band is what libtiff decodes at once: a strip, or a row of tiles.
    std::uint32_t bandRows = 0;
    if (TIFFIsTiled(tiff))
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &bandRows);
    else
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &bandRows);
    state->bandRows = static_cast<int>(std::clamp<std::uint32_t>(bandRows, 1, height));
    try {
        state->band.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(state->bandRows));
    } catch (const std::bad_alloc&) {
        return fail(name, "not enough memory for a band of " + std::to_string(state->bandRows) + " rows");
    }
    std::unique_ptr<TiffReader> reader(new TiffReader(std::move(state), name));
    reader->m_width = static_cast<int>(width);
    reader->m_height = static_cast<int>(height);
    return reader;
}

Result<int> TiffReader::readRows(std::uint8_t* rows, std::size_t stride, int count)
{
    State& s = *m_state;
    int done = 0;
    while (done < count && s.nextRow < m_height) {
        if (s.nextRow >= s.bandTop + s.bandCount) {
            s.bandTop = s.nextRow;
            s.bandCount = std::min(s.bandRows, m_height - s.bandTop);
            s.image.row_offset = s.bandTop;
            s.image.col_offset = 0;
            if (!TIFFRGBAImageGet(&s.image, s.band.data(), static_cast<std::uint32_t>(m_width), static_cast<std::uint32_t>(s.bandCount)))
                return fail(m_name, "damaged TIFF (" + (s.error.empty() ? std::string("its pixels cannot be read") : s.error) + ")");
        }
        const std::uint32_t* from = s.band.data() + static_cast<std::size_t>(s.nextRow - s.bandTop) * m_width;
        std::uint8_t* to = rows + stride * static_cast<std::size_t>(done);
        for (int x = 0; x < m_width; ++x) {
            const std::uint32_t pixel = from[x];
            const std::uint32_t keep = 255 - (pixel >> 24);
            m_sawTransparency |= keep != 0;
            for (int c = 0; c < 3; ++c)
                to[x * 3 + c] = static_cast<std::uint8_t>(((pixel >> (8 * c)) & 0xFF) + (((m_background >> (16 - 8 * c)) & 0xFF) * keep + 127) / 255);
        }
        ++s.nextRow;
        ++done;
    }
    return done;
}

Result<void> TiffReader::finish()
{
    if (m_state->nextRow < m_height)
        return fail(m_name, "damaged TIFF (it ends before its last row)");
    return {};
}

}
