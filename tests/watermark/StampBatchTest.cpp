#include "PhotoFixtures.h"

#include <TestSupport.h>

#include <platform/foundation/RunLoop.h>
#include <platform/photos/PendingFile.h>
#include <watermark/StampBatch.h>

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vd;

namespace {

std::shared_ptr<StampEngine> redSquareEngine()
{
    return std::make_shared<StampEngine>(vd::test::opaqueLogo(20, Color::rgba(1, 0, 0)), PlacementDescription {});
}

std::vector<std::string> folderNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int runProgram(const std::vector<std::string>& arguments)
{
    std::string command = VARDENICO_BINARY;
    for (const auto& argument : arguments)
        command += " '" + argument + "'";
    command += " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Outcome {
    int status { -1 };
    std::string errors;
};

// Runs the program over the documents folder home (where the logo store lives), keeping stderr.
Outcome runWithHome(const std::filesystem::path& home, const std::vector<std::string>& arguments)
{
    const auto errors = home.parent_path() / "stderr.txt";
    std::string command = "VARDENICO_HOME='" + home.string() + "' " VARDENICO_BINARY;
    for (const auto& argument : arguments)
        command += " '" + argument + "'";
    command += " >/dev/null 2>'" + errors.string() + "'";
    const int status = std::system(command.c_str());
    Outcome outcome { WIFEXITED(status) ? WEXITSTATUS(status) : -1, {} };
    if (auto bytes = files::readAll(errors))
        outcome.errors.assign(bytes->begin(), bytes->end());
    return outcome;
}

}

TEST(StampBatch, EmptySelectionFinishesAtOnceWithoutProgress)
{
    vd::test::TemporaryFolder folder;
    StampBatch batch(redSquareEngine(), folder / "out");
    int events = 0;
    const StampSummary summary = batch.run({}, [&](const StampProgress&) { ++events; });
    EXPECT_EQ(events, 0);
    EXPECT_EQ(summary.saved + summary.failed, 0u);
}

TEST(StampBatch, OnePhotoGoesFromZeroToHundredInOneStep)
{
    vd::test::TemporaryFolder folder;
    vd::test::writeUniformJpeg(folder / "one.jpg", 64, 48, 0x808080);
    StampBatch batch(redSquareEngine(), folder / "out");
    std::vector<int> percents;
    const StampSummary summary = batch.run({ folder / "one.jpg" }, [&](const StampProgress& progress) { percents.push_back(progress.percent); });
    EXPECT_EQ(percents, std::vector<int> { 100 });
    EXPECT_EQ(summary.saved, 1u);
    EXPECT_EQ(folderNames(folder / "out"), std::vector<std::string> { "one_vardenico.jpg" });
}

TEST(StampBatch, ResultsComeInSelectionOrderAndFailuresDoNotStopTheBatch)
{
    vd::test::TemporaryFolder folder;
    std::filesystem::create_directories(folder / "a");
    std::filesystem::create_directories(folder / "b");
    std::vector<std::filesystem::path> photos;
    // Big and small photos mixed so workers finish out of order; two share a name.
    for (int i = 0; i < 6; ++i) {
        const auto path = folder / (i % 2 ? "a" : "b") / ("IMG_" + std::to_string(i / 2 * 0 + (i == 3 ? 0 : i)) + ".jpg");
        vd::test::writeUniformJpeg(path, i % 3 == 0 ? 1600 : 64, i % 3 == 0 ? 1200 : 48, 0x808080);
        photos.push_back(path);
    }
    photos.insert(photos.begin() + 2, folder / "missing.jpg");

    StampBatch batch(redSquareEngine(), folder / "out", 3);
    std::vector<StampProgress> events;
    const StampSummary summary = batch.run(photos, [&](const StampProgress& progress) { events.push_back(progress); });
    ASSERT_EQ(events.size(), photos.size());
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].index, i);
        EXPECT_EQ(events[i].source, photos[i]);
        EXPECT_EQ(events[i].percent, progressPercent(i + 1, photos.size()));
    }
    EXPECT_FALSE(events[2].saved.has_value());
    EXPECT_NE(events[2].error.find("missing.jpg"), std::string::npos);
    EXPECT_EQ(summary.saved, 6u);
    EXPECT_EQ(summary.failed, 1u);
    // b/IMG_0.jpg comes first in the selection and a/IMG_0.jpg (photo 3) second.
    EXPECT_EQ(events[0].saved->filename(), "IMG_0_vardenico.jpg");
    EXPECT_EQ(events[4].saved->filename(), "IMG_0_vardenico_2.jpg");
    // Nothing but the finished photos is left in the folder.
    EXPECT_EQ(folderNames(folder / "out").size(), 6u);
}

