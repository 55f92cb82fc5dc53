#pragma once

#include <platform/foundation/Error.h>
#include <platform/graphics/Image.h>
#include <watermark/PlacementDescription.h>

#include <cstdio>
#include <filesystem>
#include <future>
#include <map>
#include <optional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <tuple>
#include <utility>

namespace vd {

class ImageMetadata;

inline constexpr const char* kStampSoftware = "Vardenico App";

struct StampedPhoto {
    int width { 0 };  // of the written picture: the photo upright
    int height { 0 };
    int sourceOrientation { 1 };
    LogoPlacement placement;
    // Lossless stamping: the rectangle of whole MCUs (in the stored, unturned frame) whose blocks
    // may have been redrawn; every block outside it is the source's, bit for bit.
    bool lossless { false };
    struct {
        int x { 0 };
        int y { 0 };
        int width { 0 };
        int height { 0 };
    } redrawn;
    std::string notice; // why the photo was not stamped as asked (e.g. the normal mode instead)
};

// What the engine lays under the logo to keep it readable on a photo as bright or as dark as it is.
enum class HaloTone { None, Dark, Light };

// Relative luminance of an sRGB colour 0xRRGGBB, 0…1, and the contrast ratio of two of them
// (1…21), as accessibility guidelines measure legibility.
double relativeLuminance(std::uint32_t rgb);
double contrastRatio(double luminanceA, double luminanceB);
// Below this contrast with the photo under it, an adapting engine gives the logo a halo.
inline constexpr double kHaloContrast = 3.0;

enum class ChromaSubsampling { Full444, Half422, Quarter420 };
// What the stamped copies are written as: JPEG, or each photo's own format (Same), or one other.
enum class StampFormat { Jpeg, Same, Png, Webp, Avif, Heic, Tiff };
std::optional<StampFormat> stampFormatNamed(const std::string& name); // "jpeg", "same", "png"…

struct StampEngineOptions {
    // JPEG photos keep their coefficients outside the logo and their Orientation tag; photos that
    // cannot be stamped this way get the normal mode and a notice.
    bool lossless { false };
    // The encoding of photos stamped in the normal mode (the lossless mode keeps the photo's own).
    int quality { 100 }; // 1…100
    ChromaSubsampling subsampling { ChromaSubsampling::Full444 };
    // What transparent parts of a photo (a PNG) are laid over, 0xRRGGBB: a JPEG has no
    // transparency, and white is what people expect of one made from a transparent picture.
    std::uint32_t background { 0xFFFFFF };
    StampFormat format { StampFormat::Jpeg };
    int formatQuality { 90 }; // of lossy WebP, AVIF and HEIC copies
    // Adapt to each photo: where the logo's opaque pixels contrast less than kHaloContrast with
    // the photo under them, a soft halo of the contrasting tone is drawn under the logo.
    bool adapt { false };
};

// Stamps one logo onto photos at full resolution with one placement description. The logo is
// turned once, when the engine is made (the batch preparation); each photo is then composed and
// encoded as a JPEG (quality 100 unless the options say otherwise) that carries the photo's EXIF, IPTC, XMP and ICC profile with
// Orientation 1 and the software tag. Pixels flow in strips of rows from decoder to encoder, so a
// JPEG or PNG never exists whole in memory: one stored turned (EXIF orientations 3 to 8) is turned
// upright through a scratch file first. Interlaced and 16-bit PNGs, HEIF, AVIF, WebP and TIFF
// photos are decoded whole, and so is every photo whose copy is written in another format than
// JPEG (StampEngineOptions::format). stampPhoto may run on several threads at once.
class StampEngine {
public:
    StampEngine(const Image& logo, PlacementDescription placement, StampEngineOptions options = {});

    const PlacementDescription& placement() const { return m_placement; }
    // The identity of what this engine stamps: logo pixels, placement and mode. Every photo it
    // stamps carries it in its XMP with its source's content hash.
    // Worked out (from every pixel of the logo) where it is first asked for, unless
    // startHashing() set it going on a thread of its own beforehand.
    const std::string& stampHash() const { return m_stampHash.get(); }
    // Works out the stamp's identity on another thread while the caller goes on (for a batch:
    // while its first photos are read). Call it before the engine is shared.
    void startHashing();
    const StampEngineOptions& options() const { return m_options; }
    const Image& topImage() const { return m_topImage; } // the logo as turned for the batch
    // The turned logo's width ÷ height: a logo that is not square keeps its proportions.
    double logoAspect() const { return m_topImage.isEmpty() ? 1.0 : static_cast<double>(m_topImage.pixelWidth()) / m_topImage.pixelHeight(); }

