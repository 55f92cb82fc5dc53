#pragma once

// JPEG files laid out as cameras write them: an EXIF block whose IFD1 holds a small thumbnail,
// optionally a Multi-Picture Format index (APP2 "MPF") pointing at a larger preview stored after
// the main picture. Used by the photo tests and the browser benchmark; ends with the asset the
// photo tests ask the image manager for, and a request that waits for its picture.

#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/ImageManager.h>
#include <platform/photos/PhotoAsset.h>

#include <filesystem>
#include <cstdint>
#include <functional>
#include <vector>

namespace vd::test {

// Encodes width × height pixels of colour(x, y) (0xRRGGBB) as a JPEG.
inline std::vector<std::uint8_t> jpegBytes(int width, int height, const std::function<std::uint32_t(int, int)>& colour, int quality = 90)
{
    PixelBuffer buffer { width, height, {}, true };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            buffer.pixels.push_back(0xff000000u | colour(x, y));
    return *encodeJpeg(Image::fromBuffer(std::move(buffer)), { .quality = quality, .subsampling = JpegEncodeOptions::Subsampling::S420 });
}

struct CameraJpeg {
    std::vector<std::uint8_t> main;      // a whole JPEG: the photo
    std::vector<std::uint8_t> thumbnail; // IFD1's JPEG; none when empty
    std::vector<std::uint8_t> preview;   // the MPF preview's JPEG; none when empty
    int orientation { 1 };
    bool bigEndian { false };            // "MM" TIFF blocks, as some makers write

    std::vector<std::uint8_t> bytes() const
    {
        auto put = [this](std::vector<std::uint8_t>& out, std::uint32_t v, int size) {
            for (int i = 0; i < size; ++i)
                out.push_back(std::uint8_t(v >> 8 * (bigEndian ? size - 1 - i : i)));
        };
        auto put16 = [&](std::vector<std::uint8_t>& out, std::uint32_t v) { put(out, v, 2); };
        auto put32 = [&](std::vector<std::uint8_t>& out, std::uint32_t v) { put(out, v, 4); };
        auto tiffHeader = [&](std::vector<std::uint8_t>& out) {
            out.insert(out.end(), { std::uint8_t(bigEndian ? 'M' : 'I'), std::uint8_t(bigEndian ? 'M' : 'I') });
            put16(out, 42), put32(out, 8);
        };
        auto entry = [&](std::vector<std::uint8_t>& out, unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
            put16(out, tag), put16(out, type), put32(out, count);
            if (type == 3 && count == 1) // a SHORT sits in the first two bytes of the field
                put16(out, value), put16(out, 0);
            else
                put32(out, value);
        };
        // EXIF: IFD0 with the orientation, IFD1 with the thumbnail right after it.
        std::vector<std::uint8_t> tiff;
        tiffHeader(tiff);
        put16(tiff, 1);
        entry(tiff, 0x0112, 3, 1, static_cast<std::uint32_t>(orientation));
        const std::uint32_t ifd1 = 8 + 2 + 12 + 4;
        put32(tiff, thumbnail.empty() ? 0 : ifd1);
        if (!thumbnail.empty()) {
            put16(tiff, 3);
            entry(tiff, 0x0103, 3, 1, 6);
            entry(tiff, 0x0201, 4, 1, ifd1 + 2 + 3 * 12 + 4);
            entry(tiff, 0x0202, 4, 1, static_cast<std::uint32_t>(thumbnail.size()));
            put32(tiff, 0);
            tiff.insert(tiff.end(), thumbnail.begin(), thumbnail.end());
        }
        std::vector<std::uint8_t> out { 0xFF, 0xD8 };
        auto segment = [&](int marker, const char* signature, std::size_t signatureLength, const std::vector<std::uint8_t>& body) {
            const std::size_t length = 2 + signatureLength + body.size();
            out.insert(out.end(), { 0xFF, std::uint8_t(marker), std::uint8_t(length >> 8), std::uint8_t(length) });
            out.insert(out.end(), signature, signature + signatureLength);
            out.insert(out.end(), body.begin(), body.end());
        };
        segment(0xE1, "Exif\0\0", 6, tiff);
        std::size_t mpfHeader = 0;
        std::vector<std::uint8_t> mpf;
        if (!preview.empty()) {
            tiffHeader(mpf);
            put16(mpf, 3), put16(mpf, 0xB000), put16(mpf, 7), put32(mpf, 4);
            mpf.insert(mpf.end(), { '0', '1', '0', '0' });
            entry(mpf, 0xB001, 4, 1, 2);
            entry(mpf, 0xB002, 7, 32, 8 + 2 + 3 * 12 + 4);
            put32(mpf, 0);
            mpf.resize(mpf.size() + 32); // the two entries, filled in below
            mpfHeader = out.size() + 4 + 4;
            segment(0xE2, "MPF\0", 4, mpf);
        }
        out.insert(out.end(), main.begin() + 2, main.end());
        if (!preview.empty()) {
            const std::size_t mainSize = out.size();
            std::vector<std::uint8_t> entries;
            for (std::size_t v : { std::size_t(0x20030000), mainSize, std::size_t(0), std::size_t(0), std::size_t(0x00010001), preview.size(), mainSize - mpfHeader, std::size_t(0) })
                put32(entries, static_cast<std::uint32_t>(v));
            std::copy(entries.begin(), entries.end(), out.begin() + static_cast<std::ptrdiff_t>(mpfHeader + 8 + 2 + 3 * 12 + 4));
            out.insert(out.end(), preview.begin(), preview.end());
        }
        return out;
    }
};

constexpr std::uint32_t kPhoto = 0xd02020;     // a camera photo's main picture: red
constexpr std::uint32_t kThumbnail = 0x20c020; // its EXIF thumbnail: green
constexpr std::uint32_t kPreview = 0x2020d0;   // a larger preview: blue

// A 3:2 photo with a 160 × 120 thumbnail letterboxed in black, as cameras store it.
inline CameraJpeg cameraPhoto()
{
    CameraJpeg photo;
    photo.main = jpegBytes(1200, 800, [](int, int) { return kPhoto; });
    photo.thumbnail = jpegBytes(160, 120, [](int, int y) { return y < 6 || y >= 113 ? 0x000000u : kThumbnail; });
    return photo;
}

// The asset of a photo file, named after the file.
inline PhotoAsset assetAt(const std::filesystem::path& path, int orientation = 1)
{
    PhotoAsset asset;
    asset.localIdentifier = path.filename().string();
    asset.path = path;
    asset.fileSize = static_cast<std::int64_t>(std::filesystem::file_size(path));
    asset.orientation = orientation;
    return asset;
}

// The picture of a synchronous request.
inline Image request(ImageManager& manager, const PhotoAsset& asset, Size target, ImageContentMode mode = ImageContentMode::AspectFit)
{
    Image result;
    manager.requestImageForAsset(asset, target, mode, { true }, [&](Image image) { result = image; });
    return result;
}

}
