#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace vd {

// A smaller JPEG a camera stores inside its photo: the EXIF thumbnail (IFD1, typically
// 160 × 120, in the first kilobytes) or a larger screen-sized preview of the Multi-Picture
// Format (APP2 "MPF", stored after the main picture).
struct EmbeddedPreview {
    std::uint64_t offset { 0 }; // of the preview's bytes in the file
    std::uint32_t length { 0 };
    int width { 0 };             // as stored, when its frame header was among the bytes read
    int height { 0 };
};

// What the start of a JPEG file tells about its pictures: the main picture's stored size and the
// previews it announces. Malformed or missing metadata gives no previews, never an error: a photo
// is always readable the slow way.
struct JpegLayout {
    int width { 0 };
    int height { 0 };
    std::vector<EmbeddedPreview> previews;
};

// Parses the segments before the main picture's data. fileSize bounds the previews' offsets.
JpegLayout parseJpegLayout(std::span<const std::uint8_t> head, std::uint64_t fileSize);

// The stored size of the JPEG whose first bytes are given, from its frame header; 0 × 0 when the
// bytes do not reach it.
std::pair<int, int> jpegFrameSize(std::span<const std::uint8_t> bytes);

// Reads the start of the file and parses it. Previews lying within the bytes read (the EXIF
// thumbnail) get their size; those stored further on keep 0 × 0 until their bytes are read.
JpegLayout readJpegLayout(const std::filesystem::path& path);

// The preview's bytes, or nothing when the file is shorter than it claims.
std::vector<std::uint8_t> readEmbeddedPreview(const std::filesystem::path& path, const EmbeddedPreview& preview);

}
