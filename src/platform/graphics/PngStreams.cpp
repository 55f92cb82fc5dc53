#include <platform/graphics/ImageCodecs.h>
#include <platform/graphics/PngStreams.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

namespace vd {

namespace {

struct Bridge {
    std::string message;
};

extern "C" void onPngError(png_structp png, png_const_charp message)
{
    static_cast<Bridge*>(png_get_error_ptr(png))->message = message ? message : "unknown error";
    png_longjmp(png, 1);
}

extern "C" void onPngWarning(png_structp, png_const_charp) { }

// libpng reports a fatal error by jumping back here; only C frames and this lambda lie between,
// and none of them owns anything with a destructor.
template<typename F>
bool guarded(png_structp png, F&& call)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    call();
    return true;
}

}

struct PngReader::State {
    Bridge bridge;
    std::FILE* file { nullptr };
    png_structp png { nullptr };
    png_infop info { nullptr };
    std::vector<std::uint8_t> row; // RGBA
    int rowsRead { 0 };

    ~State()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (file)
            std::fclose(file);
    }
};

PngReader::PngReader(std::unique_ptr<State> state, std::string name)
    : m_state(std::move(state))
    , m_name(std::move(name))
{
}

PngReader::~PngReader() = default;

Result<std::unique_ptr<PngReader>> PngReader::open(const std::filesystem::path& path, std::int64_t maxPixels)
{
    const std::string name = path.string();
    auto state = std::make_unique<State>();
    state->file = std::fopen(path.c_str(), "rbe");
    if (!state->file)
        return fail(name, std::strerror(errno));
    png_byte signature[8] {};
    if (std::fread(signature, 1, 8, state->file) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return fail(name, "not a readable PNG (not a PNG file)");
    state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state->bridge, onPngError, onPngWarning);
    if (!state->png)
        return fail(name, "not enough memory to read the PNG");
    state->info = png_create_info_struct(state->png);
    if (!state->info)
        return fail(name, "not enough memory to read the PNG");
    png_structp png = state->png;
    png_infop info = state->info;
    // A damaged chunk may claim gigabytes; no chunk libpng holds whole is that large.
    png_set_chunk_malloc_max(png, 64u << 20);
    png_uint_32 width = 0, height = 0;
    int depth = 0, type = 0, interlace = 0;
    if (!guarded(png, [&] {
            png_init_io(png, state->file);
            png_set_sig_bytes(png, 8);
            png_read_info(png, info);
            png_get_IHDR(png, info, &width, &height, &depth, &type, &interlace, nullptr, nullptr);
        }))
        return fail(name, "not a readable PNG (" + state->bridge.message + ")");
    if (width == 0 || height == 0 || static_cast<std::int64_t>(width) * height > maxPixels)
        return fail(name, tooLargeReason(width, height, maxPixels));

    // decodePng lets libpng turn 16-bit samples and other gammas into sRGB in ways rows alone
    // would not reproduce; such pictures are decoded whole, as before.
    double gamma = 0;
    const bool sRgb = png_get_valid(png, info, PNG_INFO_sRGB) != 0;
    const bool otherGamma = !sRgb && png_get_gAMA(png, info, &gamma) != 0 && (gamma < 0.44 || gamma > 0.47);
    if (interlace != PNG_INTERLACE_NONE || depth > 8 || otherGamma)
        return std::unique_ptr<PngReader>();

    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (!guarded(png, [&] {
            if (type == PNG_COLOR_TYPE_PALETTE)
                png_set_palette_to_rgb(png);
            if ((type & PNG_COLOR_MASK_COLOR) == 0 && depth < 8)
                png_set_expand_gray_1_2_4_to_8(png);
            if (transparency)
                png_set_tRNS_to_alpha(png);
            if ((type & PNG_COLOR_MASK_COLOR) == 0)
                png_set_gray_to_rgb(png);
            if ((type & PNG_COLOR_MASK_ALPHA) == 0 && !transparency)
                png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
            png_read_update_info(png, info);
        }))
        return fail(name, "not a readable PNG (" + state->bridge.message + ")");
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4)
        return std::unique_ptr<PngReader>();
    state->row.resize(static_cast<std::size_t>(width) * 4);

    std::unique_ptr<PngReader> reader(new PngReader(std::move(state), name));
    reader->m_width = static_cast<int>(width);
    reader->m_height = static_cast<int>(height);
    return reader;
}

Result<int> PngReader::readRows(std::uint8_t* rows, std::size_t stride, int count)
{
    State& s = *m_state;
    int done = 0;
    for (; done < count && s.rowsRead < m_height; ++done, ++s.rowsRead) {
        if (!guarded(s.png, [&] { png_read_row(s.png, s.row.data(), nullptr); }))
            return fail(m_name, "damaged PNG (" + s.bridge.message + ")");
        const std::uint8_t* in = s.row.data();
        std::uint8_t* out = rows + stride * static_cast<std::size_t>(done);
        const unsigned background[3] = { (m_background >> 16) & 0xFF, (m_background >> 8) & 0xFF, m_background & 0xFF };
        for (int x = 0; x < m_width; ++x, in += 4, out += 3) {
            // Rounded as premultiply() rounds.
            const unsigned alpha = in[3];
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>((in[c] * alpha + 127) / 255 + (background[c] * (255 - alpha) + 127) / 255);
            m_sawTransparency |= alpha != 255;
        }
    }
    return done;
}

Result<void> PngReader::finish()
{
    State& s = *m_state;
    if (s.rowsRead < m_height)
        return {};
    if (!guarded(s.png, [&] { png_read_end(s.png, nullptr); }))
        return fail(m_name, "damaged PNG (" + s.bridge.message + ")");
    return {};
}

}
