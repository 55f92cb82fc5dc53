#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Image.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
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
    std::string* notice { nullptr }; // where given, told what of the file was left out (the other frames of an animation, the other pages)
};

// Known by their bytes, never by a file's name. Heif is HEIC and the other HEIF pictures; Avif the
// HEIF files whose pictures are AV1.
enum class ImageFormat { Unknown, Png, Jpeg, Webp, Tiff, Heif, Avif };
ImageFormat sniffFormat(std::span<const std::uint8_t> bytes);
ImageFormat sniffFileFormat(const std::filesystem::path& path); // Unknown when it cannot be read

Result<Image> decodePng(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});
Result<Image> decodeJpeg(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});
// The first frame of an animated WebP.
Result<Image> decodeWebp(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});
// The first page, 8 or 16 bits a sample (16 are reduced to 8), as stored: the Orientation tag is
// the EXIF one and is applied by whoever makes the picture upright, as for JPEG.
Result<Image> decodeTiff(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});
// HEIF and AVIF: the primary picture with the file's own transformations (rotation, mirror, crop)
// applied, so it comes out upright; the EXIF Orientation such a file may also carry is not
// applied again (see ImageMetadata::orientation).
Result<Image> decodeHeif(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});
// The size a HEIF or AVIF primary picture is shown at, its transformations applied (the coded size
// is often padded and turned); 0 × 0 when the file cannot be read.
std::pair<int, int> heifShownSize(std::span<const std::uint8_t> bytes);
std::pair<int, int> heifShownSize(const std::filesystem::path& path);
// The smallest picture a HEIF (its thumbnails) or a TIFF (its reduced images) stores beside its
// main one that reaches the size `wanted` asks for, given the main picture's size (both as the
// decoders give them: HEIF turned, TIFF as stored); an empty image when there is none that reaches
// it, or it cannot be read. Other formats have none here.
Image decodeReducedImage(std::span<const std::uint8_t> bytes, const std::function<std::pair<int, int>(int width, int height)>& wanted, const DecodeOptions& options = {});
// Any of the formats above, by the bytes' signature.
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

// The metadata blocks a writer embeds where its format holds them: EXIF as a TIFF structure
// ("II*" or "MM*" first), an XMP packet, an ICC profile.
struct MetadataBlocks {
    std::vector<std::uint8_t> exif;
    std::string xmp;
    std::vector<std::uint8_t> icc;
};

struct WebpEncodeOptions {
    int quality { 90 };
    bool lossless { false }; // quality is then ignored
};
Result<std::vector<std::uint8_t>> encodeWebp(const Image& image, const WebpEncodeOptions& options = {}, const MetadataBlocks& metadata = {});

struct HeifEncodeOptions {
    enum class Codec { Hevc, Av1 } codec { Codec::Hevc }; // HEIC or AVIF
    int quality { 90 };
    // The file's own transformation, as an EXIF orientation 1…8: the picture given is the one stored,
    // shown turned this way.
    int orientation { 1 };
    std::optional<Image> thumbnail; // stored as the picture's thumbnail, as cameras store a smaller copy
};
Result<std::vector<std::uint8_t>> encodeHeif(const Image& image, const HeifEncodeOptions& options = {}, const MetadataBlocks& metadata = {});

struct TiffEncodeOptions {
    int bitsPerSample { 8 }; // 8 or 16
    bool tiled { false };
    int orientation { 1 };   // the Orientation tag
    std::optional<Image> reducedImage; // written after the picture as its reduced image, as scanners store a preview
};
// Deflate-compressed RGB, or RGBA with unassociated alpha when the picture is not opaque. EXIF
// tags other than the first directory's are not written here (ImageMetadata::embedIn does).
Result<std::vector<std::uint8_t>> encodeTiff(const Image& image, const TiffEncodeOptions& options = {}, const MetadataBlocks& metadata = {});

}
