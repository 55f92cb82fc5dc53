#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/JpegStreams.h>

#include <platform/graphics/JpegErrorBridge.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vd {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}

struct JpegReader::State {
    jpeg::ErrorBridge error;
    jpeg_decompress_struct cinfo {};
    bool created { false };
    std::unique_ptr<std::FILE, FileCloser> file;

    ~State()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

JpegReader::JpegReader(std::unique_ptr<State> state, std::string name)
    : m_state(std::move(state))
    , m_name(std::move(name))
{
}

JpegReader::~JpegReader() = default;

Result<std::unique_ptr<JpegReader>> JpegReader::open(const std::filesystem::path& path, const Options& options)
{
    auto state = std::make_unique<State>();
    state->file.reset(std::fopen(path.c_str(), "rbe"));
    if (!state->file)
        return fail(path.string(), std::strerror(errno));
    jpeg::install(state->error, reinterpret_cast<j_common_ptr>(&state->cinfo));
    jpeg_create_decompress(&state->cinfo);
    state->created = true;
    if (!jpeg::guarded(state->error, [&] { jpeg::readFrom(&state->cinfo, state->file.get()); }))
        return fail(path.string(), state->error.describe("cannot read the JPEG"));
    std::unique_ptr<JpegReader> reader(new JpegReader(std::move(state), path.string()));
    if (auto started = reader->start(options); !started)
        return std::unexpected(started.error());
    return reader;
}

Result<std::unique_ptr<JpegReader>> JpegReader::fromBytes(std::span<const std::uint8_t> bytes, const std::string& name, const Options& options)
{
    auto state = std::make_unique<State>();
    jpeg::install(state->error, reinterpret_cast<j_common_ptr>(&state->cinfo));
    jpeg_create_decompress(&state->cinfo);
    state->created = true;
    // An empty buffer is a fatal error of the source itself, before any header is read.
    if (!jpeg::guarded(state->error, [&] { jpeg_mem_src(&state->cinfo, bytes.data(), static_cast<unsigned long>(bytes.size())); }))
        return fail(name, state->error.describe("not a readable JPEG"));
    std::unique_ptr<JpegReader> reader(new JpegReader(std::move(state), name));
    if (auto started = reader->start(options); !started)
        return std::unexpected(started.error());
    return reader;
}

Result<void> JpegReader::start(const Options& options)
{
    jpeg_decompress_struct& cinfo = m_state->cinfo;
    jpeg::ErrorBridge& error = m_state->error;
    if (!jpeg::guarded(error, [&] { jpeg_read_header(&cinfo, TRUE); }))
        return fail(m_name, error.describe("not a readable JPEG"));
    m_sourceWidth = static_cast<int>(cinfo.image_width);
    m_sourceHeight = static_cast<int>(cinfo.image_height);
    if (m_sourceWidth <= 0 || m_sourceHeight <= 0 || static_cast<std::int64_t>(m_sourceWidth) * m_sourceHeight > options.maxPixels)
        return fail(m_name, tooLargeReason(m_sourceWidth, m_sourceHeight, options.maxPixels));
    m_cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = m_cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.scale_num = 1;
    const int denominator = options.chooseScaleDenominator ? options.chooseScaleDenominator(m_sourceWidth, m_sourceHeight) : options.scaleDenominator;
    cinfo.scale_denom = static_cast<unsigned>(denominator == 2 || denominator == 4 || denominator == 8 ? denominator : 1);
    const bool fastDct = options.fastDct && cinfo.scale_denom > 1;
    cinfo.dct_method = fastDct ? JDCT_IFAST : JDCT_ISLOW;
    if (fastDct)
        cinfo.do_fancy_upsampling = FALSE;
    if (!jpeg::guarded(error, [&] { jpeg_start_decompress(&cinfo); }))
        return fail(m_name, error.describe("damaged JPEG"));
    if (m_cmyk)
        m_cmykRow.resize(static_cast<size_t>(cinfo.output_width) * 4);
    return {};
}

int JpegReader::width() const { return static_cast<int>(m_state->cinfo.output_width); }
int JpegReader::height() const { return static_cast<int>(m_state->cinfo.output_height); }
int JpegReader::rowsRead() const { return static_cast<int>(m_state->cinfo.output_scanline); }

Result<int> JpegReader::readRows(std::uint8_t* rows, std::size_t stride, int count)
{
    jpeg_decompress_struct& cinfo = m_state->cinfo;
    jpeg::ErrorBridge& error = m_state->error;
    int done = 0;
    while (done < count && cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW pointers[8];
        int batch = 0;
        std::uint8_t* target = rows + stride * static_cast<size_t>(done);
        if (m_cmyk) {
            pointers[0] = m_cmykRow.data();
            batch = 1;
        } else {
            batch = std::min(count - done, 8);
            for (int i = 0; i < batch; ++i)
                pointers[i] = target + stride * static_cast<size_t>(i);
        }
        JDIMENSION got = 0;
        if (!jpeg::guarded(error, [&] { got = jpeg_read_scanlines(&cinfo, pointers, static_cast<JDIMENSION>(batch)); }))
            return fail(m_name, error.describe("damaged JPEG"));
        if (error.truncated)
            return fail(m_name, "the JPEG data ends early (truncated file)");
        if (got == 0)
            return fail(m_name, "the JPEG data ends early");
        if (m_cmyk) {
            // Adobe writes CMYK inverted; without a colour engine this is the usual approximation.
            const bool inverted = cinfo.saw_Adobe_marker;
            const std::uint8_t* in = m_cmykRow.data();
            for (JDIMENSION x = 0; x < cinfo.output_width; ++x, in += 4) {
                int c = in[0], m = in[1], y = in[2], k = in[3];
                if (!inverted) {
                    c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
                }
                target[x * 3 + 0] = static_cast<std::uint8_t>((c * k + 127) / 255);
                target[x * 3 + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
                target[x * 3 + 2] = static_cast<std::uint8_t>((y * k + 127) / 255);
            }
        }
        done += static_cast<int>(got);
    }
    return done;
}

Result<void> JpegReader::finish()
{
    jpeg_decompress_struct& cinfo = m_state->cinfo;
    jpeg::ErrorBridge& error = m_state->error;
    if (cinfo.output_scanline < cinfo.output_height) {
        jpeg_abort_decompress(&cinfo);
        return {};
    }
    if (!jpeg::guarded(error, [&] { jpeg_finish_decompress(&cinfo); }))
        return fail(m_name, error.describe("damaged JPEG"));
    if (error.truncated)
        return fail(m_name, "the JPEG data ends early (truncated file)");
    return {};
}

struct JpegWriter::State {
    jpeg::ErrorBridge error;
    jpeg_compress_struct cinfo {};
    bool created { false };
    std::FILE* file { nullptr };

    // The library's message, and the system's reason when writing the file failed (a full disk,
    // a file-size limit, a folder gone read-only).
    std::string failure(int savedErrno) const
    {
        std::string text = error.message;
        if (file && std::ferror(file) && savedErrno != 0)
            text += std::string(": ") + std::strerror(savedErrno);
        return text;
    }

    ~State()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
    }
};

JpegWriter::JpegWriter(std::unique_ptr<State> state, std::string name)
    : m_state(std::move(state))
    , m_name(std::move(name))
{
}

JpegWriter::~JpegWriter() = default;

Result<std::unique_ptr<JpegWriter>> JpegWriter::start(std::FILE* file, int width, int height, const Options& options, const std::string& name)
{
    if (width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        return fail(name, "a JPEG cannot be " + std::to_string(width) + "×" + std::to_string(height) + " pixels");
    auto state = std::make_unique<State>();
    jpeg_compress_struct& cinfo = state->cinfo;
    jpeg::ErrorBridge& error = state->error;
    jpeg::install(error, reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_create_compress(&cinfo);
    state->created = true;
    state->file = file;
    errno = 0;
    const bool ok = jpeg::guarded(error, [&] {
        jpeg::writeTo(&cinfo, file);
        cinfo.image_width = static_cast<JDIMENSION>(width);
        cinfo.image_height = static_cast<JDIMENSION>(height);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, options.quality, TRUE);
        cinfo.dct_method = JDCT_ISLOW;
        // Huffman optimisation would need every coefficient of the picture in memory at once.
        cinfo.optimize_coding = FALSE;
        cinfo.comp_info[0].h_samp_factor = options.subsample420 || options.subsample422 ? 2 : 1;
        cinfo.comp_info[0].v_samp_factor = options.subsample420 ? 2 : 1;
        for (int c = 1; c < 3; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
        // EXIF must be the first segment; a JFIF marker before it confuses some readers.
        const bool hasExif = !options.segments.empty() && options.segments.front().first == 0xE1;
        cinfo.write_JFIF_header = hasExif ? FALSE : TRUE;
        jpeg_start_compress(&cinfo, TRUE);
        for (const auto& [marker, bytes] : options.segments)
            jpeg_write_marker(&cinfo, marker, bytes.data(), static_cast<unsigned>(bytes.size()));
        if (!options.iccProfile.empty())
            jpeg_write_icc_profile(&cinfo, options.iccProfile.data(), static_cast<unsigned>(options.iccProfile.size()));
    });
    if (!ok)
        return fail(name, std::string("cannot start writing the JPEG (") + state->failure(errno) + ")");
    return std::unique_ptr<JpegWriter>(new JpegWriter(std::move(state), name));
}

Result<void> JpegWriter::writeRows(const std::uint8_t* rows, std::size_t stride, int count)
{
    jpeg_compress_struct& cinfo = m_state->cinfo;
    jpeg::ErrorBridge& error = m_state->error;
    int done = 0;
    while (done < count) {
        JSAMPROW pointers[16];
        const int batch = std::min(count - done, 16);
        for (int i = 0; i < batch; ++i)
            pointers[i] = const_cast<std::uint8_t*>(rows + stride * static_cast<size_t>(done + i));
        JDIMENSION written = 0;
        errno = 0;
        if (!jpeg::guarded(error, [&] { written = jpeg_write_scanlines(&cinfo, pointers, static_cast<JDIMENSION>(batch)); }))
            return fail(m_name, std::string("cannot write the JPEG (") + m_state->failure(errno) + ")");
        if (written == 0)
            return fail(m_name, "the JPEG writer took no rows");
        done += static_cast<int>(written);
    }
    return {};
}

Result<void> JpegWriter::finish()
{
    jpeg_compress_struct& cinfo = m_state->cinfo;
    jpeg::ErrorBridge& error = m_state->error;
    errno = 0;
    if (!jpeg::guarded(error, [&] { jpeg_finish_compress(&cinfo); }))
        return fail(m_name, std::string("cannot finish the JPEG (") + m_state->failure(errno) + ")");
    return {};
}

}
