// Faults in the middle of a batch, on the real program: killed, its output folder turning
// read-only or full, its photos removed or replaced, its logo store changed under it.

#include "CommandSupport.h"
#include "TestSupport.h"
#include <PhotoFixtures.h>

#include <platform/foundation/ContentHash.h>
#include <platform/photos/PhotoIndex.h>
#include <watermark/StampProvenance.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <fstream>
#include <map>
#include <sys/resource.h>
#include <random>
#include <set>
#include <thread>

using namespace vd;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A photo the unprivileged user can read too.
void writePhoto(const fs::path& path, int width, int height, int seed)
{
    vd::test::writeJpeg(path, width, height, [seed](int x, int y) { return static_cast<std::uint32_t>(((x * 7 + seed * 31) ^ (y * 13)) & 0xffffff); }, 90);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

struct FolderState {
    std::vector<fs::path> visible; // what a photo library shows
    std::vector<fs::path> hidden;  // temporary files of a batch
};

FolderState folderState(const fs::path& folder)
{
    FolderState state;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        (entry.path().filename().string().front() == '.' ? state.hidden : state.visible).push_back(entry.path());
    std::sort(state.visible.begin(), state.visible.end());
    return state;
}

// Every file a photo library would list is a whole JPEG that decodes, ends with its end marker
// and says which source it was made from, no source twice unless several copies are wanted; once
// the batch is over, there are so many and no temporary file. Returns the sources named.
std::set<std::string> expectCompleteStampedPhotos(const fs::path& folder, std::optional<std::size_t> finished = {}, bool eachSourceOnce = true)
{
    PhotoIndex index(folder.parent_path() / (folder.filename().string() + "-index.sqlite"));
    const auto listed = index.scan(folder);
    const FolderState state = folderState(folder);
    EXPECT_EQ(listed.size(), state.visible.size()) << "the library lists a file that is not a finished photo";
    EXPECT_TRUE(!finished || (state.visible.size() == *finished && state.hidden.empty())) << state.visible.size() << " photos; left behind: " << (state.hidden.empty() ? fs::path() : state.hidden.front());
    std::set<std::string> sources;
    for (const auto& asset : listed) {
        auto bytes = files::readAll(asset.path);
        EXPECT_TRUE(bytes && bytes->size() > 4 && (*bytes)[bytes->size() - 2] == 0xFF && bytes->back() == 0xD9) << asset.path << " lacks its end marker";
        EXPECT_TRUE(decodeImageFile(asset.path).has_value()) << asset.path;
        const auto provenance = readStampProvenance(asset.path);
        EXPECT_TRUE(provenance) << asset.path << " does not say what it was made from";
        const bool again = provenance && !sources.insert(provenance->sourceName).second;
        EXPECT_FALSE(again && eachSourceOnce) << "stamped twice: " << provenance->sourceName;
    }
    return sources;
}

class BatchFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::permissions(folder.path(), fs::perms::all);
        options.home = folder / "home";
        options.photos = folder / "Pictures";
        ASSERT_TRUE(files::writeAtomically(folder / "logo.png", *encodePng(vd::test::opaqueLogo(40, Color::rgba(0, 0.8, 0.2)))));
        fs::permissions(folder / "logo.png", fs::perms::others_read, fs::perm_options::add); // for the unprivileged user too
    }

    // Photos prefix0.jpg, prefix1.jpg…, each of its own content, or all alike with a seed.
    std::vector<fs::path> makePhotos(int count, int width, int height, const std::string& prefix = "IMG_", std::optional<int> seed = {})
    {
        std::vector<fs::path> photos;
        for (int i = 0; i < count; ++i) {
            photos.push_back(folder / (prefix + std::to_string(i) + ".jpg"));
            writePhoto(photos.back(), width, height, seed.value_or(i));
        }
        return photos;
    }

    std::vector<std::string> stampArguments(const std::vector<fs::path>& photos, const fs::path& out, std::vector<std::string> extra = {})
    {
        std::vector<std::string> arguments { "stamp", "--logo", (folder / "logo.png").string(), "--position", "bottom-right", "--size", "30", "--out", out.string() };
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        for (const auto& photo : photos)
            arguments.push_back(photo.string());
        return arguments;
    }

    // Waits until the folder holds count finished photos; false after a few seconds.
    static bool waitForStampedPhotos(const fs::path& folder, std::size_t count)
    {
        for (int i = 0; i < 5000 && folderState(folder).visible.size() < count; ++i)
            std::this_thread::sleep_for(1ms);
        return folderState(folder).visible.size() >= count;
    }

    vd::test::TemporaryFolder folder;
    vd::test::CommandOptions options;
};

}

