// The logo store when the disk is full, and when several programs add logos to it at once.

#include "CommandSupport.h"
#include "TestSupport.h"

#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/store/Database.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sys/mount.h>

using namespace vd;
using namespace vd::test;
namespace fs = std::filesystem;

namespace {

// A one-colour opaque picture written as a PNG.
fs::path writeSolidPng(const fs::path& path, std::uint32_t argb)
{
    auto png = encodePng(Image::fromBuffer({ 64, 64, std::vector<std::uint32_t>(64 * 64, argb), true }));
    EXPECT_TRUE(png && files::writeAtomically(path, *png));
    return path;
}

}

TEST(StoreFaults, AFullDiskIsSaidInOnePlainLineAndLeavesNoEmptyStoreBehind)
{
    TemporaryFolder scratch;
    const fs::path logo = writeSolidPng(scratch.path() / "logo.png", 0xff2060a0);
    // A small disk of its own (a tmpfs; tests run as root) with every free byte taken, unmounted
    // when the test ends.
    const fs::path disk = scratch.path() / "disk";
    fs::create_directories(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k"), 0) << std::strerror(errno);
    const std::unique_ptr<const char, int (*)(const char*)> unmount(disk.c_str(), ::umount);
    std::ofstream(disk / "filler", std::ios::binary) << std::string(128 * 1024, 'x');

    const CommandOutcome added = runVardenico({ "logos", "add", logo.string() }, { .home = disk }, scratch.path() / "add");
    EXPECT_TRUE(added.status == 1 && lineCount(added.errors) == 1u && !added.errors.contains("Unresolved")) << added.errors;
    EXPECT_TRUE(added.errors.contains((disk / "dictModel.sqlite").string() + ": the disk is full")) << added.errors;
    EXPECT_FALSE(fs::exists(disk / "dictModel.sqlite")) << "an empty store would read as one without logos";
}

TEST(StoreFaults, ProgramsAddingLogosAtOnceEachSayTheIndexTheirLogoGot)
{
    TemporaryFolder scratch;
    const fs::path home = scratch.path() / "home";
    fs::create_directories(home);
    // The store exists before the race, as it does once the program has run.
    ASSERT_EQ(runVardenico({ "logos", "list" }, { .home = home }, scratch.path() / "list").status, 0);

    constexpr int kPrograms = 8;
    std::vector<std::uint32_t> colours;
    std::vector<std::unique_ptr<RunningCommand>> running;
    for (int i = 0; i < kPrograms; ++i) {
        colours.push_back(0xff000000u | static_cast<std::uint32_t>(i * 30) << 16 | static_cast<std::uint32_t>(250 - i * 30));
        const fs::path picture = writeSolidPng(scratch.path() / ("logo" + std::to_string(i) + ".png"), colours.back());
        running.push_back(std::make_unique<RunningCommand>(std::vector<std::string> { "logos", "add", picture.string() }, CommandOptions { .home = home }, scratch.path() / ("add" + std::to_string(i))));
    }
    std::map<int, int> programOfIndex;
    for (int i = 0; i < kPrograms; ++i) {
        const CommandOutcome outcome = running[static_cast<size_t>(i)]->finish();
        ASSERT_EQ(outcome.status, 0) << outcome.errors;
        std::smatch said;
        ASSERT_TRUE(std::regex_search(outcome.output, said, std::regex("Added logo ([0-9]+) "))) << outcome.output;
        EXPECT_TRUE(programOfIndex.emplace(std::stoi(said[1]), i).second) << "two programs said logo " << said[1];
    }
    ASSERT_EQ(programOfIndex.size(), size_t(kPrograms));
    // None missing and none too many, each whole.
    const auto listed = nlohmann::json::parse(runVardenico({ "logos", "list", "--json" }, { .home = home }, scratch.path() / "list").output, nullptr, false);
    ASSERT_TRUE(listed.is_array());
    EXPECT_EQ(listed.size(), size_t(kPrograms));
    for (const auto& logo : listed)
        EXPECT_EQ(logo.value("width", 0), 800) << logo.dump();
    // Each index holds the logo of the program that named it.
    for (const auto& [index, program] : programOfIndex) {
        SCOPED_TRACE("logo " + std::to_string(index));
        const fs::path exported = scratch.path() / ("export" + std::to_string(index) + ".png");
        ASSERT_EQ(runVardenico({ "logos", "export", std::to_string(index), exported.string() }, { .home = home }, scratch.path() / "export").status, 0);
        auto picture = decodeImageFile(exported);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->pixelAt(picture->pixelWidth() / 2, picture->pixelHeight() / 2), colours[static_cast<size_t>(program)]);
    }

    // Made certain by a trigger: another program's row lands between this one's save and its
    // re-read of the store, after its own. The index said is still the one its logo got.
    {
        auto store = store::Database::open(home / "dictModel.sqlite", store::Database::Access::ReadWrite);
        ASSERT_TRUE(store && store->execute("DELETE FROM DictCoreData; CREATE TRIGGER another_program AFTER INSERT ON DictCoreData WHEN (SELECT count(*) FROM DictCoreData) = 1 "
                                            "BEGIN INSERT INTO DictCoreData (myImagePng) SELECT myImagePng FROM DictCoreData; END"));
    }
    const CommandOutcome added = runVardenico({ "logos", "add", (scratch.path() / "logo0.png").string() }, { .home = home }, scratch.path() / "add");
    EXPECT_TRUE(added.output.starts_with("Added logo 0 ")) << added.output;
}
