#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Image.h>
#include <platform/graphics/ImageCodecs.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vd {

// This program's own XMP namespace: what a stamped photo was made from.
inline constexpr const char* kVardenicoXmpNamespace = "https://vardenico.app/ns/stamp/1.0/";
inline constexpr const char* kVardenicoXmpPrefix = "vardenico";

// One metadata segment ready to be written into a JPEG stream: the marker (0xE1 for APP1 and so
// on) and the bytes that follow the marker's length.
struct JpegSegment {
    int marker { 0 };
    std::vector<std::uint8_t> bytes;
};

// The EXIF, IPTC, XMP and ICC metadata of a photo, read with Exiv2. Nothing Exiv2 throws leaves
// this class: failures become errors or warnings naming the file.
class ImageMetadata {
public:
    ImageMetadata();
    ~ImageMetadata();
    ImageMetadata(ImageMetadata&&) noexcept;
    ImageMetadata& operator=(ImageMetadata&&) noexcept;
    ImageMetadata(const ImageMetadata&) = delete;
    ImageMetadata& operator=(const ImageMetadata&) = delete;

    // The metadata of a JPEG, PNG or other file Exiv2 knows. A file without metadata gives empty
    // metadata; an unreadable file gives an error.
    static Result<ImageMetadata> readFromFile(const std::filesystem::path& path);
    static Result<ImageMetadata> readFromBytes(std::span<const std::uint8_t> bytes, const std::string& name);

    bool isEmpty() const;
    int pixelWidth() const;  // of the picture as stored (HEIF: as shown), when the file tells it; 0 otherwise
    int pixelHeight() const;
    // EXIF Orientation 1…8; 1 when absent or out of range, and 1 for HEIF and AVIF, whose own
    // transformations the decoder applies.
    int orientation() const;
    std::optional<std::string> exifValue(const std::string& key) const; // e.g. "Exif.Image.Make"
    std::optional<std::string> xmpValue(const std::string& key) const;  // e.g. "Xmp.dc.title"
    std::optional<std::string> iptcValue(const std::string& key) const; // e.g. "Iptc.Application2.Caption"
    std::vector<std::uint8_t> iccProfile() const;
    void setIccProfile(std::vector<std::uint8_t> profile);
    bool hasExifThumbnail() const;
    // The capture time "YYYY:MM:DD HH:MM:SS" from DateTimeOriginal, else DateTimeDigitized.
    std::optional<std::string> dateTimeOriginal() const;

    void setExifValue(const std::string& key, const std::string& value);
    // Sets an XMP property, e.g. "Xmp.vardenico.SourceHash" (this program's own namespace).
    void setXmpValue(const std::string& key, const std::string& value);

    // Adjusts the metadata for a new, upright picture of width × height pixels made from the
    // photo: Orientation 1 (EXIF and XMP), pixel dimensions, the software tag, and no embedded
    // thumbnail (it would still show the photo as it was).
    // A picture that stays stored turned keeps its orientation instead of 1.
    void prepareForDerivedImage(int width, int height, const std::string& software, int orientation = 1);

    // The segments to write after SOI: EXIF (APP1), XMP (APP1), IPTC (APP13). The ICC profile is
    // written by the JPEG writer itself, split into chunks. What does not fit one JPEG segment is
    // left out, the least needed first: EXIF loses its maker note, then its largest tags (never
    // Orientation, Software, make, model or dates); IPTC its largest datasets; XMP all but this
    // program's own properties. What was left out is said in dropped, or as a warning without it.
    std::vector<JpegSegment> jpegSegments(std::string* dropped = nullptr) const;

    // EXIF, XMP and ICC as blocks for the writers of WebP, HEIF and TIFF. What cannot be carried
    // (IPTC, which these formats do not hold) is said in dropped, or as a warning without it.
    MetadataBlocks blocks(std::string* dropped = nullptr) const;

    // The picture's bytes (JPEG, PNG, TIFF or WebP) with this metadata in place of theirs, pixels
    // untouched; a TIFF keeps the tags that describe its pixels.
    Result<std::vector<std::uint8_t>> embedIn(std::span<const std::uint8_t> picture, const std::string& name) const;

    // The JPEG bytes with this metadata in place of theirs (pixels untouched).
    Result<std::vector<std::uint8_t>> embedInJpeg(std::span<const std::uint8_t> jpeg) const;

private:
    struct Storage;
    std::unique_ptr<Storage> m_storage;
};

// The orientation of an EXIF Orientation value as a pixel mapping, for decoders.
struct OrientationMapping {
    bool transpose { false }; // swap axes first (orientations 5–8)
    bool flipX { false };
    bool flipY { false };
};
OrientationMapping orientationMapping(int orientation);

// The picture turned the way its EXIF orientation (1…8) says it is seen: the one place a whole
// picture is made upright (the photo library's images, logos made from photos, stamped photos
// that are not JPEG). Values outside 2…8 give the picture as it is.
Image uprightImage(const Image& image, int orientation);

}
