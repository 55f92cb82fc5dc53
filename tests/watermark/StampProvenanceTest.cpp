#include "StampFixtures.h"

#include <CommandSupport.h>
#include <TestSupport.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <platform/foundation/ContentHash.h>
#include <platform/foundation/RunLoop.h>
#include <platform/photos/PendingFile.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <watermark/StampBatch.h>
#include <watermark/StampProvenance.h>

using namespace vd;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> visibleFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
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
    for (const auto& [name, engine] : { std::pair { "normal.jpg", &normal }, { "lossless.jpg", &lossless } }) {
        auto read = readStampProvenance(folder / name);
        ASSERT_TRUE(read) << name;
        EXPECT_TRUE(read->sourceHash == sourceHash && read->stampHash == engine->stampHash()) << name;
    }
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

// Identical photos of different names each need their own copy: a copy counts as done only for
// the source it names, or, in copies made before names were recorded, the one its file is named after.
TEST(StampProvenance, ACopyCountsForItsOwnSourceOnlyEvenAmongIdenticalPhotos)
{
    struct Case {
        const char* what;
        vd::StampProvenance recorded;
        const char *saved, *source;
        bool copy;
    };
    const Case cases[] = {
        { "its own source", { "h", "s", "a/IMG_1.jpg" }, "IMG_1_vardenico.jpg", "a/IMG_1.jpg", true },
        { "an identical photo of another name", { "h", "s", "a/IMG_1.jpg" }, "IMG_1_vardenico.jpg", "a/IMG_2.jpg", false },
        { "another stamp", { "h", "t", "a/IMG_1.jpg" }, "IMG_1_vardenico.jpg", "a/IMG_1.jpg", false },
        { "no name recorded, its file named after the source", { "h", "s", "" }, "IMG_1_vardenico.jpg", "IMG_1.jpg", true },
        { "no name recorded, its file named after another", { "h", "s", "" }, "IMG_2_vardenico.jpg", "IMG_1.jpg", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(vd::isStampedCopyOf(c.recorded, c.saved, c.source, "h", "s"), c.copy) << c.what;
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
    vd::test::expectExif(*after, { { "Exif.Image.Make", "Big Camera" }, { "Exif.Image.Software", kStampSoftware }, { "Exif.Image.Orientation", "1" },
                                     { "Exif.Photo.DateTimeOriginal", "2020:01:02 03:04:05" }, { "Exif.Image.Artist", nullptr } });
    for (const auto& [key, size] : { std::pair { "Exif.Image.ImageDescription", 16000u }, { "Exif.Image.HostComputer", 16000u }, { "Exif.Image.Copyright", 15000u } })
        EXPECT_EQ(after->exifValue(key).value_or("").size(), size) << key;
    EXPECT_EQ(after->iptcValue("Iptc.Application2.City"), "Rome");
    EXPECT_FALSE(after->iptcValue("Iptc.Application2.Caption"));
    EXPECT_TRUE(readStampProvenance(folder / "stamped.jpg"));
}

namespace {

std::shared_ptr<StampEngine> redSquareEngine()
{
    return std::make_shared<StampEngine>(vd::test::opaqueLogo(20, Color::rgba(1, 0, 0)), PlacementDescription {});
}

std::vector<std::filesystem::path> smallPhotos(const vd::test::TemporaryFolder& folder, int count)
{
    std::vector<std::filesystem::path> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(folder / ("IMG_" + std::to_string(i) + ".jpg"));
        vd::test::writeUniformJpeg(paths.back(), 64, 48, 0x808080);
    }
    return paths;
}

}

TEST(StampBatch, ResultsComeInSelectionOrderAndFailuresDoNotStopTheBatch)
{
    vd::test::TemporaryFolder folder;
    StampBatch empty(redSquareEngine(), folder / "out");
    int events = 0;
    const StampSummary none = empty.run({}, [&](const StampProgress&) { ++events; });
    EXPECT_EQ(events + none.saved + none.failed, 0u) << "an empty selection finishes at once";

    std::filesystem::create_directories(folder / "a");
    std::filesystem::create_directories(folder / "b");
    std::vector<std::filesystem::path> photos;
    // Big and small photos mixed so workers finish out of order; two share a name.
    for (int i = 0; i < 6; ++i) {
        const auto path = folder / (i % 2 ? "a" : "b") / ("IMG_" + std::to_string(i == 3 ? 0 : i) + ".jpg");
        vd::test::writeUniformJpeg(path, i % 3 == 0 ? 1600 : 64, i % 3 == 0 ? 1200 : 48, 0x808080);
        photos.push_back(path);
    }
    photos.insert(photos.begin() + 2, folder / "missing.jpg");

    StampBatch batch(redSquareEngine(), folder / "out", 3);
    std::vector<StampProgress> progress;
    const StampSummary summary = batch.run(photos, [&](const StampProgress& p) { progress.push_back(p); });
    ASSERT_EQ(progress.size(), photos.size());
    const std::vector<int> percents { 14, 28, 42, 57, 71, 85, 100 };
    for (size_t i = 0; i < progress.size(); ++i) {
        EXPECT_EQ(progress[i].index, i);
        EXPECT_EQ(progress[i].source, photos[i]);
        EXPECT_EQ(progress[i].percent, percents[i]);
    }
    EXPECT_FALSE(progress[2].saved.has_value());
    EXPECT_NE(progress[2].error.find("missing.jpg"), std::string::npos);
    EXPECT_EQ(summary.saved, 6u);
    EXPECT_EQ(summary.failed, 1u);
    // b/IMG_0.jpg comes first in the selection and a/IMG_0.jpg (photo 3) second.
    EXPECT_EQ(progress[0].saved->filename(), "IMG_0_vardenico.jpg");
    EXPECT_EQ(progress[4].saved->filename(), "IMG_0_vardenico_2.jpg");
    EXPECT_EQ(visibleFiles(folder / "out").size(), 6u) << "nothing but the finished photos is left";
    EXPECT_EQ(progressLabelText(40, "Non chiudere"), "40% \nNon chiudere");
}

TEST(StampBatch, CancellingStopsAtThePhotoInHandUnlessTheLastIsAlreadySaved)
{
    for (const bool atTheEnd : { false, true }) {
        SCOPED_TRACE(atTheEnd ? "after the last photo" : "after the first photo");
        vd::test::TemporaryFolder folder;
        const auto selection = smallPhotos(folder, 8);
        StampBatch batch(redSquareEngine(), folder / "out", atTheEnd ? 2 : 1);
        std::size_t reports = 0;
        const StampSummary summary = batch.run(selection, [&](const StampProgress& progress) {
            ++reports;
            if (atTheEnd ? progress.done == progress.count : reports == 1)
                batch.cancel();
        });
        EXPECT_EQ(summary.cancelled, !atTheEnd);
        EXPECT_EQ(summary.saved, atTheEnd ? selection.size() : reports);
        EXPECT_LT(reports, atTheEnd ? 9u : selection.size());
        EXPECT_EQ(summary.failed, 0u);
        EXPECT_EQ(visibleFiles(folder / "out").size(), summary.saved) << "no half-written photo is left behind";
    }
}

TEST(StampBatch, ExistingFilesAreNeverReplaced)
{
    vd::test::TemporaryFolder folder;
    vd::test::writeUniformJpeg(folder / "beach.jpg", 64, 48, 0x808080);
    std::filesystem::create_directories(folder / "out");
    const std::string precious = "someone else's file";
    vd::test::writeText(folder / "out" / "beach_vardenico.jpg", precious);

    // Numbered in selection order, whichever of the two workers gets there first.
    StampBatch batch(redSquareEngine(), folder / "out", 2);
    std::vector<std::filesystem::path> saved;
    batch.run({ folder / "beach.jpg", folder / "beach.jpg", folder / "beach.jpg" }, [&](const StampProgress& progress) { saved.push_back(*progress.saved); });
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[0].filename(), "beach_vardenico_2.jpg");
    EXPECT_EQ(saved[1].filename(), "beach_vardenico_3.jpg");
    EXPECT_EQ(saved[2].filename(), "beach_vardenico_4.jpg");
    EXPECT_EQ(vd::test::fileText(folder / "out" / "beach_vardenico.jpg"), precious);

    // A pending file never committed leaves nothing.
    {
        auto pending = PendingFile::create(folder.path() / "pending");
        ASSERT_TRUE(pending.has_value());
        std::fputs("partial", pending->stream());
    }
    EXPECT_TRUE(visibleFiles(folder / "pending").empty());
    EXPECT_EQ(stampedFileStem("/photos/.hidden"), "photo.hidden_vardenico");
}