    // Where, how large, how turned and how opaque the logo goes on an upright photo of width ×
    // height pixels: the one rule the stamped photos and every preview of them follow.
    LogoPlacement placementOn(double width, double height) const { return logoPlacement(m_placement, width, height, logoAspect()); }
    // The halo the logo gets on a photo of width × height pixels, measured on picture, the photo
    // upright at any size (a thumbnail will do); None unless the options adapt.
    HaloTone haloToneOn(const Image& picture, int width, int height) const;
    // picture (the photo upright, of width × height pixels, at any size) with the logo and its
    // halo drawn as they are stamped, scaled to the picture: the previews of the review grid.
    Image previewOn(const Image& picture, int width, int height) const;

    // Composes the photo at source and writes the JPEG to out. Nothing is written on failure
    // other than what already reached out; the caller discards it. sourceName is what the
    // stamped copy records as its source's name (batchSourceName); none when empty. A placement
    // that leaves nothing of the logo to see on this photo fails it, naming why.
    Result<StampedPhoto> stampPhoto(const std::filesystem::path& source, std::FILE* out, const std::string& sourceName = {}) const;

    // The format the source's stamped copy is written in (never Same), and its file extension.
    StampFormat outputFormat(const std::filesystem::path& source) const;
    static std::string extensionOf(StampFormat format);

    // The largest photo accepted, in pixels.
    void setMaxPixels(std::int64_t pixels) { m_maxPixels = pixels; }

private:
    // The logo drawn at the opacity over transparency, cut to the photo: premultiplied pixels that
    // cover the columns [x, x + width) and rows [y, y + height) of the photo.
    struct LogoTile {
        int x { 0 };
        int y { 0 };
        int width { 0 };
        int height { 0 };
        std::vector<std::uint32_t> pixels;
        bool failed { false }; // the logo should show but could not be drawn
    };
    std::shared_ptr<const LogoTile> tileFor(int width, int height, const LogoPlacement& placement, HaloTone tone = HaloTone::None) const;
    // The logo and its halo drawn for a canvas of width × height at placement.
    LogoTile drawTile(int width, int height, const LogoPlacement& placement, HaloTone tone) const;
    // The halo for the photo at source (measured on a reduced decoding of it); None unless adapting.
    HaloTone haloToneFor(const std::filesystem::path& source, int orientation, int width, int height) const;
    // Lossless stamping of a JPEG; unsupported is set (and nothing written) when the photo needs
    // the normal mode instead.
    Result<StampedPhoto> stampLossless(const std::filesystem::path& source, std::FILE* out, const std::string& sourceName, std::string& unsupported) const;
    // Why nothing of the logo would show on a width × height photo with this tile (an error), or
    // a notice when only part of it does; empty when it shows whole.
    Result<std::string> checkVisible(const LogoPlacement& placement, int width, int height, const LogoTile& tile) const;
    // The tile with its colours turned from sRGB into the photo's ICC profile, when the photo
    // carries one that is not sRGB; the tile itself otherwise.
    static std::shared_ptr<const LogoTile> tileInProfile(std::shared_ptr<const LogoTile> tile, const std::vector<std::uint8_t>& iccProfile);
    // The metadata every stamped photo carries: upright (or still turned, with orientation)
    // width × height, the software tag, and which source, logo and placement made it. The source
    // is hashed from sourceBytes when they are given (already read), from the file otherwise.
    void prepareStampMetadata(ImageMetadata& metadata, const std::filesystem::path& source, const std::string& sourceName, int width, int height, int orientation = 1, std::span<const std::uint8_t> sourceBytes = {}) const;
    static void compositeRows(std::uint8_t* rows, int firstRow, int count, int width, const LogoTile& tile);
    // A copy in another format than JPEG: the photo decoded whole, made upright, stamped and
    // encoded with the metadata the format holds; what it cannot hold is said in the notice.
    Result<StampedPhoto> stampInFormat(const std::filesystem::path& source, std::FILE* out, StampFormat format, const std::string& sourceName) const;

    Image m_topImage;
    PlacementDescription m_placement;
    StampEngineOptions m_options;
    std::shared_future<std::string> m_stampHash;
    std::int64_t m_maxPixels { 200'000'000 };
    mutable std::mutex m_tileMutex;
    mutable std::map<std::tuple<int, int, HaloTone>, std::shared_ptr<const LogoTile>> m_tiles; // by photo size and halo
};

}
