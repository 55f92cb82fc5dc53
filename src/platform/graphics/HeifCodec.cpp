#include <platform/graphics/ImageCodecs.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include <libheif/heif.h>

namespace vd {

namespace {

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(const heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(const heif_image* image) const { heif_image_release(image); }
};
struct EncoderDeleter {
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct DecodingOptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct EncodingOptionsDeleter {
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};

std::string reasonOf(const heif_error& error)
{
    return error.message && *error.message ? std::string(error.message) : std::string("code ") + std::to_string(error.code);
}

heif_error appendToVector(heif_context*, const void* data, size_t size, void* userData)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(userData);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
    return { heif_error_Ok, heif_suberror_Unspecified, "" };
}

}

namespace {

// The picture of one image of the file (the primary or a thumbnail), its transformations applied.
Result<Image> decodeHandle(heif_context* context, const heif_image_handle* handle, const DecodeOptions& options, const std::string& where)
{
    // The stored size bounds what is decoded; a crop only makes the picture smaller.
    const int storedWidth = std::max(heif_image_handle_get_ispe_width(handle), heif_image_handle_get_width(handle));
    const int storedHeight = std::max(heif_image_handle_get_ispe_height(handle), heif_image_handle_get_height(handle));
    if (storedWidth <= 0 || storedHeight <= 0 || static_cast<std::int64_t>(storedWidth) * storedHeight > options.maxPixels)
        return fail(where, tooLargeReason(storedWidth, storedHeight, options.maxPixels));
    // A picture composed of others (an overlay) names its canvas apart from its stored size, and
    // libheif allocates that canvas before reading a single tile: a damaged one may claim gigabytes.
    // Every picture libheif makes on the way is held to the stored longer side, with room for what
    // codecs store beyond the visible picture: whole coding blocks (up to 128 pixels), and a small
    // picture's tiles may be larger than the picture itself.
    heif_context_set_maximum_image_size_limit(context, std::max(std::max(storedWidth, storedHeight) + 256, 1024));
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle) != 0;

    std::unique_ptr<heif_decoding_options, DecodingOptionsDeleter> decoding(heif_decoding_options_alloc());
    decoding->ignore_transformations = 0; // rotation, mirror and crop are applied
    heif_image* rawImage = nullptr;
    heif_error error = heif_decode_image(handle, &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, decoding.get());
    std::unique_ptr<const heif_image, ImageDeleter> picture(rawImage);
    if (error.code != heif_error_Ok || !picture)
        return fail(where, "damaged HEIF (" + reasonOf(error) + ")");
    const int width = heif_image_get_width(picture.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(picture.get(), heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(picture.get(), heif_channel_interleaved, &stride);
    if (!plane || width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > options.maxPixels || stride < width * 4)
        return fail(where, "damaged HEIF (its picture cannot be decoded)");

    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.pixels.resize(static_cast<std::size_t>(width) * height);
    bool opaque = true;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = plane + static_cast<std::size_t>(stride) * y;
        std::uint32_t* out = buffer.pixels.data() + static_cast<std::size_t>(width) * y;
        for (int x = 0; x < width; ++x, row += 4) {
            const std::uint8_t a = alpha ? row[3] : 255;
            if (a == 255) {
                out[x] = 0xFF000000u | (std::uint32_t(row[0]) << 16) | (std::uint32_t(row[1]) << 8) | row[2];
                continue;
            }
            opaque = false;
            if (premultiplied)
                out[x] = (std::uint32_t(a) << 24) | (std::uint32_t(std::min(row[0], a)) << 16) | (std::uint32_t(std::min(row[1], a)) << 8) | std::min(row[2], a);
            else
                out[x] = a == 0 ? 0 : premultiply({ row[0], row[1], row[2], a });
        }
    }
    buffer.opaque = opaque;
    return Image::fromBuffer(std::move(buffer), options.scale);
}

}

Result<Image> decodeHeif(std::span<const std::uint8_t> bytes, const DecodeOptions& options)
{
    const std::string where = options.name.empty() ? std::string("HEIF data") : options.name;
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context)
        return fail(where, "the HEIF library cannot be set up");
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr);
    if (error.code != heif_error_Ok)
        return fail(where, "damaged HEIF (" + reasonOf(error) + ")");
    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    std::unique_ptr<const heif_image_handle, HandleDeleter> handle(rawHandle);
    if (error.code != heif_error_Ok || !handle)
        return fail(where, "damaged HEIF (" + reasonOf(error) + ")");
    return decodeHandle(context.get(), handle.get(), options, where);
}

