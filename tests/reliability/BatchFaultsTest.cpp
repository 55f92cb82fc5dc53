// Faults in the middle of a batch, on the real program: killed, its output folder turning
// read-only or full, its photos removed or replaced, its logo store changed under it.

#include "CommandSupport.h"
#include "TestSupport.h"

#include <platform/foundation/ContentHash.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/PhotoIndex.h>
#include <watermark/StampProvenance.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <map>
#include <random>
#include <set>
#include <thread>

using namespace vd;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

void writePhoto(const fs::path& path, int width, int height, int seed)
{
    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.opaque = true;
    buffer.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            buffer.pixels[static_cast<size_t>(y) * width + x] = 0xff000000u | static_cast<std::uint32_t>(((x * 7 + seed * 31) ^ (y * 13)) & 0xffffff);
    JpegEncodeOptions options;
    options.quality = 90;
    auto bytes = encodeJpeg(Image::fromBuffer(std::move(buffer)), options);
    ASSERT_TRUE(bytes);
    ASSERT_TRUE(files::writeAtomically(path, *bytes));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

void writeLogo(const fs::path& path, const Color& colour)
{
    DrawingContext context({ 40, 40 }, DrawingContext::Opacity::Transparent, 1.0);
    context.fill({ 4, 4, 32, 32 }, colour);
    ASSERT_TRUE(files::writeAtomically(path, *encodePng(context.takeImage())));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

std::map<fs::path, std::string> hashes(const std::vector<fs::path>& paths)
{
    std::map<fs::path, std::string> result;
    for (const auto& path : paths)
        result[path] = ContentHash::ofFile(path).value_or("unreadable");
    return result;
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
// and says which source it was made from.
void expectCompleteStampedPhotos(const fs::path& folder)
{
    PhotoIndex index(folder.parent_path() / (folder.filename().string() + "-index.sqlite"));
    const auto listed = index.scan(folder);
    EXPECT_EQ(listed.size(), folderState(folder).visible.size()) << "the library lists a file that is not a finished photo";
    for (const auto& asset : listed) {
        auto bytes = files::readAll(asset.path);
        ASSERT_TRUE(bytes && bytes->size() > 4) << asset.path;
        EXPECT_EQ((*bytes)[bytes->size() - 2], 0xFF) << asset.path << " lacks its end marker";
        EXPECT_EQ((*bytes)[bytes->size() - 1], 0xD9) << asset.path << " lacks its end marker";
        EXPECT_TRUE(decodeImageFile(asset.path).has_value()) << asset.path;
        EXPECT_TRUE(readStampProvenance(asset.path).has_value()) << asset.path;
    }
}

// The logos `logos list --json` lists, each checked to be whole; -1 for output that is not a list.
int lineCountOfLogos(const std::string& json)
{
    auto logos = nlohmann::json::parse(json, nullptr, false);
    if (!logos.is_array())
        return -1;
    for (const auto& logo : logos)
        EXPECT_EQ(logo.value("width", 0), 800) << logo.dump();
    return static_cast<int>(logos.size());
}

class BatchFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::permissions(folder.path(), fs::perms::all);
        options.home = folder / "home";
        options.photos = folder / "Pictures";
        writeLogo(folder / "logo.png", Color::rgba(0, 0.8, 0.2));
    }

    std::vector<fs::path> makePhotos(int count, int width, int height, const std::string& prefix = "IMG_")
    {
        std::vector<fs::path> photos;
        for (int i = 0; i < count; ++i) {
            photos.push_back(folder / (prefix + std::to_string(i) + ".jpg"));
            writePhoto(photos.back(), width, height, i);
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
        for (int i = 0; i < 5000; ++i) {
            if (folderState(folder).visible.size() >= count)
                return true;
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }

    vd::test::TemporaryFolder folder;
    vd::test::CommandOptions options;
};

}

TEST_F(BatchFaults, KilledAtTwentyMomentsThenRunAgainFinishesWithoutDuplicates)
{
    const auto photos = makePhotos(10, 480, 360);
    const auto before = hashes(photos);
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
        std::set<std::string> sources;
        for (const auto& stamped : folderState(out).visible) {
            auto provenance = readStampProvenance(stamped);
            ASSERT_TRUE(provenance);
            EXPECT_TRUE(sources.insert(provenance->sourceHash).second) << "a photo was stamped twice: " << stamped;
        }
        EXPECT_EQ(hashes(photos), before) << "a source photo changed";
    }

    auto finished = vd::test::runVardenico(arguments, options, folder / "run");
    ASSERT_EQ(finished.status, 0) << finished.errors;
    const FolderState state = folderState(out);
    EXPECT_TRUE(state.hidden.empty()) << "left behind: " << state.hidden.front();
    ASSERT_EQ(state.visible.size(), 10u) << finished.output;
    std::set<std::string> sources;
    for (const auto& stamped : state.visible)
        sources.insert(readStampProvenance(stamped)->sourceHash);
    std::set<std::string> expected;
    for (const auto& [path, hash] : before)
        expected.insert(hash);
    EXPECT_EQ(sources, expected);
    expectCompleteStampedPhotos(out);
    EXPECT_EQ(hashes(photos), before);
}

TEST_F(BatchFaults, OutputFolderTurningReadOnlyMidwayNamesTheFailedPhotoAndKeepsTheEarlierOnes)
{
    auto photos = makePhotos(1, 64, 48, "first_");
    for (const auto& photo : makePhotos(9, 1600, 1200))
        photos.push_back(photo);
    const fs::path out = folder / "out";
    fs::create_directories(out);
    ASSERT_EQ(::chown(out.c_str(), vd::test::kNobody, vd::test::kNobody), 0);
    options.asNobody = true;
    const auto arguments = stampArguments(photos, out, { "--jobs", "1" });

    vd::test::RunningCommand batch(arguments, options, folder / "run");
    ASSERT_TRUE(waitForStampedPhotos(out, 1));
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    auto outcome = batch.finish();
    fs::permissions(out, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);

    EXPECT_EQ(outcome.status, 1) << outcome.output << outcome.errors;
    const std::string said = outcome.output + outcome.errors;
    EXPECT_NE(said.find("Permission denied"), std::string::npos) << said;
    EXPECT_NE(said.find("failed"), std::string::npos) << said;
    const FolderState state = folderState(out);
    ASSERT_GE(state.visible.size(), 1u);
    EXPECT_LT(state.visible.size(), 10u) << "the folder turned read-only after the batch was over";
    EXPECT_EQ(state.visible.front().filename(), "first_0_vardenico.jpg");
    expectCompleteStampedPhotos(out);

    // Writable again, the same command finishes the batch and clears what the failures left.
    auto again = vd::test::runVardenico(stampArguments(photos, out, { "--jobs", "1", "--skip-done" }), options, folder / "run");
    EXPECT_EQ(again.status, 0) << again.output << again.errors;
    EXPECT_EQ(folderState(out).visible.size(), 10u);
    EXPECT_TRUE(folderState(out).hidden.empty());
}

TEST_F(BatchFaults, OutputFolderFullMidwayNamesTheFailedPhotoWithItsReasonAndKeepsTheOthers)
{
    // Any file the program writes may grow to 200 kB: the small photos fit, the large one not.
    auto photos = makePhotos(3, 200, 150, "small_");
    photos.insert(photos.begin() + 2, makePhotos(1, 1600, 1200, "large_").front());
    const fs::path out = folder / "out";
    options.fileSizeLimit = 200'000;
    auto outcome = vd::test::runVardenico(stampArguments(photos, out, { "--jobs", "1" }), options, folder / "run");

    EXPECT_EQ(outcome.status, 1) << outcome.output << outcome.errors;
    const std::string said = outcome.output + outcome.errors;
    EXPECT_NE(said.find("large_0.jpg"), std::string::npos) << said;
    EXPECT_NE(said.find("File too large"), std::string::npos) << said;
    EXPECT_NE(outcome.output.find("3 of 4 photos stamped"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("1 failed"), std::string::npos) << outcome.output;
    const FolderState state = folderState(out);
    EXPECT_EQ(state.visible, (std::vector<fs::path> { out / "small_0_vardenico.jpg", out / "small_1_vardenico.jpg", out / "small_2_vardenico.jpg" }));
    EXPECT_TRUE(state.hidden.empty()) << "the failed photo's temporary file stayed";
    expectCompleteStampedPhotos(out);
}

TEST_F(BatchFaults, SourcesRemovedOrReplacedAfterTheyWereListedAreReportedOrStampedWhole)
{
    auto photos = makePhotos(1, 64, 48, "first_");
    for (const auto& photo : makePhotos(7, 1200, 900))
        photos.push_back(photo);
    const fs::path removed = photos[5];
    const fs::path replaced = photos[6];
    writePhoto(folder / "replacement.jpg", 300, 200, 99);
    const std::string replacementHash = *ContentHash::ofFile(folder / "replacement.jpg");
    const fs::path out = folder / "out";

    vd::test::RunningCommand batch(stampArguments(photos, out, { "--jobs", "1" }), options, folder / "run");
    ASSERT_TRUE(waitForStampedPhotos(out, 1));
    fs::remove(removed);
    fs::rename(folder / "replacement.jpg", replaced);
    auto outcome = batch.finish();

    EXPECT_EQ(outcome.status, 1) << outcome.output << outcome.errors;
    const std::string said = outcome.output + outcome.errors;
    EXPECT_NE(said.find(removed.filename().string() + ": no such file"), std::string::npos) << said;
    expectCompleteStampedPhotos(out);
    // The replaced photo is stamped from its new content, whole, or reported; never a mixture.
    const fs::path replacedOut = out / (replaced.stem().string() + "_vardenico.jpg");
    if (fs::exists(replacedOut)) {
        EXPECT_EQ(readStampProvenance(replacedOut)->sourceHash, replacementHash);
        EXPECT_EQ(decodeImageFile(replacedOut)->pixelWidth(), 300);
    } else {
        EXPECT_NE(said.find(replaced.filename().string()), std::string::npos) << said;
    }
    EXPECT_FALSE(fs::exists(out / (removed.stem().string() + "_vardenico.jpg")));
}

TEST_F(BatchFaults, LogoStoreChangedByAnotherProcessWhileABatchReadsIt)
{
    writeLogo(folder / "red.png", Color::rgba(1, 0, 0));
    ASSERT_EQ(vd::test::runVardenico({ "logos", "add", (folder / "logo.png").string() }, options, folder / "add").status, 0);
    const auto photos = makePhotos(4, 320, 240);
    const fs::path out = folder / "out";

    // Batches stamping logo 0 run while another process adds and deletes logos after it.
    std::vector<std::string> arguments { "stamp", "--logo-index", "0", "--position", "bottom-right", "--size", "30", "--out", out.string() };
    for (const auto& photo : photos)
        arguments.push_back(photo.string());
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

    for (const auto& change : changes)
        EXPECT_EQ(change.status, 0) << change.errors;
    for (const auto& batch : batches)
        EXPECT_EQ(batch.status, 0) << batch.errors;
    expectCompleteStampedPhotos(out);
    EXPECT_EQ(folderState(out).visible.size(), 16u);
    for (const auto& stamped : folderState(out).visible) {
        auto image = decodeImageFile(stamped);
        ASSERT_TRUE(image);
        const std::uint32_t corner = image->pixelAt(image->pixelWidth() - 30, image->pixelHeight() - 30) & 0xffffff;
        EXPECT_LT((corner >> 16) & 0xff, 0x60u) << stamped << ": stamped with a logo other than logo 0";
        EXPECT_GT((corner >> 8) & 0xff, 0xa0u) << stamped << ": stamped with a logo other than logo 0";
    }
    auto listed = vd::test::runVardenico({ "logos", "list" }, options, folder / "list");
    EXPECT_EQ(listed.status, 0) << listed.errors;
    EXPECT_NE(listed.output.find("1 logo"), std::string::npos) << listed.output;
}

TEST_F(BatchFaults, TwoLogoAddsAtOnceOnOneStoreKeepBothOrSayBusy)
{
    writeLogo(folder / "red.png", Color::rgba(1, 0, 0));
    ASSERT_EQ(vd::test::runVardenico({ "logos", "list" }, options, folder / "first").status, 0);
    int kept = 0;
    for (int round = 0; round < 8; ++round) {
        vd::test::RunningCommand first({ "logos", "add", (folder / "logo.png").string() }, options, folder / "a");
        vd::test::RunningCommand second({ "logos", "add", (folder / "red.png").string() }, options, folder / "b");
        for (auto outcome : { first.finish(), second.finish() }) {
            if (outcome.status == 0)
                ++kept;
            else
                EXPECT_NE(outcome.errors.find("busy"), std::string::npos) << outcome.errors;
        }
        auto listed = vd::test::runVardenico({ "logos", "list", "--json" }, options, folder / "list");
        ASSERT_EQ(listed.status, 0) << listed.errors;
        EXPECT_EQ(lineCountOfLogos(listed.output), kept) << "a logo reported as added is missing, or one too many is there";
    }
    EXPECT_GT(kept, 0);
}
