#include "StampFixtures.h"

#include <TestSupport.h>

#include <platform/foundation/ContentHash.h>
#include <platform/photos/PendingFile.h>
#include <watermark/StampBatch.h>
#include <watermark/StampProvenance.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

using namespace vd;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> visibleFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    return files;
}

}

TEST(StampProvenance, EveryStampedPhotoNamesItsSourceAndWhatStampedItInBothModes)
{
    vd::test::TemporaryFolder folder;
    const fs::path source = folder / "IMG_1.jpg";
    vd::test::writeSource(source, 64, 48, {});
    const std::string sourceHash = *ContentHash::ofFile(source);
    const Image logo = vd::test::opaqueLogo(16, Color::rgba(0, 1, 0));
    const StampEngine normal(logo, vd::test::bottomRight(20));
    const StampEngine lossless = vd::test::losslessEngine(logo, vd::test::bottomRight(20));

    ASSERT_TRUE(vd::test::stampToFile(normal, source, folder / "normal.jpg"));
    ASSERT_TRUE(vd::test::stampToFile(lossless, source, folder / "lossless.jpg"));
    auto read = readStampProvenance(folder / "normal.jpg");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sourceHash, sourceHash);
    EXPECT_EQ(read->stampHash, normal.stampHash());
    read = readStampProvenance(folder / "lossless.jpg");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sourceHash, sourceHash);
    EXPECT_EQ(read->stampHash, lossless.stampHash());
    EXPECT_FALSE(readStampProvenance(source)) << "a photo nobody stamped carries none";

    // The stamp's identity follows the logo's pixels, the placement and the mode, and nothing else.
    EXPECT_EQ(StampEngine(logo, vd::test::bottomRight(20)).stampHash(), normal.stampHash());
    EXPECT_NE(lossless.stampHash(), normal.stampHash());
    EXPECT_NE(StampEngine(logo, vd::test::bottomRight(21)).stampHash(), normal.stampHash());
    EXPECT_NE(StampEngine(vd::test::opaqueLogo(16, Color::rgba(0, 0.9, 0)), vd::test::bottomRight(20)).stampHash(), normal.stampHash());

    // A copy that records its source's name counts for that source only; a byte-identical
    // photo under another name is another source.
    const fs::path twinSource = folder / "IMG_2.jpg";
    fs::copy_file(source, twinSource);
    ASSERT_TRUE(vd::test::stampToFile(normal, source, folder / "named.jpg", "IMG_1.jpg"));
    EXPECT_EQ(readStampProvenance(folder / "named.jpg")->sourceName, "IMG_1.jpg");
    EXPECT_EQ(readStampProvenance(folder / "normal.jpg")->sourceName, "");
    EXPECT_EQ(*existingStampedTwin(source, folder.path(), folder.path(), normal.stampHash()), folder / "named.jpg");
    EXPECT_EQ(*existingStampedTwin(twinSource, folder.path(), folder.path(), normal.stampHash()), std::nullopt);
    EXPECT_EQ(*existingStampedTwin(source, folder.path(), folder.path(), "another stamp"), std::nullopt);
    EXPECT_FALSE(existingStampedTwin(folder / "missing.jpg", folder.path(), folder.path(), normal.stampHash()));
    // A copy made before names were recorded counts for the source whose first copy's name it
    // bears, and for no other.
    fs::remove(folder / "named.jpg");
    EXPECT_EQ(*existingStampedTwin(source, folder.path(), folder.path(), normal.stampHash()), std::nullopt) << "normal.jpg is not the name of IMG_1's copy";
    fs::rename(folder / "normal.jpg", folder / "IMG_1_vardenico.jpg");
    EXPECT_EQ(*existingStampedTwin(source, folder.path(), folder.path(), normal.stampHash()), folder / "IMG_1_vardenico.jpg");
    EXPECT_EQ(*existingStampedTwin(twinSource, folder.path(), folder.path(), normal.stampHash()), std::nullopt);
}

