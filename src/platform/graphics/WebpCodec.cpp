#include <platform/graphics/ImageCodecs.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace vd {

namespace {

// Straight BGRA bytes (ARGB32 words on a little-endian machine) made premultiplied in place.
bool premultiplyInPlace(std::vector<std::uint32_t>& pixels)
{
    static_assert(std::endian::native == std::endian::little);
    bool opaque = true;
    for (auto& pixel : pixels) {
        const std::uint32_t a = pixel >> 24;
        if (a == 255)
            continue;
        opaque = false;
        pixel = a == 0 ? 0 : premultiply({ static_cast<std::uint8_t>((pixel >> 16) & 255), static_cast<std::uint8_t>((pixel >> 8) & 255), static_cast<std::uint8_t>(pixel & 255), static_cast<std::uint8_t>(a) });
    }
    return opaque;
}

struct MuxDeleter {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};
struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

}

Result<Image> decodeWebp(std::span<const std::uint8_t> bytes, const DecodeOptions& options)
{
    const std::string where = options.name.empty() ? std::string("WebP data") : options.name;
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA)
        return fail(where, "damaged WebP (the file ends too early)");
    if (status != VP8_STATUS_OK)
        return fail(where, "damaged WebP (its header cannot be read)");
    if (features.width <= 0 || features.height <= 0 || static_cast<std::int64_t>(features.width) * features.height > options.maxPixels)
        return fail(where, tooLargeReason(features.width, features.height, options.maxPixels));

    PixelBuffer buffer;
    buffer.width = features.width;
    buffer.height = features.height;
    if (features.has_animation) {
        WebPData data { bytes.data(), bytes.size() };
        WebPAnimDecoderOptions animOptions;
        WebPAnimDecoderOptionsInit(&animOptions);
        animOptions.color_mode = MODE_BGRA;
        animOptions.use_threads = 0;
        std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(WebPAnimDecoderNew(&data, &animOptions));
        if (!decoder)
            return fail(where, "damaged WebP (its animation cannot be read)");
        WebPAnimInfo info;
        if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || info.canvas_width != static_cast<std::uint32_t>(buffer.width) || info.canvas_height != static_cast<std::uint32_t>(buffer.height))
            return fail(where, "damaged WebP (its animation cannot be read)");
        std::uint8_t* frame = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp) || !frame)
            return fail(where, "damaged WebP (its first frame cannot be read)");
        buffer.pixels.resize(static_cast<std::size_t>(buffer.width) * buffer.height);
        std::memcpy(buffer.pixels.data(), frame, buffer.pixels.size() * 4);
        if (options.notice && info.frame_count > 1)
            *options.notice = "an animated WebP: its first frame of " + std::to_string(info.frame_count) + " is used";
    } else {
        buffer.pixels.resize(static_cast<std::size_t>(buffer.width) * buffer.height);
        const std::size_t stride = static_cast<std::size_t>(buffer.width) * 4;
        if (!WebPDecodeBGRAInto(bytes.data(), bytes.size(), reinterpret_cast<std::uint8_t*>(buffer.pixels.data()), stride * buffer.height, static_cast<int>(stride)))
            return fail(where, "damaged WebP (its picture cannot be decoded)");
    }
    buffer.opaque = premultiplyInPlace(buffer.pixels);
    return Image::fromBuffer(std::move(buffer), options.scale);
}

Result<std::vector<std::uint8_t>> encodeWebp(const Image& image, const WebpEncodeOptions& options, const MetadataBlocks& metadata)
{
    const PixelBuffer* source = image.buffer();
    if (!source || source->width <= 0 || source->height <= 0)
        return fail("WebP encoding", "the picture is empty");
    if (source->width > WEBP_MAX_DIMENSION || source->height > WEBP_MAX_DIMENSION)
        return fail("WebP encoding", "WebP holds at most " + std::to_string(WEBP_MAX_DIMENSION) + " pixels a side");
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(source->width) * source->height * 4);
    for (std::size_t i = 0; i < source->pixels.size(); ++i) {
        const Rgba8 p = unpremultiply(source->pixels[i]);
        rgba[i * 4] = p.r, rgba[i * 4 + 1] = p.g, rgba[i * 4 + 2] = p.b, rgba[i * 4 + 3] = p.a;
    }

    WebPConfig config;
    if (!WebPConfigInit(&config))
        return fail("WebP encoding", "the library cannot be set up");
    config.lossless = options.lossless ? 1 : 0;
    config.quality = options.lossless ? 75.0f : static_cast<float>(std::clamp(options.quality, 0, 100));
    config.thread_level = 1;
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        return fail("WebP encoding", "the library cannot be set up");
    picture.use_argb = 1;
    picture.width = source->width;
    picture.height = source->height;
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const bool imported = source->opaque ? WebPPictureImportRGBX(&picture, rgba.data(), source->width * 4) : WebPPictureImportRGBA(&picture, rgba.data(), source->width * 4);
    const bool encoded = imported && WebPEncode(&config, &picture);
    const int error = picture.error_code;
    WebPPictureFree(&picture);
    if (!encoded) {
        WebPMemoryWriterClear(&writer);
        return fail("WebP encoding", "the encoder failed (code " + std::to_string(error) + ")");
    }
    std::vector<std::uint8_t> plain(writer.mem, writer.mem + writer.size);
    WebPMemoryWriterClear(&writer);
    if (metadata.exif.empty() && metadata.xmp.empty() && metadata.icc.empty())
        return plain;

    // The chunks of an extended WebP: ICCP, EXIF and XMP beside the picture.
    WebPData whole { plain.data(), plain.size() };
    std::unique_ptr<WebPMux, MuxDeleter> mux(WebPMuxCreate(&whole, 0));
    if (!mux)
        return fail("WebP encoding", "the metadata cannot be added");
    auto add = [&](const char* fourcc, const std::uint8_t* data, std::size_t size) {
        WebPData chunk { data, size };
        return size == 0 || WebPMuxSetChunk(mux.get(), fourcc, &chunk, 0) == WEBP_MUX_OK;
    };
    if (!add("ICCP", metadata.icc.data(), metadata.icc.size()) || !add("EXIF", metadata.exif.data(), metadata.exif.size())
        || !add("XMP ", reinterpret_cast<const std::uint8_t*>(metadata.xmp.data()), metadata.xmp.size()))
        return fail("WebP encoding", "the metadata cannot be added");
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        return fail("WebP encoding", "the metadata cannot be added");
    std::vector<std::uint8_t> out(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    return out;
}

}
