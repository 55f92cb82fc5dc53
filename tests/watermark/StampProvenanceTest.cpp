#include "StampFixtures.h"

#include <platform/photos/PendingFile.h>

using namespace vd;
using namespace vd::test;
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

// IMG_0.jpg, IMG_1.jpg…: grey photos of different widths, so that no two have the same bytes.
std::vector<fs::path> smallPhotos(const TemporaryFolder& folder, int count)
{
    std::vector<fs::path> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(folder / ("IMG_" + std::to_string(i) + ".jpg"));
        writeUniformJpeg(paths.back(), 32 + 8 * i, 32, 0x808080);
    }
    return paths;
}

std::shared_ptr<StampEngine> greenEngine(double sizePercent = 20)
{
    return std::make_shared<StampEngine>(opaqueLogo(12, Color::rgba(0, 1, 0)), bottomRight(sizePercent));
}

}

TEST(StampProvenance, EveryStampedPhotoNamesItsSourceAndWhatStampedItInBothModes)
{
    TemporaryFolder folder;
    const fs::path source = folder / "IMG_1.jpg", twinSource = folder / "IMG_2.jpg";
    writeSource(source, 64, 48, {});
    fs::copy_file(source, twinSource);
    const Image logo = opaqueLogo(16, Color::rgba(0, 1, 0));
    const StampEngine normal(logo, bottomRight(20)), lossless(logo, bottomRight(20), { .lossless = true });
    for (const auto& [name, engine] : { std::pair { "normal.jpg", &normal }, { "lossless.jpg", &lossless } }) {
        ASSERT_TRUE(stampToFile(*engine, source, folder / name));
        auto read = readStampProvenance(folder / name);
        ASSERT_TRUE(read) << name;
        EXPECT_TRUE(read->sourceHash == *ContentHash::ofFile(source) && read->stampHash == engine->stampHash() && read->sourceName.empty()) << name;
    }
    EXPECT_FALSE(readStampProvenance(source)) << "a photo nobody stamped carries none";

    // The stamp's identity follows the logo's pixels, the placement, the mode and adapting, and
    // nothing else: copies made otherwise are not taken for its own.
    EXPECT_EQ(StampEngine(logo, bottomRight(20)).stampHash(), normal.stampHash());
    EXPECT_NE(lossless.stampHash(), normal.stampHash());
    EXPECT_NE(StampEngine(logo, bottomRight(20), { .adapt = true }).stampHash(), normal.stampHash());
    EXPECT_NE(StampEngine(logo, bottomRight(21)).stampHash(), normal.stampHash());
    EXPECT_NE(StampEngine(opaqueLogo(16, Color::rgba(0, 0.9, 0)), bottomRight(20)).stampHash(), normal.stampHash());

    // The copy that records its source's name is found for that source only, not for a
    // byte-identical photo of another name, nor for another stamp.
    ASSERT_TRUE(stampToFile(normal, source, folder / "named.jpg", "IMG_1.jpg"));
    EXPECT_EQ(readStampProvenance(folder / "named.jpg").value().sourceName, "IMG_1.jpg");
    auto twinOf = [&](const fs::path& photo, const std::string& stamp) { return existingStampedTwin(photo, folder.path(), folder.path(), stamp); };
    EXPECT_EQ(*twinOf(source, normal.stampHash()), folder / "named.jpg");
    EXPECT_EQ(*twinOf(twinSource, normal.stampHash()), std::nullopt);
    EXPECT_EQ(*twinOf(source, "another stamp"), std::nullopt);
    EXPECT_FALSE(twinOf(folder / "missing.jpg", normal.stampHash()));
    // A copy that records no name is found by the name of its file.
    fs::remove(folder / "named.jpg");
    EXPECT_EQ(*twinOf(source, normal.stampHash()), std::nullopt) << "normal.jpg is not the name of IMG_1's copy";
    fs::rename(folder / "normal.jpg", folder / "IMG_1_vardenico.jpg");
    EXPECT_EQ(*twinOf(source, normal.stampHash()), folder / "IMG_1_vardenico.jpg");
    // As a batch checks a copy another run has just written: by the name it records, if any.
    EXPECT_TRUE(isStampedCopyOf({ "h", "s", "a/IMG_1.jpg" }, "any.jpg", "a/IMG_1.jpg", "h", "s"));
    EXPECT_FALSE(isStampedCopyOf({ "h", "s", "a/IMG_1.jpg" }, "IMG_2_vardenico.jpg", "a/IMG_2.jpg", "h", "s"));
}