// Workers read their photos' XMP and write their copies' at the same time: every copy still
// says what it was made from.
TEST(StampProvenance, EveryCopyOfABatchOnSeveralWorkersSaysWhatItWasMadeFrom)
{
    vd::test::TemporaryFolder folder;
    std::vector<fs::path> photos;
    for (int i = 0; i < 48; ++i) {
        photos.push_back(folder / ("IMG_" + std::to_string(i) + ".jpg"));
        vd::test::writeSource(photos.back(), 32, 32, {});
        vd::test::editMetadata(photos.back(), [i](Exiv2::Image& image) { image.xmpData()["Xmp.dc.title"] = "lang=\"x-default\" Photo " + std::to_string(i); });
    }
    auto engine = std::make_shared<const StampEngine>(vd::test::opaqueLogo(8, Color::rgba(0, 1, 0)), vd::test::bottomRight(20));
    StampBatch batch(engine, folder / "out", 4);
    std::size_t described = 0;
    const StampSummary summary = batch.run(photos, [&](const StampProgress& progress) {
        ASSERT_TRUE(progress.saved) << progress.error;
        EXPECT_EQ(progress.notice, "");
        const auto provenance = readStampProvenance(*progress.saved);
        EXPECT_TRUE(provenance && provenance->sourceName == progress.sourceName && provenance->stampHash == engine->stampHash()) << *progress.saved;
        described += provenance.has_value();
    });
    EXPECT_EQ(summary.saved, photos.size());
    EXPECT_EQ(described, photos.size());
}

TEST(StampProvenance, ABatchRunAgainWithSkipDoneStampsOnlyWhatIsMissing)
{
    vd::test::TemporaryFolder folder;
    std::vector<fs::path> photos;
    for (int i = 0; i < 4; ++i) {
        photos.push_back(folder / ("IMG_" + std::to_string(i) + ".jpg"));
        vd::test::writeSource(photos.back(), 40 + 8 * i, 32, {});
    }
    const fs::path out = folder / "out";
    auto engine = std::make_shared<const StampEngine>(vd::test::opaqueLogo(12, Color::rgba(0, 1, 0)), vd::test::bottomRight(20));
    {
        StampBatch first(engine, out, 2);
        first.setSkipDone(true);
        const std::vector<fs::path> firstHalf { photos[0], photos[1] };
        const StampSummary summary = first.run(firstHalf, {});
        EXPECT_EQ(summary.saved, 2u);
    }
    // The stamped copies are found by content, whatever they are now called.
    fs::rename(out / "IMG_0_vardenico.jpg", out / "renamed.jpg");
    std::vector<StampProgress> reported;
    StampBatch again(engine, out, 2);
    again.setSkipDone(true);
    const StampSummary summary = again.run(photos, [&](const StampProgress& progress) { reported.push_back(progress); });
    EXPECT_EQ(summary.saved, 2u);
    EXPECT_EQ(summary.skipped, 2u);
    EXPECT_EQ(summary.failed, 0u);
    ASSERT_EQ(reported.size(), 4u);
    EXPECT_EQ(reported[0].skipped, out / "renamed.jpg");
    EXPECT_EQ(reported[1].skipped, out / "IMG_1_vardenico.jpg");
    EXPECT_FALSE(reported[2].skipped);
    EXPECT_EQ(visibleFiles(out), (std::vector<fs::path> { "IMG_1_vardenico.jpg", "IMG_2_vardenico.jpg", "IMG_3_vardenico.jpg", "renamed.jpg" }));

    // Another placement is another stamp: everything is done again; without skipDone, too.
    auto other = std::make_shared<const StampEngine>(vd::test::opaqueLogo(12, Color::rgba(0, 1, 0)), vd::test::bottomRight(30));
    StampBatch moved(other, out, 2);
    moved.setSkipDone(true);
    EXPECT_EQ(moved.run(photos, {}).saved, 4u);
    StampBatch plain(engine, out, 2);
    EXPECT_EQ(plain.run({ photos[0] }, {}).saved, 1u);
}

