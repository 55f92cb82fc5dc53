#include <platform/graphics/ImageCodecs.h>

#include <csetjmp>
#include <cstring>
#include <png.h>

namespace vd {

Result<Image> decodePng(std::span<const std::uint8_t> bytes, const DecodeOptions& options)
{
    const std::string where = options.name.empty() ? std::string("PNG data") : options.name;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return fail(where, std::string("not a readable PNG (") + png.message + ")");
    if (png.width == 0 || png.height == 0 || static_cast<std::int64_t>(png.width) * png.height > options.maxPixels) {
        png_image_free(&png);
        return fail(where, "picture of " + std::to_string(png.width) + "×" + std::to_string(png.height) + " pixels is larger than allowed");
    }
    // BGRA bytes are ARGB32 words on a little-endian machine.
    static_assert(std::endian::native == std::endian::little);
    png.format = PNG_FORMAT_BGRA;
    PixelBuffer buffer;
    buffer.width = static_cast<int>(png.width);
    buffer.height = static_cast<int>(png.height);
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
        pixel = premultiply({ static_cast<std::uint8_t>((pixel >> 16) & 255), static_cast<std::uint8_t>((pixel >> 8) & 255), static_cast<std::uint8_t>(pixel & 255), static_cast<std::uint8_t>(a) });
    }
    buffer.opaque = opaque;
    return Image::fromBuffer(std::move(buffer), options.scale);
}

namespace {

struct PngWriter {
    png_structp png { nullptr };
    png_infop info { nullptr };
    std::vector<std::uint8_t> out;
    std::string error;
    ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

void writeBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
    writer->out.insert(writer->out.end(), data, data + length);
}

void flushNothing(png_structp) { }

void onError(png_structp png, png_const_charp message)
{
    auto* writer = static_cast<PngWriter*>(png_get_error_ptr(png));
    writer->error = message;
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) { }

// Everything that may longjmp lives here, with only plain locals, so no destructor is skipped.
bool writePng(PngWriter& writer, const Image& image, const std::vector<std::uint8_t>& rows, int channels, int level)
{
    if (setjmp(png_jmpbuf(writer.png)))
        return false;
    png_set_write_fn(writer.png, &writer, writeBytes, flushNothing);
    png_set_compression_level(writer.png, level);
    // The SUB and UP filters cost little and catch most of what the adaptive choice does.
    png_set_filter(writer.png, 0, PNG_FILTER_SUB | PNG_FILTER_UP);
    png_set_IHDR(writer.png, writer.info, static_cast<png_uint_32>(image.pixelWidth()), static_cast<png_uint_32>(image.pixelHeight()), 8,
        channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer.png, writer.info);
    const size_t rowBytes = static_cast<size_t>(image.pixelWidth()) * channels;
    for (int y = 0; y < image.pixelHeight(); ++y)
        png_write_row(writer.png, const_cast<png_bytep>(rows.data() + rowBytes * y));
    png_write_end(writer.png, writer.info);
    return true;
}

}

Result<std::vector<std::uint8_t>> encodePng(const Image& image, const PngEncodeOptions& options)
{
    if (image.isEmpty())
        return fail("PNG encoding", "the picture is empty");
    const int channels = image.isOpaque() ? 3 : 4;
    const size_t count = static_cast<size_t>(image.pixelWidth()) * image.pixelHeight();
    std::vector<std::uint8_t> rows(count * channels);
    const auto& pixels = image.buffer()->pixels;
    for (size_t i = 0; i < count; ++i) {
        const Rgba8 p = unpremultiply(pixels[i]);
        std::uint8_t* out = rows.data() + i * channels;
        out[0] = p.r;
        out[1] = p.g;
        out[2] = p.b;
        if (channels == 4)
            out[3] = p.a;
    }
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &writer, onError, onWarning);
    if (!writer.png)
        return fail("PNG encoding", "out of memory");
    writer.info = png_create_info_struct(writer.png);
    if (!writer.info)
        return fail("PNG encoding", "out of memory");
    writer.out.reserve(count);
    if (!writePng(writer, image, rows, channels, options.compressionLevel))
        return fail("PNG encoding", writer.error);
    return std::move(writer.out);
}

}
