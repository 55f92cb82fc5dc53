#include "StampFixtures.h"

#include <CommandSupport.h>
#include <TestSupport.h>

#include <platform/foundation/ContentHash.h>
#include <platform/graphics/ImageMetadata.h>
#include <watermark/StampEngine.h>
#include <watermark/StampProvenance.h>

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using namespace vd;
using namespace vd::test;

namespace {

void writeCameraPhoto(const std::filesystem::path& path)
{
    vd::test::writeUniformJpeg(path, 800, 600, 0x336699);
    vd::test::editMetadata(path, [](Exiv2::Image& image) {
        Exiv2::ExifData& exif = image.exifData();
        exif["Exif.Image.Make"] = "Canon";
        exif["Exif.Image.Model"] = "Canon EOS 5D";
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
        exif["Exif.Image.Software"] = "Firmware 1.0";
        exif["Exif.Photo.DateTimeOriginal"] = "2019:07:14 10:20:30";
        exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(800);
        exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(600);
        exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
        exif["Exif.GPSInfo.GPSLatitude"] = "45/1 30/1 0/1";
        // An embedded thumbnail that shows the photo as it was.
        const auto thumbnail = *encodeJpeg(vd::test::opaqueLogo(160, Color::rgba(0.2, 0.4, 0.6)));
        Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
        image.iptcData()["Iptc.Application2.Caption"] = "Harbour at dawn";
        image.iptcData()["Iptc.Application2.Keywords"] = "sea";
        image.xmpData()["Xmp.dc.title"] = "lang=\"x-default\" Harbour";
        image.xmpData()["Xmp.tiff.Orientation"] = "1";
        const auto& icc = vd::test::srgbProfile();
        Exiv2::DataBuf profile(icc.data(), static_cast<long>(icc.size()));
        image.setIccProfile(profile, false);
    });
}

class StampMetadata : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = folder / "IMG_0001.jpg";
        writeCameraPhoto(source);
        sourceBytes = *files::readAll(source);
        stamped = folder / "stamped.jpg";
        auto result = vd::test::stampToFile(StampEngine(vd::test::opaqueLogo(40, Color::rgba(1, 1, 1)), {}), source, stamped);
        ASSERT_TRUE(result.has_value()) << result.error().message;
    }

    vd::test::TemporaryFolder folder;
    std::filesystem::path source;
    std::filesystem::path stamped;
    std::vector<std::uint8_t> sourceBytes;
};

}

TEST_F(StampMetadata, SourceMetadataIsKeptWithOrientationOneSoftwareTagAndNoStaleThumbnail)
{
    auto before = ImageMetadata::readFromFile(source);
    ASSERT_TRUE(before.has_value());
    EXPECT_TRUE(before->hasExifThumbnail());

    auto after = ImageMetadata::readFromFile(stamped);
    ASSERT_TRUE(after.has_value()) << after.error().message;
    vd::test::expectExif(*after, { { "Exif.Image.Make", "Canon" }, { "Exif.Image.Model", "Canon EOS 5D" }, { "Exif.Image.Software", kStampSoftware },
                                     { "Exif.GPSInfo.GPSLatitude", "45/1 30/1 0/1" }, { "Exif.Photo.PixelXDimension", "800" }, { "Exif.Photo.PixelYDimension", "600" } });
    EXPECT_EQ(after->orientation(), 1);
    EXPECT_EQ(after->dateTimeOriginal(), "2019:07:14 10:20:30");
    EXPECT_FALSE(after->hasExifThumbnail());
    EXPECT_EQ(after->iptcValue("Iptc.Application2.Caption"), "Harbour at dawn");
    EXPECT_EQ(after->xmpValue("Xmp.tiff.Orientation"), "1");
    EXPECT_NE(after->xmpValue("Xmp.dc.title").value_or("").find("Harbour"), std::string::npos);
    EXPECT_EQ(after->iccProfile(), vd::test::srgbProfile());
    EXPECT_EQ(*files::readAll(source), sourceBytes) << "the source is never modified";

    // Another reader than the one that wrote it finds nothing wrong, no stale thumbnail, and the
    // full-resolution colour a quality-100 stamp is written with.
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
    const std::string output = vd::test::runShell("exiftool -json -n -a '" + stamped.string() + "' 2>/dev/null | cat").output;
    auto json = nlohmann::json::parse(output, nullptr, false);
    ASSERT_TRUE(json.is_array() && !json.empty()) << output;
    const auto& tags = json[0];
    EXPECT_EQ(tags.value("Software", ""), "Vardenico App");
    EXPECT_EQ(tags.value("ExifImageWidth", 0), 800);
    EXPECT_FALSE(tags.contains("ThumbnailImage"));
    EXPECT_TRUE(tags.contains("ProfileCMMType")) << output;
    EXPECT_EQ(tags.value("YCbCrSubSampling", ""), "1 1");
    const std::string warnings = vd::test::runShell("exiftool -validate -warning -a '" + stamped.string() + "'").output;
    EXPECT_EQ(warnings.find("Error"), std::string::npos) << warnings;
}

