#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Image.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vd {

// Pictures above this many pixels are refused before anything is allocated for them.
inline constexpr std::int64_t kMaxDecodePixels = 200'000'000;

// "picture of W×H pixels is larger than allowed (at most N megapixels)": the reason a picture
// above the limit is refused, with the limit, so the user knows how far to scale it down.
std::string tooLargeReason(std::int64_t width, std::int64_t height, std::int64_t maxPixels);
// libjpeg's and TurboJPEG's messages in words a person understands where they have better ones
// (a coding the library cannot read), after "NAME: ": what is the caller's doing ("not a
// readable JPEG"), with the library's message in parentheses.
std::string jpegFailureReason(const std::string& what, const std::string& libraryMessage);

struct DecodeOptions {
    std::int64_t maxPixels { kMaxDecodePixels };
    double scale { 1.0 };      // the scale given to the decoded image
    std::string name;          // names the input in errors
};

enum class ImageFormat { Unknown, Png, Jpeg };
ImageFormat sniffFormat(std::span<const std::uint8_t> bytes);
ImageFormat sniffFileFormat(const std::filesystem::path& path); // Unknown when it cannot be read

Result<Image> decodePng(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});
Result<Image> decodeJpeg(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});
// PNG or JPEG, by the bytes' signature.
Result<Image> decodeImage(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});
Result<Image> decodeImageFile(const std::filesystem::path& path, DecodeOptions options = {});

struct PngEncodeOptions {
    int compressionLevel { 3 }; // zlib level: 3 is about as small as 6 on pictures and much faster
};
Result<std::vector<std::uint8_t>> encodePng(const Image& image, const PngEncodeOptions& options = {});

struct JpegEncodeOptions {
    int quality { 100 };
    enum class Subsampling { S444, S422, S420 } subsampling { Subsampling::S444 };
};
// Alpha is dropped (composited over nothing: premultiplied colour is written as it is).
Result<std::vector<std::uint8_t>> encodeJpeg(const Image& image, const JpegEncodeOptions& options = {});

}