TEST(StampBatch, StartedBatchReportsOnTheMainRunLoop)
{
    vd::test::TemporaryFolder folder;
    vd::test::writeUniformJpeg(folder / "a.jpg", 64, 48, 0x808080);
    vd::test::writeUniformJpeg(folder / "b.jpg", 48, 64, 0x808080);
    StampBatch batch(redSquareEngine(), folder / "out", 2);
    const auto mainThread = std::this_thread::get_id();
    std::vector<int> percents;
    std::optional<StampSummary> finished;
    batch.start({ folder / "a.jpg", folder / "b.jpg" }, [&](const StampProgress& progress) {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        percents.push_back(progress.percent);
    },
        [&](const StampSummary& summary) { finished = summary; });
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return finished.has_value(); }, 30));
    EXPECT_EQ(percents, (std::vector<int> { 50, 100 }));
    EXPECT_EQ(finished->saved, 2u);
}

TEST(StampBatch, ExistingFilesAreNeverReplaced)
{
    vd::test::TemporaryFolder folder;
    vd::test::writeUniformJpeg(folder / "beach.jpg", 64, 48, 0x808080);
    std::filesystem::create_directories(folder / "out");
    const std::string precious = "someone else's file";
    files::writeAtomically(folder / "out" / "beach_vardenico.jpg", std::span(reinterpret_cast<const std::uint8_t*>(precious.data()), precious.size()));

    StampBatch batch(redSquareEngine(), folder / "out");
    std::vector<std::filesystem::path> saved;
    batch.run({ folder / "beach.jpg", folder / "beach.jpg" }, [&](const StampProgress& progress) { saved.push_back(*progress.saved); });
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].filename(), "beach_vardenico_2.jpg");
    EXPECT_EQ(saved[1].filename(), "beach_vardenico_3.jpg");
    auto kept = files::readAll(folder / "out" / "beach_vardenico.jpg");
    EXPECT_EQ(std::string(kept->begin(), kept->end()), precious);
}

TEST(PendingFile, UncommittedFilesVanishAndCommittedOnesTakeTheFirstFreeName)
{
    vd::test::TemporaryFolder folder;
    {
        auto pending = PendingFile::create(folder.path());
        ASSERT_TRUE(pending.has_value());
        std::fputs("partial", pending->stream());
    }
    EXPECT_TRUE(folderNames(folder.path()).empty());

    auto first = PendingFile::create(folder.path());
    std::fputs("one", first->stream());
    EXPECT_EQ(first->commit("a", ".jpg")->filename(), "a.jpg");
    auto second = PendingFile::create(folder.path());
    std::fputs("two", second->stream());
    EXPECT_EQ(second->commit("a", ".jpg")->filename(), "a_2.jpg");
    EXPECT_EQ(folderNames(folder.path()), (std::vector<std::string> { "a.jpg", "a_2.jpg" }));
    EXPECT_EQ(stampedFileStem("/photos/IMG_1.JPG"), "IMG_1_vardenico");
    EXPECT_EQ(stampedFileStem("/photos/.hidden"), "photo.hidden_vardenico");
}

TEST(StampCommand, ExitStatusTellsSuccessFailedInputsAndBadUsage)
{
    vd::test::TemporaryFolder folder;
    vd::test::writeUniformJpeg(folder / "p.jpg", 120, 80, 0x808080);
    auto logo = encodePng(vd::test::opaqueLogo(50, Color::rgba(0, 0, 1)));
    files::writeAtomically(folder / "logo.png", *logo);
    const std::string out = (folder / "out").string();
    EXPECT_EQ(runProgram({ "stamp", "--logo", (folder / "logo.png").string(), "--position", "bottom-right", "--size", "20", "--out", out, (folder / "p.jpg").string() }), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "out" / "p_vardenico.jpg"));
    EXPECT_EQ(runProgram({ "stamp", "--logo", (folder / "logo.png").string(), "--out", out, (folder / "p.jpg").string(), (folder / "nope.jpg").string() }), 1);
    EXPECT_TRUE(std::filesystem::exists(folder / "out" / "p_vardenico_2.jpg"));
    // A logo placed where it cannot be seen is a failed photo, not a copy without a logo.
    EXPECT_EQ(runProgram({ "stamp", "--logo", (folder / "logo.png").string(), "--position", "bottom-right", "--margin", "99999", "--out", out, (folder / "p.jpg").string() }), 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "out" / "p_vardenico_3.jpg"));
    EXPECT_EQ(runProgram({ "stamp", "--out", out, (folder / "p.jpg").string() }), 2);
    EXPECT_EQ(runProgram({ "stamp", "--logo", (folder / "logo.png").string(), "--position", "middle", (folder / "p.jpg").string() }), 2);
    const std::string badPlacement = "{\"flags\": \"left\"}";
    files::writeAtomically(folder / "bad.json", std::span(reinterpret_cast<const std::uint8_t*>(badPlacement.data()), badPlacement.size()));
    EXPECT_EQ(runProgram({ "stamp", "--logo", (folder / "logo.png").string(), "--placement", (folder / "bad.json").string(), "--out", out, (folder / "p.jpg").string() }), 2);
}