TEST_F(StampMetadata, MetadataCanBeEmbeddedIntoJpegBytesAndHostileBytesAreRefused)
{
    auto metadata = ImageMetadata::readFromFile(source);
    ASSERT_TRUE(metadata.has_value());
    metadata->prepareForDerivedImage(800, 600, kStampSoftware);

    auto jpeg = encodeJpeg(Image::fromBuffer(PixelBuffer { 800, 600, std::vector<std::uint32_t>(800 * 600, 0xff000000u), true }));
    auto embedded = metadata->embedInJpeg(*jpeg);
    ASSERT_TRUE(embedded.has_value()) << embedded.error().message;
    auto back = ImageMetadata::readFromBytes(*embedded, "embedded");
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->exifValue("Exif.Image.Software"), kStampSoftware);
    EXPECT_EQ(back->iptcValue("Iptc.Application2.Caption"), "Harbour at dawn");
    EXPECT_TRUE(decodeJpeg(*embedded).has_value());

    const std::vector<std::uint8_t> garbage { 0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F };
    EXPECT_FALSE(metadata->embedInJpeg(garbage).has_value());
    auto fromGarbage = ImageMetadata::readFromBytes(garbage, "garbage.jpg");
    if (!fromGarbage)
        EXPECT_NE(fromGarbage.error().message.find("garbage.jpg"), std::string::npos);
    else
        EXPECT_EQ(fromGarbage->orientation(), 1);
}

namespace {

// A PNG as vips saves one from a camera's JPEG, made with libpng as vips makes it: the EXIF in an
// eXIf chunk that libpng 1.6 writes twice (before and after the pixels; a copy is added if this
// libpng writes it once), the XMP packet in a zTXt chunk, and a plain text comment.
void writeVipsLikePng(const std::filesystem::path& path, const std::string& xmpPacket)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "SONY";
    exif["Exif.Image.Model"] = "DSC-RX100M4";
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
    exif["Exif.Photo.DateTimeOriginal"] = "2020:02:19 16:35:05";
    exif["Exif.Photo.ExposureTime"] = "1/80";
    Exiv2::Blob tiff;
    Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, exif);

    std::string xmpKey = "XML:com.adobe.xmp", commentKey = "Comment", comment = "made like vips";
    vd::test::writePng(path, 64, 48, { "RGB", PNG_COLOR_TYPE_RGB, 8, false, false }, [](int x, int y) { return std::array<int, 4> { x * 4, y * 5, 128, 255 }; }, [&](png_structp png, png_infop info) {
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(tiff.size()), tiff.data());
        png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
        png_text text[2] { { PNG_TEXT_COMPRESSION_zTXt, xmpKey.data(), const_cast<char*>(xmpPacket.c_str()), xmpPacket.size() }, { PNG_TEXT_COMPRESSION_NONE, commentKey.data(), comment.data(), comment.size() } };
        png_set_text(png, info, text, 2);
    });

    // Two eXIf chunks, whatever this libpng does.
    auto bytes = *files::readAll(path);
    std::vector<std::pair<std::size_t, std::size_t>> exifChunks; // offset, whole length
    std::size_t iend = 0;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::size_t length = std::size_t(bytes[at]) << 24 | std::size_t(bytes[at + 1]) << 16 | std::size_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (std::memcmp(&bytes[at + 4], "eXIf", 4) == 0)
            exifChunks.emplace_back(at, length + 12);
        if (std::memcmp(&bytes[at + 4], "IEND", 4) == 0)
            iend = at;
        at += length + 12;
    }
    ASSERT_FALSE(exifChunks.empty());
    ASSERT_NE(iend, 0u);
    if (exifChunks.size() == 1) {
        const std::vector<std::uint8_t> chunk(bytes.begin() + static_cast<long>(exifChunks[0].first), bytes.begin() + static_cast<long>(exifChunks[0].first + exifChunks[0].second));
        bytes.insert(bytes.begin() + static_cast<long>(iend), chunk.begin(), chunk.end());
        ASSERT_TRUE(files::writeAtomically(path, bytes));
    }
}

std::string xmpPacketWithTitle(const std::string& title, bool duplicated)
{
    std::string packet = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                         "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:exif='http://ns.adobe.com/exif/1.0/'>"
                         "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>"
        + title + "</rdf:li></rdf:Alt></dc:title><exif:Make>SONY</exif:Make>";
    if (duplicated) // as an old GIMP wrote its EXIF into XMP, every time it saved the picture
        packet += "<exif:Make>SONY</exif:Make>";
    return packet + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

}

