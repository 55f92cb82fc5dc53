#include "PhotoFixtures.h"

#include <TestSupport.h>

#include <platform/graphics/ImageMetadata.h>
#include <watermark/StampEngine.h>

#include <cstdio>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using namespace vd;

namespace {

// A small, well-formed ICC profile: the header, a tag table of one entry and the white point.
std::vector<std::uint8_t> iccProfileBytes()
{
    std::vector<std::uint8_t> icc(164, 0);
    auto put32 = [&](size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            icc[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    };
    auto putText = [&](size_t at, const char* text) { std::copy_n(text, 4, icc.begin() + static_cast<long>(at)); };
    put32(0, 164);
    putText(4, "lcms");
    put32(8, 0x02100000);
    putText(12, "mntr");
    putText(16, "RGB ");
    putText(20, "XYZ ");
    putText(36, "acsp");
    put32(128, 1); // one tag
    putText(132, "wtpt");
    put32(136, 144);
    put32(140, 20);
    putText(144, "XYZ ");
    put32(152, 0xF6D6), put32(156, 0x10000), put32(160, 0xD32D); // D50
    return icc;
}

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
        std::vector<std::uint8_t> thumbnail;
        {
            PixelBuffer buffer;
            buffer.width = 160;
            buffer.height = 120;
            buffer.opaque = true;
            buffer.pixels.assign(160 * 120, 0xff336699u);
            thumbnail = *encodeJpeg(Image::fromBuffer(std::move(buffer)));
        }
        Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
        image.iptcData()["Iptc.Application2.Caption"] = "Harbour at dawn";
        image.iptcData()["Iptc.Application2.Keywords"] = "sea";
        image.xmpData()["Xmp.dc.title"] = "lang=\"x-default\" Harbour";
        image.xmpData()["Xmp.tiff.Orientation"] = "1";
        const auto icc = iccProfileBytes();
        Exiv2::DataBuf profile(icc.data(), static_cast<long>(icc.size()));
        image.setIccProfile(profile, false);
    });
}

std::string runCapturing(const std::string& command)
{
    std::string output;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char chunk[4096];
    while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
        output.append(chunk, got);
    ::pclose(pipe);
    return output;
}

class StampMetadata : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = folder / "IMG_0001.jpg";
        writeCameraPhoto(source);
        sourceBytes = *files::readAll(source);
        PlacementDescription placement;
        StampEngine engine(vd::test::opaqueLogo(40, Color::rgba(1, 1, 1)), placement);
        stamped = folder / "stamped.jpg";
        std::FILE* out = std::fopen(stamped.c_str(), "wb");
        auto result = engine.stampPhoto(source, out);
        std::fclose(out);
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
    EXPECT_EQ(after->exifValue("Exif.Image.Make"), "Canon");
    EXPECT_EQ(after->exifValue("Exif.Image.Model"), "Canon EOS 5D");
    EXPECT_EQ(after->exifValue("Exif.Image.Software"), kStampSoftware);
    EXPECT_EQ(after->orientation(), 1);
    EXPECT_EQ(after->dateTimeOriginal(), "2019:07:14 10:20:30");
    EXPECT_EQ(after->exifValue("Exif.GPSInfo.GPSLatitude"), "45/1 30/1 0/1");
    EXPECT_EQ(after->exifValue("Exif.Photo.PixelXDimension"), "800");
    EXPECT_EQ(after->exifValue("Exif.Photo.PixelYDimension"), "600");
    EXPECT_FALSE(after->hasExifThumbnail());
    EXPECT_EQ(after->iptcValue("Iptc.Application2.Caption"), "Harbour at dawn");
    EXPECT_EQ(after->xmpValue("Xmp.tiff.Orientation"), "1");
    EXPECT_NE(after->xmpValue("Xmp.dc.title").value_or("").find("Harbour"), std::string::npos);
    EXPECT_EQ(after->iccProfile(), iccProfileBytes());
}

TEST_F(StampMetadata, ExiftoolReadsTheSameMetadata)
{
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
    const std::string output = runCapturing("exiftool -json -n -a '" + stamped.string() + "'");
    auto json = nlohmann::json::parse(output, nullptr, false);
    ASSERT_TRUE(json.is_array() && !json.empty()) << output;
    const auto& tags = json[0];
    EXPECT_EQ(tags.value("Make", ""), "Canon");
    EXPECT_EQ(tags.value("Software", ""), "Vardenico App");
    EXPECT_EQ(tags.value("Orientation", 0), 1);
    EXPECT_EQ(tags.value("ExifImageWidth", 0), 800);
    EXPECT_EQ(tags.value("ExifImageHeight", 0), 600);
    EXPECT_EQ(tags.value("ImageWidth", 0), 800);
    EXPECT_EQ(tags.value("Caption-Abstract", ""), "Harbour at dawn");
    EXPECT_EQ(tags.value("Title", ""), "Harbour");
    EXPECT_EQ(tags.value("DateTimeOriginal", ""), "2019:07:14 10:20:30");
    EXPECT_FALSE(tags.contains("ThumbnailImage"));
    EXPECT_FALSE(tags.contains("ThumbnailOffset"));
    EXPECT_TRUE(tags.contains("ProfileCMMType")) << output;
    EXPECT_EQ(tags.value("YCbCrSubSampling", ""), "1 1");
    // Quality 100: every quantisation step is 1 (exiftool's estimate of the quality).
    const std::string warnings = runCapturing("exiftool -validate -warning -a '" + stamped.string() + "'");
    EXPECT_EQ(warnings.find("Error"), std::string::npos) << warnings;
}

TEST_F(StampMetadata, SourceFileIsNeverModified)
{
    EXPECT_EQ(*files::readAll(source), sourceBytes);
}

TEST(ImageMetadataFiles, MetadataCanBeEmbeddedIntoJpegBytesAndHostileBytesAreRefused)
{
    vd::test::TemporaryFolder folder;
    const auto source = folder / "camera.jpg";
    writeCameraPhoto(source);
    auto metadata = ImageMetadata::readFromFile(source);
    ASSERT_TRUE(metadata.has_value());
    metadata->prepareForDerivedImage(800, 600, kStampSoftware);

    PixelBuffer buffer;
    buffer.width = 800;
    buffer.height = 600;
    buffer.pixels.assign(800 * 600, 0xff000000u);
    auto jpeg = encodeJpeg(Image::fromBuffer(std::move(buffer)));
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