// Workers read their photos' XMP and write their copies' at the same time: every copy still says
// what it was made from, and a run again with skipDone finds it, whatever it is now called.
TEST(StampProvenance, EveryCopyOfABatchOnSeveralWorkersSaysWhatItWasMadeFromAndSkipDoneStampsOnlyWhatIsMissing)
{
    TemporaryFolder folder;
    const auto photos = smallPhotos(folder, 48);
    for (int i = 0; i < 48; ++i)
        editMetadata(photos[i], [i](Exiv2::Image& image) { image.xmpData()["Xmp.dc.title"] = "lang=\"x-default\" Photo " + std::to_string(i); });
    const fs::path out = folder / "out";
    const auto engine = greenEngine();
    auto [first, reported] = runBatch(engine, out, { photos.begin(), photos.end() - 2 }, true, 4);
    EXPECT_EQ(first.saved, 46u);
    for (const StampProgress& progress : reported) {
        const auto provenance = progress.saved ? readStampProvenance(*progress.saved) : std::nullopt;
        EXPECT_TRUE(provenance && provenance->sourceName == progress.sourceName && provenance->stampHash == engine->stampHash() && progress.notice.empty()) << progress.source;
    }
    fs::rename(out / "IMG_0_vardenico.jpg", out / "renamed.jpg");
    const auto [summary, again] = runBatch(engine, out, photos, true, 4);
    EXPECT_EQ(summary.saved, 2u);
    EXPECT_EQ(summary.skipped, 46u);
    EXPECT_EQ(summary.failed, 0u);
    ASSERT_EQ(again.size(), 48u);
    EXPECT_EQ(again[0].skipped, out / "renamed.jpg");
    EXPECT_EQ(again[1].skipped, out / "IMG_1_vardenico.jpg");
    EXPECT_FALSE(again[46].skipped);
    EXPECT_EQ(visibleFiles(out).size(), 48u);
    // Another placement is another stamp: everything is done again; without skipDone, too.
    EXPECT_EQ(runBatch(greenEngine(30), out, photos, true, 4).first.saved, 48u);
    EXPECT_EQ(runBatch(engine, out, { photos[0] }, false).first.saved, 1u);
}

TEST(StampProvenance, MetadataTooLargeForOneSegmentKeepsWhatFitsAndSaysWhatWentFirst)
{
    TemporaryFolder folder;
    // A photo whose EXIF just fits one segment: what the stamp adds (software, pixel size) makes
    // it too large. Its IPTC spans two segments, which a stamped photo cannot.
    const fs::path source = folder / "full.jpg";
    writeUniformJpeg(source, 64, 48, 0x808080);
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Big Camera";
    exif["Exif.Photo.DateTimeOriginal"] = "2020:01:02 03:04:05";
    const std::pair<const char*, size_t> large[] = { { "Exif.Image.ImageDescription", 16000 }, { "Exif.Image.HostComputer", 16000 }, { "Exif.Image.Copyright", 15000 } };
    for (const auto& [key, size] : large)
        exif[key] = std::string(size, 'x');
    exif["Exif.Image.Artist"] = std::string(18000, 'a'); // the largest
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    exif["Exif.Image.Artist"] = std::string(static_cast<size_t>(18000 + (65500 - static_cast<long>(blob.size()))), 'a');
    editMetadata(source, [&](Exiv2::Image& image) {
        image.setByteOrder(Exiv2::littleEndian);
        image.setExifData(exif);
        image.iptcData()["Iptc.Application2.City"] = "Rome";
        image.iptcData()["Iptc.Application2.Caption"] = std::string(70000, 'c');
    });

    auto stamped = stampToFile(*greenEngine(), source, folder / "stamped.jpg");
    ASSERT_TRUE(stamped) << stamped.error().message;
    EXPECT_NE(stamped->notice.find("Exif.Image.Artist"), std::string::npos) << stamped->notice;
    EXPECT_NE(stamped->notice.find("Iptc.Application2.Caption"), std::string::npos) << stamped->notice;

    auto after = ImageMetadata::readFromFile(folder / "stamped.jpg");
    ASSERT_TRUE(after);
    expectExif(*after, { { "Exif.Image.Make", "Big Camera" }, { "Exif.Image.Software", kStampSoftware }, { "Exif.Photo.DateTimeOriginal", "2020:01:02 03:04:05" }, { "Exif.Image.Artist", nullptr } });
    for (const auto& [key, size] : large)
        EXPECT_EQ(after->exifValue(key).value_or("").size(), size) << key;
    EXPECT_EQ(after->iptcValue("Iptc.Application2.City"), "Rome");
    EXPECT_FALSE(after->iptcValue("Iptc.Application2.Caption"));
    EXPECT_TRUE(readStampProvenance(folder / "stamped.jpg"));
}