TEST_F(BatchFaults, KilledAtTwentyMomentsThenRunAgainFinishesWithoutDuplicates)
{
    // Thirty byte-identical photos: each is a source of its own and gets its own stamped copy.
    const auto photos = makePhotos(30, 320, 240, "IMG_", 7);
    const std::string hash = *ContentHash::ofFile(photos[0]);
    auto sourcesIntact = [&] { return std::ranges::all_of(photos, [&](const fs::path& photo) { return ContentHash::ofFile(photo).value_or("") == hash; }); };
    const fs::path out = folder / "out";
    const auto arguments = stampArguments(photos, out, { "--skip-done", "--jobs", "2" });

    // How long a whole batch takes here, to spread the kills over it.
    const auto started = std::chrono::steady_clock::now();
    auto whole = vd::test::runVardenico(stampArguments(photos, folder / "timing"), options, folder / "timing-run");
    ASSERT_EQ(whole.status, 0) << whole.errors;
    const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);

    std::mt19937 random(16);
    std::uniform_int_distribution<long> moment(0, duration.count());
    for (int round = 0; round < 20; ++round) {
        vd::test::RunningCommand batch(arguments, options, folder / "run");
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(batch.pid(), SIGKILL);
        batch.finish();
        SCOPED_TRACE("after kill " + std::to_string(round + 1));
        if (!fs::exists(out))
            continue;
        expectCompleteStampedPhotos(out);
        EXPECT_TRUE(sourcesIntact()) << "a source photo changed";
    }

    auto finished = vd::test::runVardenico(arguments, options, folder / "run");
    ASSERT_EQ(finished.status, 0) << finished.errors;
    // Named from the test's working folder, outside them.
    EXPECT_EQ(expectCompleteStampedPhotos(out, 30), std::set<std::string>(photos.begin(), photos.end())) << finished.output;
    EXPECT_TRUE(sourcesIntact());
}

// The host and process namespace a claim names its holder by, as the program writes it.
std::string claimHost()
{
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    char ns[64] = {};
    const ssize_t length = ::readlink("/proc/self/ns/pid", ns, sizeof ns - 1);
    return std::string(name) + "/" + std::string(ns, static_cast<size_t>(std::max<ssize_t>(length, 0)));
}

TEST_F(BatchFaults, RunsSharingAnOutputFolderStampEachSourceOnceAndTakeOverAbandonedClaims)
{
    // Identical photos, and two photos of one name in different folders, which need _2.
    auto photos = makePhotos(16, 400, 300, "IMG_", 3);
    fs::create_directories(folder / "more");
    photos.push_back(folder / "more" / "IMG_0.jpg");
    writePhoto(photos.back(), 300, 400, 4);

    // Claims a killed run left: a dead process of this host, and another machine's from two hours
    // ago. Both are taken over.
    const fs::path out = folder / "out";
    fs::create_directories(out);
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    auto writeClaim = [&](const std::string& output, const std::string& text) {
        const fs::path claim = out / ("." + output + ".vardenico-claim");
        EXPECT_TRUE(vd::test::writeText(claim, text));
        return claim;
    };
    writeClaim("IMG_3_vardenico.jpg", claimHost() + "\n" + std::to_string(dead) + "\n1\nIMG_3.jpg\n");
    fs::last_write_time(writeClaim("IMG_4_vardenico.jpg", "elsewhere\n1\n1\nIMG_4.jpg\n"), fs::file_time_type::clock::now() - std::chrono::hours(2));

    std::vector<std::unique_ptr<vd::test::RunningCommand>> started;
    for (int run = 0; run < 4; ++run)
        started.push_back(std::make_unique<vd::test::RunningCommand>(stampArguments(photos, out, { "--skip-done", "--jobs", "2" }), options, folder / ("run" + std::to_string(run))));
    std::size_t stamped = 0;
    for (auto& run : started) {
        const auto outcome = run->finish();
        EXPECT_EQ(outcome.status, 0) << outcome.output << outcome.errors;
        stamped += std::strtoul(outcome.output.substr(outcome.output.rfind('\n', outcome.output.size() - 2) + 1).c_str(), nullptr, 10);
    }
    EXPECT_EQ(stamped, photos.size()) << "the runs' own counts do not add up";
    EXPECT_TRUE(fs::exists(out / "IMG_0_vardenico_2.jpg"));
    expectCompleteStampedPhotos(out, photos.size());
}