TEST(StampPngMetadata, APngWithItsExifTwiceAndItsXmpInATextChunkKeepsAllOfIt)
{
    vd::test::TemporaryFolder folder;
    const auto source = folder / "from-vips.png";
    writeVipsLikePng(source, xmpPacketWithTitle("Harbour", false));
    auto read = ImageMetadata::readFromFile(source);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->exifValue("Exif.Image.Model"), "DSC-RX100M4");

    StampEngine engine(vd::test::opaqueLogo(16, Color::rgba(1, 1, 1)), PlacementDescription());
    const auto stamped = folder / "stamped.jpg";
    auto result = vd::test::stampToFile(engine, source, stamped);
    ASSERT_TRUE(result.has_value()) << result.error().message;
    EXPECT_EQ(result->notice, "");

    auto after = ImageMetadata::readFromFile(stamped);
    ASSERT_TRUE(after.has_value());
    vd::test::expectExif(*after, { { "Exif.Image.Make", "SONY" }, { "Exif.Photo.ExposureTime", "1/80" }, { "Exif.Image.Software", kStampSoftware } });
    EXPECT_EQ(after->dateTimeOriginal(), "2020:02:19 16:35:05");
    EXPECT_NE(after->xmpValue("Xmp.dc.title").value_or("").find("Harbour"), std::string::npos);
    auto provenance = readStampProvenance(stamped);
    ASSERT_TRUE(provenance.has_value());
    EXPECT_EQ(provenance->sourceHash, *ContentHash::ofFile(source));
    // Each tag once: the stamped JPEG's EXIF is the PNG's, not two copies of it.
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(stamped.string());
    image->readMetadata();
    int makes = 0;
    for (const auto& datum : image->exifData())
        makes += datum.key() == "Exif.Image.Make";
    EXPECT_EQ(makes, 1);
}

TEST(StampPngMetadata, AnXmpPacketThatIsNotValidXmpIsLeftOutAndTheNoticeSaysSo)
{
    vd::test::TemporaryFolder folder;
    StampEngineOptions losslessMode;
    losslessMode.lossless = true;
    StampEngine normal(vd::test::opaqueLogo(16, Color::rgba(1, 1, 1)), PlacementDescription());
    StampEngine lossless(vd::test::opaqueLogo(16, Color::rgba(1, 1, 1)), PlacementDescription(), losslessMode);
    for (const std::string_view format : { "png", "jpg", "lossless jpg" }) {
        const StampEngine& engine = format == "lossless jpg" ? lossless : normal;
        const auto source = folder / ("gimp-xmp." + std::string(format.substr(format.find(' ') + 1)));
        const std::string packet = xmpPacketWithTitle("Harbour", true);
        if (format == "png") {
            writeVipsLikePng(source, packet);
        } else {
            // Exiv2 refuses to write such a packet: it goes into its APP1 segment by hand.
            vd::test::writeUniformJpeg(source, 80, 60, 0x336699);
            vd::test::editMetadata(source, [](Exiv2::Image& image) { image.exifData()["Exif.Image.Make"] = "Canon"; });
            auto bytes = *files::readAll(source);
            const std::string segment = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + packet;
            const std::uint8_t header[] = { 0xFF, 0xE1, static_cast<std::uint8_t>((segment.size() + 2) >> 8), static_cast<std::uint8_t>(segment.size() + 2) };
            bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
            bytes.insert(bytes.begin() + 2, header, header + 4);
            ASSERT_TRUE(files::writeAtomically(source, bytes));
        }
        const auto stamped = folder / ("stamped-" + std::string(format) + ".jpg");
        auto result = vd::test::stampToFile(engine, source, stamped);
        ASSERT_TRUE(result.has_value()) << result.error().message;
        EXPECT_EQ(result->lossless, format == "lossless jpg");
        EXPECT_NE(result->notice.find("XMP left out: the photo's "), std::string::npos) << format << ": " << result->notice;
        EXPECT_NE(result->notice.find("packet is not valid XMP"), std::string::npos) << result->notice;
        EXPECT_EQ(result->notice.find("cannot encode"), std::string::npos) << result->notice;
        // The rest of the metadata and the provenance are there all the same.
        auto after = ImageMetadata::readFromFile(stamped);
        ASSERT_TRUE(after.has_value());
        EXPECT_FALSE(after->exifValue("Exif.Image.Make").value_or("").empty()) << format;
        EXPECT_TRUE(readStampProvenance(stamped).has_value()) << format;
    }
}