// Existing files are never replaced: names are numbered in selection order, whichever worker gets
// there first. Of the temporary files in the folder, only those a killed batch left are removed.
TEST(StampBatch, ResultsComeInSelectionOrderFailuresDoNotStopTheBatchNoFileIsReplacedAndOnlyAbandonedTemporaryFilesGo)
{
    TemporaryFolder folder;
    int events = 0;
    const StampSummary none = StampBatch(greenEngine(), folder / "out").run({}, [&](const StampProgress&) { ++events; });
    EXPECT_EQ(events + none.saved + none.failed, 0u) << "an empty selection finishes at once";

    // Big and small photos mixed so workers finish out of order; two share a name.
    std::vector<fs::path> photos;
    for (int i = 0; i < 6; ++i) {
        photos.push_back(folder / (i % 2 ? "a" : "b") / ("IMG_" + std::to_string(i == 3 ? 0 : i) + ".jpg"));
        fs::create_directories(photos.back().parent_path());
        writeUniformJpeg(photos.back(), i % 3 == 0 ? 1600 : 64, i % 3 == 0 ? 1200 : 48, 0x808080);
    }
    photos.insert(photos.begin() + 2, folder / "missing.jpg");
    const fs::path out = folder / "out";
    fs::create_directories(out);
    writeText(out / "IMG_0_vardenico.jpg", "someone else's file");
    for (const auto& [name, age] : { std::pair { ".vardenico-writing-killed", 3600 }, { ".vardenico-writing-held", 3600 }, { ".vardenico-writing-newer", -60 }, { ".other-hidden", 3600 } }) {
        ASSERT_TRUE(writeText(out / name, "unfinished"));
        fs::last_write_time(out / name, fs::file_time_type::clock::now() - std::chrono::seconds(age));
    }
    // A writer still at work holds a lock on its file.
    const int held = ::open((out / ".vardenico-writing-held").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    std::vector<StampProgress> progress;
    const StampSummary summary = StampBatch(greenEngine(), out, 3).run(photos, [&](const StampProgress& p) { progress.push_back(p); });
    ::close(held);
    ASSERT_EQ(progress.size(), photos.size());
    const std::vector<int> percents { 14, 28, 42, 57, 71, 85, 100 };
    for (size_t i = 0; i < progress.size(); ++i)
        EXPECT_TRUE(progress[i].index == i && progress[i].source == photos[i] && progress[i].percent == percents[i]) << i;
    EXPECT_FALSE(progress[2].saved.has_value());
    EXPECT_NE(progress[2].error.find("missing.jpg"), std::string::npos);
    EXPECT_EQ(summary.saved, 6u);
    EXPECT_EQ(summary.failed, 1u);
    // b/IMG_0.jpg comes first in the selection and a/IMG_0.jpg (photo 3) second.
    EXPECT_EQ(progress[0].saved->filename(), "IMG_0_vardenico_2.jpg");
    EXPECT_EQ(progress[4].saved->filename(), "IMG_0_vardenico_3.jpg");
    EXPECT_EQ(fileText(out / "IMG_0_vardenico.jpg"), "someone else's file");
    EXPECT_EQ(visibleFiles(out), (std::vector<fs::path> { ".other-hidden", ".vardenico-writing-held", ".vardenico-writing-newer", "IMG_0_vardenico.jpg", "IMG_0_vardenico_2.jpg",
                                    "IMG_0_vardenico_3.jpg", "IMG_1_vardenico.jpg", "IMG_2_vardenico.jpg", "IMG_4_vardenico.jpg", "IMG_5_vardenico.jpg" }))
        << "nothing but the finished photos is left";
    EXPECT_EQ(stampedFileStem("/photos/.hidden"), "photo.hidden_vardenico");
}

TEST(StampBatch, CancellingStopsAtThePhotoInHandUnlessTheLastIsAlreadySaved)
{
    for (const bool atTheEnd : { false, true }) {
        SCOPED_TRACE(atTheEnd ? "after the last photo" : "after the first photo");
        TemporaryFolder folder;
        const auto selection = smallPhotos(folder, 8);
        StampBatch batch(greenEngine(), folder / "out", atTheEnd ? 2 : 1);
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