TEST_F(BatchFaults, FourShardsWithOneKilledAndRerunStampEachSourceOnceAndTheirReportsAddUp)
{
    std::vector<fs::path> photos = makePhotos(24, 1200, 900);
    for (int i = 0; i < 8; ++i) {
        photos.push_back(folder / ("copy_" + std::to_string(i) + ".jpg"));
        fs::copy_file(photos[0], photos.back());
    }
    // A list as find -print0 writes it, names relative to where the runs start.
    std::string list;
    for (const auto& photo : photos)
        list += photo.string() + '\0';
    ASSERT_TRUE(vd::test::writeText(folder / "list", list));
    const fs::path out = folder / "out";
    auto shard = [&](int k) {
        return std::vector<std::string> { "stamp", "--logo", (folder / "logo.png").string(), "--size", "30", "--skip-done", "--jobs", "1", "--out", out.string(), "--files-from", (folder / "list").string(), "--null",
            "--shard", std::to_string(k) + "/4", "--report", (folder / ("report" + std::to_string(k))).string() };
    };
    auto reportLines = [&](int k) {
        std::vector<nlohmann::json> lines;
        std::ifstream in(folder / ("report" + std::to_string(k)));
        for (std::string line; std::getline(in, line);)
            lines.push_back(nlohmann::json::parse(line));
        return lines;
    };

    std::vector<std::unique_ptr<vd::test::RunningCommand>> shards;
    for (int k = 0; k < 4; ++k)
        shards.push_back(std::make_unique<vd::test::RunningCommand>(shard(k), options, folder / ("shard" + std::to_string(k))));
    // Shard 1 is killed once it has reported its first photo.
    for (int i = 0; i < 20000 && reportLines(1).empty(); ++i)
        std::this_thread::sleep_for(1ms);
    ::kill(shards[1]->pid(), SIGKILL);
    for (int k = 0; k < 4; ++k) {
        const auto outcome = shards[static_cast<size_t>(k)]->finish();
        EXPECT_EQ(outcome.status, k == 1 ? -1 : 0) << outcome.errors;
    }
    const std::size_t killedLines = reportLines(1).size();
    ASSERT_GE(killedLines, 1u);
    const auto rerun = vd::test::runVardenico(shard(1), options, folder / "rerun");
    EXPECT_EQ(rerun.status, 0) << rerun.errors;

    expectCompleteStampedPhotos(out, photos.size());
    // Every source is in the last report of exactly one shard, stamped or skipped; every copy a
    // report calls stamped is there, and is reported stamped once.
    std::map<std::string, int> finalRuns;
    std::set<std::string> reportedStamped;
    for (int k = 0; k < 4; ++k) {
        const auto lines = reportLines(k);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string status = lines[i].at("status");
            EXPECT_TRUE(status != "failed" && fs::exists(std::string(lines[i].at("output")))) << lines[i].dump();
            if (status == "stamped") {
                EXPECT_TRUE(reportedStamped.insert(lines[i].at("name")).second) << "stamped twice: " << lines[i].dump();
            }
            if (k != 1 || i >= killedLines)
                finalRuns[lines[i].at("name")] += 1;
        }
    }
    EXPECT_TRUE(finalRuns.size() == photos.size() && std::ranges::all_of(finalRuns, [](const auto& run) { return run.second == 1; })) << ::testing::PrintToString(finalRuns);
    EXPECT_TRUE(reportedStamped.size() <= photos.size() && reportedStamped.size() + 1 >= photos.size()) << "only a photo saved as its run was killed may lack a stamped line";
}

