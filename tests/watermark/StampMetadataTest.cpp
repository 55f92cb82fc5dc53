#include "StampFixtures.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using namespace vd;
using namespace vd::test;

namespace {

// A PNG as vips saves one from a camera's JPEG: the EXIF in an eXIf chunk before the pixels and
// the same again after them (as libpng 1.6 wrote it), the XMP packet in a zTXt chunk, and a plain
// text comment.
void writeVipsLikePng(const std::filesystem::path& path, const std::string& xmpPacket)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "SONY";
    exif["Exif.Image.Model"] = "DSC-RX100M4";
    exif["Exif.Photo.DateTimeOriginal"] = "2020:02:19 16:35:05";
    exif["Exif.Photo.ExposureTime"] = "1/80";
    Exiv2::Blob tiff;
    Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, exif);
    std::string xmpKey = "XML:com.adobe.xmp", commentKey = "Comment", comment = "made like vips";
    vd::test::writePng(path, 64, 48, { "RGB", PNG_COLOR_TYPE_RGB, 8, false, false }, [](int x, int y) { return std::array<int, 4> { x * 4, y * 5, 128, 255 }; }, [&](png_structp png, png_infop info) {
        png_unknown_chunk exifTwice[2] { { "eXIf", tiff.data(), tiff.size(), PNG_HAVE_IHDR }, { "eXIf", tiff.data(), tiff.size(), PNG_AFTER_IDAT } };
        png_set_unknown_chunks(png, info, exifTwice, 2);
        png_text text[2] { { PNG_TEXT_COMPRESSION_zTXt, xmpKey.data(), const_cast<char*>(xmpPacket.c_str()), xmpPacket.size() }, { PNG_TEXT_COMPRESSION_NONE, commentKey.data(), comment.data(), comment.size() } };
        png_set_text(png, info, text, 2);
    });
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

// A PNG's EXIF twice and its XMP in a text chunk are all kept, each tag once; an XMP packet that
// is not valid XMP, in a PNG or a JPEG, is left out with a notice, and the rest is kept all the same.
TEST(StampPngMetadata, APngWithItsExifTwiceAndItsXmpInATextChunkKeepsAllOfItAndInvalidXmpIsLeftOutWithANotice)
{
    TemporaryFolder folder;
    writeVipsLikePng(folder / "from-vips.png", xmpPacketWithTitle("Harbour", false));
    const std::string packet = xmpPacketWithTitle("Harbour", true);
    writeVipsLikePng(folder / "gimp-xmp.png", packet);
    // Exiv2 refuses to write such a packet: in a JPEG it goes into its APP1 segment by hand.
    writeUniformJpeg(folder / "gimp-xmp.jpg", 80, 60, 0x336699);
    editMetadata(folder / "gimp-xmp.jpg", [](Exiv2::Image& image) { image.exifData()["Exif.Image.Make"] = "Canon"; });
    auto bytes = *files::readAll(folder / "gimp-xmp.jpg");
    const std::string segment = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + packet;
    const std::uint8_t header[] = { 0xFF, 0xE1, static_cast<std::uint8_t>((segment.size() + 2) >> 8), static_cast<std::uint8_t>(segment.size() + 2) };
    bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
    bytes.insert(bytes.begin() + 2, header, header + 4);
    ASSERT_TRUE(files::writeAtomically(folder / "gimp-xmp.jpg", bytes));
    for (const auto& [source, lossless] : { std::pair { "from-vips.png", false }, { "gimp-xmp.png", false }, { "gimp-xmp.jpg", false }, { "gimp-xmp.jpg", true } }) {
        SCOPED_TRACE(std::string(source) + (lossless ? ", lossless" : ""));
        const auto stamped = folder / "stamped.jpg";
        auto result = stampToFile(StampEngine(opaqueLogo(16, Color::rgba(1, 1, 1)), {}, { .lossless = lossless }), folder / source, stamped);
        ASSERT_TRUE(result.has_value()) << result.error().message;
        EXPECT_EQ(result->lossless, lossless);
        auto after = ImageMetadata::readFromFile(stamped);
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(readStampProvenance(stamped).value_or(StampProvenance {}).sourceHash, *ContentHash::ofFile(folder / source));
        if (std::string(source) != "from-vips.png") {
            const std::string& notice = result->notice;
            EXPECT_TRUE(notice.contains("XMP left out: the photo's ") && notice.contains("packet is not valid XMP") && !notice.contains("cannot encode")) << notice;
            EXPECT_FALSE(after->exifValue("Exif.Image.Make").value_or("").empty());
            continue;
        }
        EXPECT_EQ(result->notice, "");
        expectExif(*after, { { "Exif.Image.Make", "SONY" }, { "Exif.Image.Model", "DSC-RX100M4" }, { "Exif.Photo.ExposureTime", "1/80" }, { "Exif.Image.Software", kStampSoftware } });
        EXPECT_EQ(after->dateTimeOriginal(), "2020:02:19 16:35:05");
        EXPECT_NE(after->xmpValue("Xmp.dc.title").value_or("").find("Harbour"), std::string::npos);
        // Each tag once: the stamped JPEG's EXIF is the PNG's, not two copies of it.
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(stamped.string());
        image->readMetadata();
        EXPECT_EQ(std::ranges::count_if(image->exifData(), [](const Exiv2::Exifdatum& datum) { return datum.key() == "Exif.Image.Make"; }), 1);
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

using StampPng = FolderTest;

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
        const Image expected = decodeStored(source);
        const bool transparent = kind.colourType == PNG_COLOR_TYPE_RGB_ALPHA || kind.transparentColour;
        for (const auto& [options, background] : { std::pair { StampEngineOptions {}, 0xffffffu }, { StampEngineOptions { .background = 0xff0000 }, 0xff0000u } }) {
            SCOPED_TRACE(background);
            auto stamped = stampToFile(StampEngine(opaqueLogo(40, Color::rgba(0, 1, 0)), bottomRight(25), options), source, folder / "out.jpg");
            ASSERT_TRUE(stamped.has_value()) << stamped.error().message;
            const Image out = decodeStored(folder / "out.jpg");
            ASSERT_EQ(out.pixelWidth(), 211);
            ASSERT_EQ(out.pixelHeight(), 143);
            const Rect box = greenBox(out);
            EXPECT_NEAR(box.x(), stamped->placement.x, 1);
            EXPECT_NEAR(box.maxY(), 143 - 11, 1);
            int wrong = 0;
            for (int y = 0; y < 143; ++y)
                for (int x = 0; x < 211; ++x) // quality 100, 4:4:4: a few levels at most, more at the pattern's sharp steps
                    wrong += !(x >= box.x() - 2 && y >= box.y() - 2) && !near(rgbAt(out, x, y), over(expected.pixelAt(x, y), background), 24);
            EXPECT_LT(wrong, 211 * 143 / 100);
            // Clear parts take the background's colour (white unless asked), and the photo says so.
            EXPECT_TRUE(kind.colourType != PNG_COLOR_TYPE_RGB_ALPHA || near(rgbAt(out, 150, 3), background, 6)) << std::hex << rgbAt(out, 150, 3);
            EXPECT_EQ(stamped->notice.find("transparent parts, laid over " + std::string(background == 0xffffff ? "white" : "#ff0000")) != std::string::npos, transparent) << stamped->notice;
        }
    }
}