TEST(StampProvenance, ABatchRemovesOnlyTheTemporaryFilesAKilledBatchLeft)
{
    vd::test::TemporaryFolder folder;
    const fs::path out = folder / "out";
    fs::create_directories(out);
    const fs::path source = folder / "IMG_1.jpg";
    vd::test::writeSource(source, 32, 32, {});
    for (const auto& [name, age] : { std::pair { ".vardenico-writing-killed", 3600 }, { ".vardenico-writing-held", 3600 }, { ".vardenico-writing-newer", -60 }, { ".other-hidden", 3600 } }) {
        ASSERT_TRUE(vd::test::writeText(out / name, "unfinished"));
        fs::last_write_time(out / name, fs::file_time_type::clock::now() - std::chrono::seconds(age));
    }
    // A writer still at work holds a lock on its file.
    const int held = ::open((out / ".vardenico-writing-held").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    auto engine = std::make_shared<const StampEngine>(vd::test::opaqueLogo(12, Color::rgba(0, 1, 0)), vd::test::bottomRight(20));
    StampBatch batch(engine, out, 1);
    EXPECT_EQ(batch.run({ source }, {}).saved, 1u);
    ::close(held);
    EXPECT_EQ(visibleFiles(out), (std::vector<fs::path> { ".other-hidden", ".vardenico-writing-held", ".vardenico-writing-newer", "IMG_1_vardenico.jpg" }));
}

TEST(StampProvenance, MetadataTooLargeForOneSegmentKeepsWhatFitsAndSaysWhatWentFirst)
{
    vd::test::TemporaryFolder folder;
    // A photo whose EXIF just fits one segment: what the stamp adds (software, pixel size) makes
    // it too large. Its IPTC spans two segments, which a stamped photo cannot.
    const fs::path source = folder / "full.jpg";
    vd::test::writeUniformJpeg(source, 64, 48, 0x808080);
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Big Camera";
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
    exif["Exif.Photo.DateTimeOriginal"] = "2020:01:02 03:04:05";
    exif["Exif.Image.ImageDescription"] = std::string(16000, 'd');
    exif["Exif.Image.HostComputer"] = std::string(16000, 'h');
    exif["Exif.Image.Copyright"] = std::string(15000, 'c');
    exif["Exif.Image.Artist"] = std::string(18000, 'a'); // the largest
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    exif["Exif.Image.Artist"] = std::string(static_cast<size_t>(18000 + (65500 - static_cast<long>(blob.size()))), 'a');
    vd::test::editMetadata(source, [&](Exiv2::Image& image) {
        image.setByteOrder(Exiv2::littleEndian);
        image.setExifData(exif);
        image.iptcData()["Iptc.Application2.City"] = "Rome";
        image.iptcData()["Iptc.Application2.Caption"] = std::string(70000, 'c');
    });
    auto read = ImageMetadata::readFromFile(source);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->exifValue("Exif.Image.Make"), "Big Camera") << "the source's EXIF was not written";
    ASSERT_EQ(read->iptcValue("Iptc.Application2.City"), "Rome") << "the source's IPTC was not written";

    const StampEngine engine(vd::test::opaqueLogo(8, Color::rgba(0, 1, 0)), vd::test::bottomRight(20));
    auto stamped = vd::test::stampToFile(engine, source, folder / "stamped.jpg");
    ASSERT_TRUE(stamped) << stamped.error().message;
    EXPECT_NE(stamped->notice.find("Exif.Image.Artist"), std::string::npos) << stamped->notice;
    EXPECT_EQ(stamped->notice.find("Exif.Image.Copyright"), std::string::npos) << "dropped more than needed: " << stamped->notice;
    EXPECT_NE(stamped->notice.find("Iptc.Application2.Caption"), std::string::npos) << stamped->notice;

    auto after = ImageMetadata::readFromFile(folder / "stamped.jpg");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->exifValue("Exif.Image.Make"), "Big Camera");
    EXPECT_EQ(after->exifValue("Exif.Image.Software"), kStampSoftware);
    EXPECT_EQ(after->exifValue("Exif.Image.Orientation"), "1");
    EXPECT_EQ(after->dateTimeOriginal(), "2020:01:02 03:04:05");
    EXPECT_EQ(after->exifValue("Exif.Image.ImageDescription").value_or("").size(), 16000u);
    EXPECT_EQ(after->exifValue("Exif.Image.HostComputer").value_or("").size(), 16000u);
    EXPECT_EQ(after->exifValue("Exif.Image.Copyright").value_or("").size(), 15000u);
    EXPECT_FALSE(after->exifValue("Exif.Image.Artist"));
    EXPECT_EQ(after->iptcValue("Iptc.Application2.City"), "Rome");
    EXPECT_FALSE(after->iptcValue("Iptc.Application2.Caption"));
    EXPECT_TRUE(readStampProvenance(folder / "stamped.jpg"));
}