TEST(StampCommand, KilledBatchLeavesNoPartialFileUnderAFinalName)
{
    vd::test::TemporaryFolder folder;
    std::vector<std::string> arguments { "stamp", "--logo", (folder / "logo.png").string(), "--jobs", "2", "--out", (folder / "out").string() };
    files::writeAtomically(folder / "logo.png", *encodePng(vd::test::opaqueLogo(50, Color::rgba(0, 0, 1))));
    for (int i = 0; i < 8; ++i) {
        const auto path = folder / ("big" + std::to_string(i) + ".jpg");
        vd::test::writeJpeg(path, 2400, 1600, [](int x, int y) { return static_cast<std::uint32_t>((x * 7) ^ (y * 13)) & 0xffffff; });
        arguments.push_back(path.string());
    }
    for (int delayMs : { 150, 400 }) {
        const pid_t child = ::fork();
        if (child == 0) {
            std::vector<char*> argv { const_cast<char*>(VARDENICO_BINARY) };
            for (auto& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            ::freopen("/dev/null", "w", stdout);
            ::execv(VARDENICO_BINARY, argv.data());
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!std::filesystem::exists(folder / "out"))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder / "out")) {
            const std::string name = entry.path().filename().string();
            if (name.front() == '.')
                continue; // an unfinished write under its hidden temporary name
            auto image = decodeImageFile(entry.path());
            ASSERT_TRUE(image.has_value()) << name;
            auto bytes = files::readAll(entry.path());
            ASSERT_GE(bytes->size(), 2u);
            EXPECT_EQ((*bytes)[bytes->size() - 2], 0xFF) << name << " lacks its end marker";
            EXPECT_EQ((*bytes)[bytes->size() - 1], 0xD9) << name << " lacks its end marker";
        }
    }
}

TEST(StampCommand, LogoIndexStampsAStoredLogoAndNamesABadIndex)
{
    vd::test::TemporaryFolder folder;
    const auto home = folder / "home";
    files::writeAtomically(folder / "green.png", *encodePng(vd::test::opaqueLogo(60, Color::rgba(0, 1, 0))));
    vd::test::writeUniformJpeg(folder / "p.jpg", 400, 300, 0x808080);
    const std::string out = (folder / "out").string();

    // Without a store every index is refused, naming it.
    Outcome empty = runWithHome(home, { "stamp", "--logo-index", "0", "--out", out, (folder / "p.jpg").string() });
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.errors.find("logo 0: the store has no logos"), std::string::npos) << empty.errors;

    ASSERT_EQ(runWithHome(home, { "logos", "add", (folder / "green.png").string() }).status, 0);
    Outcome stamped = runWithHome(home, { "stamp", "--logo-index", "0", "--size", "50", "--out", out, (folder / "p.jpg").string() });
    ASSERT_EQ(stamped.status, 0) << stamped.errors;
    auto copy = decodeImageFile(folder / "out" / "p_vardenico.jpg");
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->pixelWidth(), 400);
    EXPECT_TRUE(vd::test::near(vd::test::rgbAt(*copy, 200, 150), 0x00ff00, 24)) << std::hex << vd::test::rgbAt(*copy, 200, 150);
    EXPECT_TRUE(vd::test::near(vd::test::rgbAt(*copy, 10, 10), 0x808080)) << "the square's transparent margins leave the photo as it was";

    for (const std::string index : { "1", "-1", "two" }) {
        Outcome bad = runWithHome(home, { "stamp", "--logo-index", index, "--out", out, (folder / "p.jpg").string() });
        EXPECT_EQ(bad.status, 2) << index;
        EXPECT_NE(bad.errors.find("--logo-index"), std::string::npos) << bad.errors;
        EXPECT_NE(bad.errors.find(index), std::string::npos) << bad.errors;
    }
    Outcome one = runWithHome(home, { "stamp", "--logo-index", "1", "--out", out, (folder / "p.jpg").string() });
    EXPECT_NE(one.errors.find("no such logo (the store has 1 logo, numbered 0 to 0)"), std::string::npos) << one.errors;
    EXPECT_EQ(runWithHome(home, { "stamp", "--logo-index", "0", "--logo", (folder / "green.png").string(), (folder / "p.jpg").string() }).status, 2);
    EXPECT_FALSE(std::filesystem::exists(folder / "out" / "p_vardenico_2.jpg")) << "a refused logo stamps nothing";
}