Image decodeHeifThumbnail(std::span<const std::uint8_t> bytes, const std::function<std::pair<int, int>(int, int)>& wanted, const DecodeOptions& options)
{
    const std::string where = options.name.empty() ? std::string("HEIF data") : options.name;
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context || heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr).code != heif_error_Ok)
        return {};
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok || !rawHandle)
        return {};
    std::unique_ptr<const heif_image_handle, HandleDeleter> primary(rawHandle);
    const auto [needWidth, needHeight] = wanted(heif_image_handle_get_width(primary.get()), heif_image_handle_get_height(primary.get()));
    const int count = heif_image_handle_get_number_of_thumbnails(primary.get());
    if (count <= 0)
        return {};
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), ids.data(), count);
    std::unique_ptr<const heif_image_handle, HandleDeleter> best;
    for (heif_item_id id : ids) {
        heif_image_handle* raw = nullptr;
        if (heif_image_handle_get_thumbnail(primary.get(), id, &raw).code != heif_error_Ok || !raw)
            continue;
        std::unique_ptr<const heif_image_handle, HandleDeleter> thumbnail(raw);
        const int width = heif_image_handle_get_width(raw), height = heif_image_handle_get_height(raw);
        if (width < needWidth || height < needHeight)
            continue;
        if (!best || static_cast<long>(width) * height < static_cast<long>(heif_image_handle_get_width(best.get())) * heif_image_handle_get_height(best.get()))
            best = std::move(thumbnail);
    }
    if (!best)
        return {};
    auto decoded = decodeHandle(context.get(), best.get(), options, where + " (thumbnail)");
    return decoded ? *decoded : Image {};
}

namespace {

std::pair<int, int> shownSize(heif_context* context, heif_error error)
{
    if (error.code != heif_error_Ok)
        return { 0, 0 };
    heif_image_handle* raw = nullptr;
    if (heif_context_get_primary_image_handle(context, &raw).code != heif_error_Ok || !raw)
        return { 0, 0 };
    std::unique_ptr<const heif_image_handle, HandleDeleter> handle(raw);
    return { heif_image_handle_get_width(raw), heif_image_handle_get_height(raw) };
}

}

std::pair<int, int> heifShownSize(std::span<const std::uint8_t> bytes)
{
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    return shownSize(context.get(), heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr));
}

std::pair<int, int> heifShownSize(const std::filesystem::path& path)
{
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    return shownSize(context.get(), heif_context_read_from_file(context.get(), path.c_str(), nullptr));
}

namespace {

// The pixels as an 8-bit RGB(A) picture for the encoder, each repeated factor × factor times.
heif_error makeImage(const PixelBuffer& source, int factor, heif_image*& image)
{
    const bool alpha = !source.opaque;
    heif_error error = heif_image_create(source.width * factor, source.height * factor, heif_colorspace_RGB, alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image);
    if (error.code != heif_error_Ok)
        return error;
    error = heif_image_add_plane(image, heif_channel_interleaved, source.width * factor, source.height * factor, 8);
    if (error.code != heif_error_Ok)
        return error;
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    for (int y = 0; y < source.height * factor; ++y) {
        std::uint8_t* row = plane + static_cast<std::size_t>(stride) * y;
        const std::uint32_t* pixels = source.pixels.data() + static_cast<std::size_t>(y / factor) * source.width;
        for (int x = 0; x < source.width * factor; ++x) {
            const Rgba8 p = unpremultiply(pixels[x / factor]);
            row[x * channels] = p.r, row[x * channels + 1] = p.g, row[x * channels + 2] = p.b;
            if (alpha)
                row[x * channels + 3] = p.a;
        }
    }
    return error;
}

}

