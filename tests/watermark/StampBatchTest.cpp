#include "PhotoFixtures.h"

#include <CommandSupport.h>
#include <TestSupport.h>

#include <platform/foundation/RunLoop.h>
#include <platform/photos/PendingFile.h>
#include <watermark/StampBatch.h>

#include <gtest/gtest.h>
#include <thread>

using namespace vd;

namespace {

std::shared_ptr<StampEngine> redSquareEngine()
{
    return std::make_shared<StampEngine>(vd::test::opaqueLogo(20, Color::rgba(1, 0, 0)), PlacementDescription {});
}

std::vector<std::string> folderNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
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
    EXPECT_EQ(folderNames(folder / "out").size(), 6u) << "nothing but the finished photos is left";
    EXPECT_EQ(progressLabelText(40, "Non chiudere"), "40% \nNon chiudere");
}

TEST(StampBatch, StartedBatchReportsOnTheMainRunLoop)
{
    vd::test::TemporaryFolder folder;
    StampBatch batch(redSquareEngine(), folder / "out", 2);
    const auto mainThread = std::this_thread::get_id();
    std::vector<int> percents;
    std::optional<StampSummary> finished;
    batch.start(smallPhotos(folder, 2), [&](const StampProgress& progress) {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        percents.push_back(progress.percent);
    },
        [&](const StampSummary& summary) { finished = summary; });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return finished.has_value(); }, 30));
    EXPECT_EQ(percents, (std::vector<int> { 50, 100 }));
    EXPECT_EQ(finished->saved, 2u);
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
        EXPECT_EQ(folderNames(folder / "out").size(), summary.saved) << "no half-written photo is left behind";
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
    EXPECT_TRUE(folderNames(folder / "pending").empty());
    EXPECT_EQ(stampedFileStem("/photos/.hidden"), "photo.hidden_vardenico");
}

TEST(StampCommand, ExitStatusTellsSuccessFailedInputsAndBadUsage)
{
    vd::test::TemporaryFolder folder;
    vd::test::writeUniformJpeg(folder / "p.jpg", 120, 80, 0x808080);
    files::writeAtomically(folder / "logo.png", *encodePng(vd::test::opaqueLogo(50, Color::rgba(0, 0, 1))));
    const std::string out = (folder / "out").string(), logo = (folder / "logo.png").string(), photo = (folder / "p.jpg").string();
    vd::test::writeText(folder / "bad.json", "{\"flags\": \"left\"}");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* written; // the copy it must have written, or not
        bool exists;
    };
    const Case cases[] = {
        { { "stamp", "--logo", logo, "--position", "bottom-right", "--size", "20", "--out", out, photo }, 0, "p_vardenico.jpg", true },
        { { "stamp", "--logo", logo, "--out", out, photo, (folder / "nope.jpg").string() }, 1, "p_vardenico_2.jpg", true },
        // A logo placed where it cannot be seen is a failed photo, not a copy without a logo.
        { { "stamp", "--logo", logo, "--position", "bottom-right", "--margin", "99999", "--out", out, photo }, 1, "p_vardenico_3.jpg", false },
        { { "stamp", "--out", out, photo }, 2, "p_vardenico_3.jpg", false },
        { { "stamp", "--logo", logo, "--position", "middle", photo }, 2, "p_vardenico_3.jpg", false },
        { { "stamp", "--logo", logo, "--placement", (folder / "bad.json").string(), "--out", out, photo }, 2, "p_vardenico_3.jpg", false },
    };
    vd::test::CommandOptions options;
    options.home = folder / "home";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[2]);
        const auto outcome = vd::test::runVardenico(c.arguments, options, folder / "run");
        EXPECT_EQ(outcome.status, c.status) << outcome.errors;
        EXPECT_EQ(std::filesystem::exists(folder / "out" / c.written), c.exists);
    }
}

TEST(StampCommand, LogoIndexStampsAStoredLogoAndNamesABadIndex)
{
    vd::test::TemporaryFolder folder;
    vd::test::CommandOptions options;
    options.home = folder / "home";
    auto run = [&](const std::vector<std::string>& arguments) { return vd::test::runVardenico(arguments, options, folder / "run"); };
    files::writeAtomically(folder / "green.png", *encodePng(vd::test::opaqueLogo(60, Color::rgba(0, 1, 0))));
    vd::test::writeUniformJpeg(folder / "p.jpg", 400, 300, 0x808080);
    const std::string out = (folder / "out").string(), photo = (folder / "p.jpg").string();

    // Without a store every index is refused, naming it.
    const auto empty = run({ "stamp", "--logo-index", "0", "--out", out, photo });
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.errors.find("logo 0: the store has no logos"), std::string::npos) << empty.errors;

    ASSERT_EQ(run({ "logos", "add", (folder / "green.png").string() }).status, 0);
    const auto stamped = run({ "stamp", "--logo-index", "0", "--size", "50", "--out", out, photo });
    ASSERT_EQ(stamped.status, 0) << stamped.errors;
    auto copy = decodeImageFile(folder / "out" / "p_vardenico.jpg");
    ASSERT_TRUE(copy.has_value());
    EXPECT_TRUE(vd::test::near(vd::test::rgbAt(*copy, 200, 150), 0x00ff00, 24)) << std::hex << vd::test::rgbAt(*copy, 200, 150);
    EXPECT_TRUE(vd::test::near(vd::test::rgbAt(*copy, 10, 10), 0x808080)) << "the square's transparent margins leave the photo as it was";

    for (const std::string index : { "1", "-1", "two" }) {
        const auto bad = run({ "stamp", "--logo-index", index, "--out", out, photo });
        EXPECT_EQ(bad.status, 2) << index;
        EXPECT_NE(bad.errors.find("--logo-index"), std::string::npos) << bad.errors;
        EXPECT_NE(bad.errors.find(index), std::string::npos) << bad.errors;
        if (index == "1") {
            EXPECT_NE(bad.errors.find("no such logo (the store has 1 logo, numbered 0 to 0)"), std::string::npos) << bad.errors;
        }
    }
    EXPECT_EQ(run({ "stamp", "--logo-index", "0", "--logo", (folder / "green.png").string(), photo }).status, 2);
    EXPECT_FALSE(std::filesystem::exists(folder / "out" / "p_vardenico_2.jpg")) << "a refused logo stamps nothing";
}
