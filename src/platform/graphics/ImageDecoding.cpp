#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>

#include <algorithm>
#include <cstring>
#include <fstream>

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

ImageFormat sniffFormat(std::span<const std::uint8_t> bytes)
{
    static const std::uint8_t png[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), png, 8) == 0)
        return ImageFormat::Png;
    if (bytes.size() >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff)
        return ImageFormat::Jpeg;
    return ImageFormat::Unknown;
}

ImageFormat sniffFileFormat(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::uint8_t head[8] {};
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
    case ImageFormat::Unknown:
        break;
    }
    return fail(options.name.empty() ? std::string("image data") : options.name, bytes.empty() ? "empty file" : "not a PNG or JPEG picture");
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