Result<std::vector<std::uint8_t>> encodeHeif(const Image& image, const HeifEncodeOptions& options, const MetadataBlocks& metadata)
{
    const char* where = options.codec == HeifEncodeOptions::Codec::Av1 ? "AVIF encoding" : "HEIC encoding";
    const PixelBuffer* source = image.buffer();
    if (!source || source->width <= 0 || source->height <= 0)
        return fail(where, "the picture is empty");
    const heif_compression_format format = options.codec == HeifEncodeOptions::Codec::Av1 ? heif_compression_AV1 : heif_compression_HEVC;
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    heif_error error = heif_context_get_encoder_for_format(context.get(), format, &rawEncoder);
    std::unique_ptr<heif_encoder, EncoderDeleter> encoder(rawEncoder);
    if (error.code != heif_error_Ok || !encoder)
        return fail(where, "no encoder for this format is installed (" + reasonOf(error) + ")");
    heif_encoder_set_lossy_quality(encoder.get(), std::clamp(options.quality, 0, 100));

    const bool alpha = !source->opaque;
    heif_image* rawImage = nullptr;
    error = makeImage(*source, 1, rawImage);
    std::unique_ptr<const heif_image, ImageDeleter> picture(rawImage);
    if (error.code != heif_error_Ok)
        return fail(where, reasonOf(error));
    if (!metadata.icc.empty())
        heif_image_set_raw_color_profile(rawImage, "prof", metadata.icc.data(), metadata.icc.size());

    std::unique_ptr<heif_encoding_options, EncodingOptionsDeleter> encoding(heif_encoding_options_alloc());
    encoding->save_alpha_channel = alpha ? 1 : 0;
    encoding->image_orientation = static_cast<heif_orientation>(std::clamp(options.orientation, 1, 8));
    heif_image_handle* rawHandle = nullptr;
    error = heif_context_encode_image(context.get(), rawImage, encoder.get(), encoding.get(), &rawHandle);
    std::unique_ptr<const heif_image_handle, HandleDeleter> handle(rawHandle);
    if (error.code != heif_error_Ok)
        return fail(where, reasonOf(error));
    if (options.thumbnail && !options.thumbnail->isEmpty()) {
        // libheif makes a thumbnail by reducing a larger picture: it is given the thumbnail doubled.
        heif_image* rawThumbnail = nullptr;
        error = makeImage(*options.thumbnail->buffer(), 2, rawThumbnail);
        std::unique_ptr<const heif_image, ImageDeleter> thumbnail(rawThumbnail);
        heif_image_handle* added = nullptr;
        if (error.code == heif_error_Ok)
            error = heif_context_encode_thumbnail(context.get(), rawThumbnail, rawHandle, encoder.get(), encoding.get(), std::max(options.thumbnail->pixelWidth(), options.thumbnail->pixelHeight()), &added);
        if (added)
            heif_image_handle_release(added);
        if (error.code != heif_error_Ok)
            return fail(where, "the thumbnail cannot be added (" + reasonOf(error) + ")");
    }
    if (!metadata.exif.empty() && (error = heif_context_add_exif_metadata(context.get(), rawHandle, metadata.exif.data(), static_cast<int>(metadata.exif.size()))).code != heif_error_Ok)
        return fail(where, "the EXIF block cannot be added (" + reasonOf(error) + ")");
    if (!metadata.xmp.empty() && (error = heif_context_add_XMP_metadata(context.get(), rawHandle, metadata.xmp.data(), static_cast<int>(metadata.xmp.size()))).code != heif_error_Ok)
        return fail(where, "the XMP packet cannot be added (" + reasonOf(error) + ")");
    std::vector<std::uint8_t> out;
    heif_writer writer { 1, appendToVector };
    error = heif_context_write(context.get(), &writer, &out);
    if (error.code != heif_error_Ok)
        return fail(where, reasonOf(error));
    return out;
}

}
