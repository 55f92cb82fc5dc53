#include <platform/graphics/ImageCodecs.h>

#include <memory>
#include <turbojpeg.h>

namespace vd {

namespace {
struct TjHandle {
    tjhandle handle;
    explicit TjHandle(tjhandle h)
        : handle(h)
    {
    }
    ~TjHandle()
    {
        if (handle)
            tjDestroy(handle);
    }
};
}

Result<Image> decodeJpeg(std::span<const std::uint8_t> bytes, const DecodeOptions& options)
{
    const std::string where = options.name.empty() ? std::string("JPEG data") : options.name;
    TjHandle tj(tjInitDecompress());
    if (!tj.handle)
        return fail(where, "cannot start the JPEG decoder");
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.handle, bytes.data(), static_cast<unsigned long>(bytes.size()), &width, &height, &subsampling, &colorspace) != 0)
        return fail(where, jpegFailureReason("not a readable JPEG", tjGetErrorStr2(tj.handle)));
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > options.maxPixels)
        return fail(where, tooLargeReason(width, height, options.maxPixels));
    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.opaque = true;
    buffer.pixels.resize(static_cast<size_t>(width) * height);
    if (tjDecompress2(tj.handle, bytes.data(), static_cast<unsigned long>(bytes.size()), reinterpret_cast<unsigned char*>(buffer.pixels.data()), width, width * 4, height, TJPF_BGRA, TJFLAG_FASTDCT) != 0
        && tjGetErrorCode(tj.handle) == TJERR_FATAL)
        return fail(where, std::string("damaged JPEG (") + tjGetErrorStr2(tj.handle) + ")");
    return Image::fromBuffer(std::move(buffer), options.scale);
}

Result<std::vector<std::uint8_t>> encodeJpeg(const Image& image, const JpegEncodeOptions& options)
{
    if (image.isEmpty())
        return fail("JPEG encoding", "the picture is empty");
    TjHandle tj(tjInitCompress());
    if (!tj.handle)
        return fail("JPEG encoding", "cannot start the JPEG encoder");
    const int subsampling = options.subsampling == JpegEncodeOptions::Subsampling::S444 ? TJSAMP_444
        : options.subsampling == JpegEncodeOptions::Subsampling::S422                  ? TJSAMP_422
                                                                                        : TJSAMP_420;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(tj.handle, reinterpret_cast<const unsigned char*>(image.buffer()->pixels.data()), image.pixelWidth(), image.pixelWidth() * 4, image.pixelHeight(), TJPF_BGRA, &out, &size, subsampling,
            options.quality, TJFLAG_ACCURATEDCT)
        != 0) {
        const std::string reason = tjGetErrorStr2(tj.handle);
        tjFree(out);
        return fail("JPEG encoding", reason);
    }
    std::vector<std::uint8_t> bytes(out, out + size);
    tjFree(out);
    return bytes;
}

}
