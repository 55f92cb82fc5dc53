#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace vd {

std::string tooLargeReason(std::int64_t width, std::int64_t height, std::int64_t maxPixels)
{
    const std::string limit = maxPixels % 1'000'000 == 0 ? std::to_string(maxPixels / 1'000'000) + " megapixels" : std::to_string(maxPixels) + " pixels";
    return "picture of " + std::to_string(width) + "×" + std::to_string(height) + " pixels is larger than allowed (at most " + limit + ")";
}

std::string jpegFailureReason(const std::string& what, const std::string& libraryMessage)
{
    // "Unsupported JPEG process: SOF type 0xc8": arithmetic, lossless or hierarchical coding.
    const std::string unsupported = "Unsupported JPEG process: SOF type ";
    if (const size_t at = libraryMessage.find(unsupported); at != std::string::npos)
        return "uses a JPEG coding this program cannot read (arithmetic or lossless, SOF " + libraryMessage.substr(at + unsupported.size()) + ")";
    return what + " (" + libraryMessage + ")";
}

Image decodeHeifThumbnail(std::span<const std::uint8_t> bytes, const std::function<std::pair<int, int>(int, int)>& wanted, const DecodeOptions& options);
Image decodeTiffReducedImage(std::span<const std::uint8_t> bytes, const std::function<std::pair<int, int>(int, int)>& wanted, const DecodeOptions& options);

ImageFormat sniffFormat(std::span<const std::uint8_t> bytes)
{
    static const std::uint8_t png[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), png, 8) == 0)
        return ImageFormat::Png;
    if (bytes.size() >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff)
        return ImageFormat::Jpeg;
    if (bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 && std::memcmp(bytes.data() + 8, "WEBP", 4) == 0)
        return ImageFormat::Webp;
    if (bytes.size() >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I' && bytes[2] == 42 && bytes[3] == 0) || (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && bytes[3] == 42)))
        return ImageFormat::Tiff;
    // An ISO media file: its "ftyp" box names the major brand and the compatible ones.
    if (bytes.size() >= 16 && std::memcmp(bytes.data() + 4, "ftyp", 4) == 0) {
        const std::size_t boxSize = (std::size_t(bytes[0]) << 24) | (std::size_t(bytes[1]) << 16) | (std::size_t(bytes[2]) << 8) | bytes[3];
        const std::size_t end = std::min(bytes.size(), boxSize);
        auto brand = [&](std::size_t at) { return std::string(reinterpret_cast<const char*>(bytes.data() + at), 4); };
        std::vector<std::string> brands { brand(8) };
        for (std::size_t at = 16; at + 4 <= end; at += 4)
            brands.push_back(brand(at));
        for (const std::string& b : brands)
            if (b == "avif" || b == "avis")
                return ImageFormat::Avif;
        for (const std::string& b : brands)
            if (b == "heic" || b == "heix" || b == "heim" || b == "heis" || b == "hevc" || b == "hevx" || b == "mif1" || b == "msf1")
                return ImageFormat::Heif;
    }
    return ImageFormat::Unknown;
}

ImageFormat sniffFileFormat(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::uint8_t head[64] {}; // enough for an ISO media file's brands
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return sniffFormat(std::span<const std::uint8_t>(head, static_cast<size_t>(std::max<std::streamsize>(0, in.gcount()))));
}

Result<Image> decodeImage(std::span<const std::uint8_t> bytes, const DecodeOptions& options)
{
    switch (sniffFormat(bytes)) {
    case ImageFormat::Png:
        return decodePng(bytes, options);
    case ImageFormat::Jpeg:
        return decodeJpeg(bytes, options);
    case ImageFormat::Webp:
        return decodeWebp(bytes, options);
    case ImageFormat::Tiff:
        return decodeTiff(bytes, options);
    case ImageFormat::Heif:
    case ImageFormat::Avif:
        return decodeHeif(bytes, options);
    case ImageFormat::Unknown:
        break;
    }
    return fail(options.name.empty() ? std::string("image data") : options.name, bytes.empty() ? "empty file" : "not a picture this program reads (JPEG, PNG, HEIC, AVIF, WebP or TIFF)");
}

Image decodeReducedImage(std::span<const std::uint8_t> bytes, const std::function<std::pair<int, int>(int, int)>& wanted, const DecodeOptions& options)
{
    switch (sniffFormat(bytes)) {
    case ImageFormat::Heif:
    case ImageFormat::Avif:
        return decodeHeifThumbnail(bytes, wanted, options);
    case ImageFormat::Tiff:
        return decodeTiffReducedImage(bytes, wanted, options);
    default:
        return {};
    }
}

Result<Image> decodeImageFile(const std::filesystem::path& path, DecodeOptions options)
{
    if (options.name.empty())
        options.name = path.string();
    auto bytes = files::readAll(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    return decodeImage(*bytes, options);
}

}