TEST_F(BatchFaults, AMillionLineListOfTenPhotosIsReadInBoundedMemory)
{
    const auto photos = makePhotos(10, 64, 48);
    const fs::path out = folder / "out";
    // Peak memory of a run over the list (names repeated lines times), from standard input.
    auto peakKilobytes = [&](int lines) {
        const fs::path list = folder / "list";
        std::ofstream file(list);
        for (int i = 0; i < lines; ++i)
            file << photos[static_cast<size_t>(i) % photos.size()].string() << '\n';
        file.close();
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(::open(list.c_str(), O_RDONLY), 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execl(VARDENICO_BINARY, VARDENICO_BINARY, "stamp", "--logo", (folder / "logo.png").c_str(), "--skip-done", "--out", out.c_str(), "--files-from", "-", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        rusage usage {};
        ::wait4(child, &status, 0, &usage);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << lines << " lines";
        return usage.ru_maxrss;
    };
    const long small = peakKilobytes(1000);
    const long million = peakKilobytes(1'000'000);
    EXPECT_LT(million, small + 16 * 1024) << "memory grows with the list: " << small << " kB for 1,000 lines, " << million << " kB for 1,000,000";
    EXPECT_EQ(folderState(out).visible.size(), 10u);
}

// A batch of one small photo and large ones, whose output folder turns read-only, or whose
// sources are removed or replaced, once the small one is saved.
TEST_F(BatchFaults, OutputFolderTurningReadOnlyOrSourcesChangingMidwayNameTheFailedPhotosAndKeepTheRest)
{
    auto photos = makePhotos(1, 64, 48, "first_");
    for (const auto& photo : makePhotos(9, 1600, 1200))
        photos.push_back(photo);
    const fs::path out = folder / "out";
    fs::create_directories(out);
    ASSERT_EQ(::chown(out.c_str(), vd::test::kNobody, vd::test::kNobody), 0);
    options.asNobody = true;
    {
        vd::test::RunningCommand batch(stampArguments(photos, out, { "--jobs", "1" }), options, folder / "run");
        ASSERT_TRUE(waitForStampedPhotos(out, 1));
        fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        auto outcome = batch.finish();
        fs::permissions(out, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        const std::string said = outcome.output + outcome.errors;
        EXPECT_TRUE(outcome.status == 1 && said.contains("Permission denied") && said.contains("failed")) << said;
        const FolderState state = folderState(out);
        ASSERT_TRUE(!state.visible.empty() && state.visible.size() < 10u) << "the folder turned read-only after the batch was over";
        EXPECT_EQ(state.visible.front().filename(), "first_0_vardenico.jpg");
        expectCompleteStampedPhotos(out);
        // Writable again, the same command finishes the batch and clears what the failures left.
        auto again = vd::test::runVardenico(stampArguments(photos, out, { "--jobs", "1", "--skip-done" }), options, folder / "run");
        EXPECT_EQ(again.status, 0) << again.output << again.errors;
        expectCompleteStampedPhotos(out, 10);
    }

    const fs::path removed = photos[5], replaced = photos[6], changedOut = folder / "changed";
    writePhoto(folder / "replacement.jpg", 300, 200, 99);
    const std::string replacementHash = *ContentHash::ofFile(folder / "replacement.jpg");
    vd::test::RunningCommand batch(stampArguments(photos, changedOut, { "--jobs", "1" }), options, folder / "run");
    ASSERT_TRUE(waitForStampedPhotos(changedOut, 1));
    fs::remove(removed);
    fs::rename(folder / "replacement.jpg", replaced);
    auto outcome = batch.finish();
    const std::string said = outcome.output + outcome.errors;
    EXPECT_TRUE(outcome.status == 1 && said.contains(removed.filename().string() + ": no such file")) << said;
    expectCompleteStampedPhotos(changedOut);
    // The replaced photo is stamped from its new content, whole, or reported; never a mixture.
    const fs::path replacedOut = changedOut / (replaced.stem().string() + "_vardenico.jpg");
    if (fs::exists(replacedOut)) {
        EXPECT_EQ(readStampProvenance(replacedOut)->sourceHash, replacementHash);
        EXPECT_EQ(decodeImageFile(replacedOut)->pixelWidth(), 300);
    } else {
        EXPECT_NE(said.find(replaced.filename().string()), std::string::npos) << said;
    }
    EXPECT_FALSE(fs::exists(changedOut / (removed.stem().string() + "_vardenico.jpg")));
}

TEST_F(BatchFaults, OutputFolderFullMidwayNamesTheFailedPhotoWithItsReasonAndKeepsTheOthers)
{
    // Any file the program writes may grow to 200 kB: the small photos fit, the large one not.
    auto photos = makePhotos(3, 200, 150, "small_");
    photos.insert(photos.begin() + 2, makePhotos(1, 1600, 1200, "large_").front());
    const fs::path out = folder / "out";
    options.fileSizeLimit = 200'000;
    auto outcome = vd::test::runVardenico(stampArguments(photos, out, { "--jobs", "1" }), options, folder / "run");

    const std::string said = outcome.output + outcome.errors;
    EXPECT_TRUE(outcome.status == 1 && said.contains("large_0.jpg") && said.contains("File too large")) << said;
    EXPECT_TRUE(outcome.output.contains("3 of 4 photos stamped") && outcome.output.contains("1 failed")) << outcome.output;
    EXPECT_EQ(folderState(out).visible, (std::vector<fs::path> { out / "small_0_vardenico.jpg", out / "small_1_vardenico.jpg", out / "small_2_vardenico.jpg" }));
    expectCompleteStampedPhotos(out, 3); // and the failed photo's temporary file is gone
}

TEST_F(BatchFaults, LogoStoreChangedByAnotherProcessWhileABatchReadsIt)
{
    ASSERT_TRUE(files::writeAtomically(folder / "red.png", *encodePng(vd::test::opaqueLogo(40, Color::rgba(1, 0, 0)))));
    ASSERT_EQ(vd::test::runVardenico({ "logos", "add", (folder / "logo.png").string() }, options, folder / "add").status, 0);
    const auto photos = makePhotos(4, 320, 240);
    const fs::path out = folder / "out";

    // Batches stamping logo 0 run while another process adds and deletes logos after it.
    auto arguments = stampArguments(photos, out);
    arguments[1] = "--logo-index", arguments[2] = "0";
    std::vector<vd::test::CommandOutcome> changes;
    std::thread changer([&] {
        for (int i = 0; i < 6; ++i) {
            changes.push_back(vd::test::runVardenico({ "logos", "add", (folder / "red.png").string() }, options, folder / ("change" + std::to_string(i))));
            changes.push_back(vd::test::runVardenico({ "logos", "delete", "1" }, options, folder / ("delete" + std::to_string(i))));
        }
    });
    std::vector<vd::test::CommandOutcome> batches;
    for (int i = 0; i < 4; ++i)
        batches.push_back(vd::test::runVardenico(arguments, options, folder / ("batch" + std::to_string(i))));
    changer.join();
    for (const auto& run : { changes, batches })
        for (const auto& outcome : run)
            EXPECT_EQ(outcome.status, 0) << outcome.errors;
    expectCompleteStampedPhotos(out, 16, false);
    for (const auto& stamped : folderState(out).visible) {
        auto image = decodeImageFile(stamped);
        ASSERT_TRUE(image);
        const std::uint32_t corner = image->pixelAt(image->pixelWidth() - 30, image->pixelHeight() - 30) & 0xffffff;
        EXPECT_TRUE(((corner >> 16) & 0xff) < 0x60u && ((corner >> 8) & 0xff) > 0xa0u) << stamped << ": stamped with a logo other than logo 0";
    }
    auto listed = vd::test::runVardenico({ "logos", "list" }, options, folder / "list");
    EXPECT_TRUE(listed.status == 0 && listed.output.contains("1 logo")) << listed.output << listed.errors;
}
