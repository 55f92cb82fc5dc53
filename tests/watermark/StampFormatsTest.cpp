#include "StampFixtures.h"

using namespace vd;
using namespace vd::test;

namespace {

enum class Kind { Heic, Avif, WebpLossy, WebpLossless, Tiff8Strips, Tiff16Tiles };

// A photo of each kind as the libraries themselves write it. The picture upright is 96 × 64,
// red in its top-left quarter, blue elsewhere; it is stored turned the way `orientation` undoes:
// by the file's own transformation in HEIF, by the EXIF Orientation elsewhere.
struct PhotoKind {
    const char* name;
    Kind kind;
    int orientation;
    bool alpha() const { return kind == Kind::WebpLossless || kind == Kind::Tiff16Tiles; }
};

constexpr int kWidth = 96, kHeight = 64;
constexpr std::uint32_t kRed = 0xd02020, kBlue = 0x2040c0;

// With alpha, its bottom-right pixel is the blue half clear (premultiplied).
Image uprightPicture(bool withAlpha)
{
    PixelBuffer buffer { kWidth, kHeight, std::vector<std::uint32_t>(kWidth * kHeight), !withAlpha };
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            buffer.pixels[y * kWidth + x] = 0xff000000u | (x < kWidth / 2 && y < kHeight / 2 ? kRed : kBlue);
    if (withAlpha)
        buffer.pixels.back() = 0x80000000u | (0x80 * 0x20 / 255 << 16) | (0x80 * 0x40 / 255 << 8) | (0x80 * 0xc0 / 255);
    return Image::fromBuffer(std::move(buffer));
}

// Writes the photo at path and gives its bytes.
std::vector<std::uint8_t> writePhoto(const PhotoKind& kind, const std::filesystem::path& path)
{
    // Orientations 6 and 8 undo each other; the others undo themselves.
    const int inverse = kind.orientation == 6 ? 8 : kind.orientation == 8 ? 6 : kind.orientation;
    const Image stored = uprightImage(uprightPicture(kind.alpha()), inverse);
    ImageMetadata metadata;
    metadata.setExifValue("Exif.Image.Make", "Apple");
    metadata.setExifValue("Exif.Image.Model", "iPhone 15");
    metadata.setExifValue("Exif.Image.Orientation", std::to_string(kind.orientation)); // HEIF: as phones repeat it
    metadata.setExifValue("Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09");
    metadata.setExifValue("Exif.GPSInfo.GPSLatitudeRef", "N");
    metadata.setExifValue("Exif.GPSInfo.GPSLatitude", "45/1 30/1 0/1");
    metadata.setIccProfile(srgbProfile());
    Result<std::vector<std::uint8_t>> bytes;
    if (kind.kind == Kind::Heic || kind.kind == Kind::Avif)
        bytes = encodeHeif(stored, { .codec = kind.kind == Kind::Avif ? HeifEncodeOptions::Codec::Av1 : HeifEncodeOptions::Codec::Hevc, .quality = 90, .orientation = kind.orientation }, metadata.blocks());
    else if (kind.kind == Kind::WebpLossy || kind.kind == Kind::WebpLossless)
        bytes = encodeWebp(stored, { .quality = 90, .lossless = kind.kind == Kind::WebpLossless }, metadata.blocks());
    else if ((bytes = encodeTiff(stored, { .bitsPerSample = kind.kind == Kind::Tiff16Tiles ? 16 : 8, .tiled = kind.kind == Kind::Tiff16Tiles, .orientation = kind.orientation })))
        bytes = metadata.embedIn(*bytes, kind.name);
    EXPECT_TRUE(bytes && files::writeAtomically(path, *bytes)) << kind.name << ": " << (bytes ? "" : bytes.error().message);
    return bytes ? *bytes : std::vector<std::uint8_t> {};
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
// What a camera and a photo manager record, as Exiv2 writes it: make, model, date, place, a
// thumbnail of the photo as it was, a caption, the sRGB profile.
void addCameraMetadata(const std::filesystem::path& path)
{
    editMetadata(path, [](Exiv2::Image& image) {
        Exiv2::ExifData& exif = image.exifData();
        exif["Exif.Image.Make"] = "Apple";
        exif["Exif.Image.Model"] = "iPhone 15";
        exif["Exif.Image.Software"] = "Firmware 1.0";
        exif["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
        exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
        exif["Exif.GPSInfo.GPSLatitude"] = "45/1 30/1 0/1";
        const auto thumbnail = *encodeJpeg(opaqueLogo(160, Color::rgba(0.2, 0.4, 0.6)));
        Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
        image.iptcData()["Iptc.Application2.Caption"] = "Harbour at dawn";
        Exiv2::DataBuf profile(srgbProfile().data(), static_cast<long>(srgbProfile().size()));
        image.setIccProfile(profile, false);
    });
}
#pragma GCC diagnostic pop

// What the camera recorded, kept in the stamped copy, which is upright.
void expectCameraMetadata(const std::filesystem::path& stamped)
{
    auto metadata = ImageMetadata::readFromFile(stamped);
    ASSERT_TRUE(metadata.has_value()) << metadata.error().message;
    expectExif(*metadata, { { "Exif.Image.Make", "Apple" }, { "Exif.GPSInfo.GPSLatitude", "45/1 30/1 0/1" }, { "Exif.Image.Software", kStampSoftware } });
    EXPECT_EQ(metadata->dateTimeOriginal(), "2024:05:06 07:08:09");
    EXPECT_EQ(metadata->orientation(), 1);
    EXPECT_EQ(metadata->iccProfile(), srgbProfile());
}

// The stamped picture: the photo's size, its red quarter, and the green logo at (x, y); the
// half-clear corner of a picture with alpha laid over white.
void expectStampedPicture(const std::filesystem::path& stamped, int x, int y, bool halfClearCorner = false)
{
    const Image picture = decodeStored(stamped);
    ASSERT_EQ(picture.pixelWidth(), kWidth);
    ASSERT_EQ(picture.pixelHeight(), kHeight);
    expectColours(picture, { { 4, 4, kRed }, { 4, kHeight - 4, kBlue }, { kWidth - 4, kHeight - 20, kBlue }, { x, y, 0x00ff00 }, { kWidth - 1, kHeight - 1, halfClearCorner ? 0x8f9fdfu : kBlue } }, 40);
}

const PhotoKind kKinds[] = {
    { "heic-1", Kind::Heic, 1 }, { "heic-2", Kind::Heic, 2 }, { "heic-3", Kind::Heic, 3 }, { "heic-4", Kind::Heic, 4 },
    { "heic-5", Kind::Heic, 5 }, { "heic-6", Kind::Heic, 6 }, { "heic-7", Kind::Heic, 7 }, { "heic-8", Kind::Heic, 8 },
    { "avif-6", Kind::Avif, 6 },
    { "webp-8", Kind::WebpLossy, 8 }, { "webp-alpha-3", Kind::WebpLossless, 3 },
    { "tiff8-6", Kind::Tiff8Strips, 6 }, { "tiff16-tiled-alpha-5", Kind::Tiff16Tiles, 5 }, { "tiff8-1", Kind::Tiff8Strips, 1 },
};

}

// Each kind is stamped to a JPEG that is upright once (never turned twice by a HEIF's own
// transformation and its EXIF Orientation), keeps its metadata and shows the logo where it was put.
TEST(StampFormats, EveryKindIsStampedUprightWithItsMetadataAndTheLogo)
{
    TemporaryFolder folder;
    StampEngine engine(opaqueLogo(40, Color::rgba(0, 1, 0)), {});
    for (const PhotoKind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        const auto source = folder / (std::string(kind.name) + ".photo"); // the bytes say what it is
        writePhoto(kind, source);
        const ImageFormat expected = kind.kind == Kind::Heic ? ImageFormat::Heif : kind.kind == Kind::Avif ? ImageFormat::Avif : kind.kind <= Kind::WebpLossless ? ImageFormat::Webp : ImageFormat::Tiff;
        EXPECT_EQ(sniffFileFormat(source), expected);
        const auto stamped = folder / (std::string(kind.name) + ".jpg");
        auto result = stampToFile(engine, source, stamped);
        ASSERT_TRUE(result.has_value()) << result.error().message;
        const auto& logo = result->placement;
        expectStampedPicture(stamped, static_cast<int>(logo.x + logo.width / 2), static_cast<int>(logo.y + logo.height / 2), kind.alpha());
        EXPECT_EQ(result->notice.find("laid over white") != std::string::npos, kind.alpha()) << result->notice;
        expectCameraMetadata(stamped);
    }
}

// A damaged file and one over the pixel limit each give one line naming the file and why; the
// batch stamps the others, and a second run with skip-done finds them already stamped.
TEST(StampFormats, DamagedAndOversizedFilesFailAloneAndTheBatchGoesOn)
{
    TemporaryFolder folder;
    std::vector<std::filesystem::path> photos, whole;
    for (const PhotoKind& kind : { kKinds[5], kKinds[8], kKinds[9], kKinds[12] }) {
        whole.push_back(folder / (std::string(kind.name) + ".photo"));
        auto bytes = writePhoto(kind, whole.back());
        bytes.resize(bytes.size() * 2 / 3);
        photos.insert(photos.end(), { whole.back(), folder / (std::string("damaged-") + kind.name) });
        ASSERT_TRUE(files::writeAtomically(photos.back(), bytes).has_value());
    }
    // A whole file whose first strip does not inflate: no copy with a hole in it.
    auto strips = *encodeTiff(uprightPicture(false));
    for (std::size_t i = 16; i < 48; ++i)
        strips[i] ^= 0x5A;
    photos.push_back(folder / "damaged-strip.tif");
    ASSERT_TRUE(files::writeAtomically(photos.back(), strips).has_value());
    auto engine = std::make_shared<StampEngine>(opaqueLogo(20, Color::rgba(0, 1, 0)), PlacementDescription {});
    const auto [summary, reports] = runBatch(engine, folder / "out", photos, false, 2);
    EXPECT_EQ(summary.saved, 4u);
    EXPECT_EQ(summary.failed, 5u);
    for (const StampProgress& report : reports) { // one line naming the file and why
        const std::string name = report.source.filename().string();
        EXPECT_EQ(report.error.empty(), !name.starts_with("damaged-")) << name;
        EXPECT_TRUE(report.error.empty() || (report.error.find(name) != std::string::npos && report.error.find("damaged ") != std::string::npos && report.error.find('\n') == std::string::npos)) << report.error;
    }

    engine->setMaxPixels(kWidth * kHeight - 1);
    EXPECT_EQ(runBatch(engine, folder / "out", whole, true).first.skipped, 4u); // stamped in the first run: nothing is decoded again
    const auto [tooLarge, refusals] = runBatch(engine, folder / "elsewhere", whole, false, 2);
    EXPECT_EQ(tooLarge.failed, 4u);
    for (const StampProgress& report : refusals)
        EXPECT_TRUE(report.error.find(report.source.string()) != std::string::npos && report.error.find("larger than allowed") != std::string::npos) << report.error;
}

// Every output format holds the stamped picture, the metadata it can (what it cannot is named in
// the notice), no stale thumbnail, and the provenance that lets a second run skip the photo; the
// source is never modified.
TEST(StampFormats, EachOutputFormatHoldsThePictureAndTheMetadataItCan)
{
    TemporaryFolder folder;
    const auto jpeg = folder / "camera.jpg", webp = folder / "web.webp";
    writeJpeg(jpeg, kWidth, kHeight, [](int x, int y) { return x < kWidth / 2 && y < kHeight / 2 ? kRed : kBlue; });
    addCameraMetadata(jpeg);
    ASSERT_TRUE(ImageMetadata::readFromFile(jpeg).value().hasExifThumbnail());
    const auto jpegBytes = *files::readAll(jpeg);
    writePhoto(kKinds[9], webp);
    std::filesystem::path stampedJpeg;
    for (const auto& [format, source, extension, holdsIptc] : { std::tuple { StampFormat::Jpeg, jpeg, ".jpg", true }, { StampFormat::Png, jpeg, ".png", true },
             { StampFormat::Tiff, jpeg, ".tif", true }, { StampFormat::Webp, jpeg, ".webp", false }, { StampFormat::Heic, jpeg, ".heic", false }, { StampFormat::Avif, jpeg, ".avif", false },
             { StampFormat::Same, webp, ".webp", true } }) {
        SCOPED_TRACE(extension);
        auto engine = std::make_shared<StampEngine>(opaqueLogo(20, Color::rgba(0, 1, 0)), PlacementDescription {}, StampEngineOptions { .format = format });
        const auto out = folder / "out"; // one for all: a copy in one format is no twin of a copy in another
        const StampProgress report = runBatch(engine, out, { source }, true).second.at(0);
        ASSERT_TRUE(report.saved) << report.error;
        EXPECT_EQ(report.saved->extension(), extension);
        // Found again by what it says it was made from, whatever it is called now.
        const auto renamed = out / ("renamed-" + report.saved->filename().string());
        std::filesystem::rename(*report.saved, renamed);
        EXPECT_EQ(runBatch(engine, out, { source }, true).second.at(0).skipped, renamed) << "the provenance is read back from the copy";
        EXPECT_EQ(report.notice.find("IPTC") != std::string::npos, !holdsIptc) << report.notice;
        expectStampedPicture(renamed, kWidth / 2, kHeight / 2);
        expectCameraMetadata(renamed);
        const ImageMetadata metadata = ImageMetadata::readFromFile(renamed).value();
        EXPECT_FALSE(metadata.hasExifThumbnail());
        const bool caption = metadata.iptcValue("Iptc.Application2.Caption").has_value();
        EXPECT_TRUE(format == StampFormat::Same || caption == holdsIptc) << "the caption is " << (caption ? "there" : "gone");
        if (format == StampFormat::Jpeg)
            stampedJpeg = renamed;
    }
    EXPECT_EQ(*files::readAll(jpeg), jpegBytes) << "the source is never modified";

    // Another reader than the one that wrote the JPEG finds nothing wrong and no stale thumbnail.
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
    const std::string output = runShell("exiftool -json -n -a '" + stampedJpeg.string() + "' 2>/dev/null | cat").output;
    auto json = nlohmann::json::parse(output, nullptr, false);
    ASSERT_TRUE(json.is_array() && !json.empty()) << output;
    EXPECT_FALSE(json[0].contains("ThumbnailImage"));
    const std::string warnings = runShell("exiftool -validate -warning -a '" + stampedJpeg.string() + "'").output;
    EXPECT_EQ(warnings.find("Error"), std::string::npos) << warnings;
}