// PNG photos are stamped a strip of rows at a time like JPEGs; the colours that come out are the
// ones the whole-picture decoding gives, for every kind of PNG, laid over the background where
// the photo is transparent.

namespace {

std::array<int, 4> pattern(int x, int y)
{
    // Grey levels a palette can hold in the left half, colour (never the logo's green) in the
    // right; a clear band on top.
    const int grey = (x / 7 + y / 5) % 16 * 17;
    const int alpha = y < 12 ? 0 : y < 24 ? 128 : 255;
    return { grey, x >= 100 ? grey / 2 : grey, x >= 100 ? 255 - grey : grey, alpha };
}

using StampPng = vd::test::FolderTest;

}

TEST_F(StampPng, EveryKindOfPngComesOutInTheColoursOfItsDecoding)
{
    const PngKind kinds[] = {
        { "RGB", PNG_COLOR_TYPE_RGB, 8, false, false },
        { "RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false },
        { "grey", PNG_COLOR_TYPE_GRAY, 8, false, false },
        { "grey with a transparent level", PNG_COLOR_TYPE_GRAY, 8, false, true },
        { "palette with a transparent entry", PNG_COLOR_TYPE_PALETTE, 4, false, true },
        { "16-bit RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false },
        { "interlaced RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false },
    };
    const StampEngine engine(vd::test::opaqueLogo(40, Color::rgba(0, 1, 0)), bottomRight(25));
    StampEngineOptions overRed;
    overRed.background = 0xff0000;
    const StampEngine redEngine(vd::test::opaqueLogo(40, Color::rgba(0, 1, 0)), bottomRight(25), overRed);
    // The decoded picture's premultiplied colour over a background.
    auto over = [](std::uint32_t pixel, std::uint32_t background) {
        const std::uint32_t keep = 255 - (pixel >> 24);
        std::uint32_t rgb = 0;
        for (int shift = 16; shift >= 0; shift -= 8)
            rgb |= (((pixel >> shift) & 0xFF) + (((background >> shift) & 0xFF) * keep + 127) / 255) << shift;
        return rgb;
    };
    for (const PngKind& kind : kinds) {
        SCOPED_TRACE(kind.label);
        const auto source = folder / "photo.png";
        writePng(source, 211, 143, kind, pattern);
        const bool transparent = kind.colourType == PNG_COLOR_TYPE_RGB_ALPHA || kind.transparentColour;
        for (const StampEngine* stamping : { &engine, &redEngine }) {
            const std::uint32_t background = stamping->options().background;
            SCOPED_TRACE(background);
            auto stamped = stampToFile(*stamping, source, folder / "out.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            const Image expected = decodeStored(source);
            const Image out = decodeStored(folder / "out.jpg");
            ASSERT_EQ(out.pixelWidth(), 211);
            ASSERT_EQ(out.pixelHeight(), 143);
            const Box box = greenBox(out);
            EXPECT_NEAR(box.left, stamped->placement.x, 1);
            EXPECT_NEAR(box.bottom, 143 - 11 - 1, 1);
            int wrong = 0;
            for (int y = 0; y < 143; ++y)
                for (int x = 0; x < 211; ++x) {
                    const bool nearLogo = x >= box.left - 2 && y >= box.top - 2;
                    // Quality 100, 4:4:4: a few levels at most, more at the pattern's sharp steps.
                    if (!nearLogo && !near(rgbAt(out, x, y), over(expected.pixelAt(x, y), background), 24))
                        ++wrong;
                }
            EXPECT_LT(wrong, 211 * 143 / 100);
            // Clear parts take the background's colour (white unless asked), and the photo says so.
            if (kind.colourType == PNG_COLOR_TYPE_RGB_ALPHA) {
                EXPECT_TRUE(near(rgbAt(out, 150, 3), background, 6)) << std::hex << rgbAt(out, 150, 3);
            }
            EXPECT_EQ(stamped->notice.find("transparent parts, laid over " + std::string(background == 0xffffff ? "white" : "#ff0000")) != std::string::npos, transparent) << stamped->notice;
        }
    }
}

TEST_F(StampPng, ADamagedOneIsAnErrorNamingIt)
{
    const auto source = folder / "photo.png";
    writePng(source, 300, 200, { "RGB", PNG_COLOR_TYPE_RGB, 8, false, false }, pattern);
    const StampEngine engine(vd::test::opaqueLogo(20, Color::rgba(0, 1, 0)), bottomRight(10));
    auto stamped = stampToFile(engine, cutShort(source, folder / "damaged.png", 0.5), folder / "out.jpg");
    ASSERT_FALSE(stamped.has_value());
    EXPECT_NE(stamped.error().message.find("damaged.png"), std::string::npos) << stamped.error().message;
}
