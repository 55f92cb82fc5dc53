#include "CliSupport.h"

#include <platform/store/Database.h>

#include <gtest/gtest.h>

using namespace vd;
namespace fs = std::filesystem;

namespace {

using vd::test::writePicture;

std::vector<fs::path> visibleFiles(const fs::path& folder)
{
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().front() != '.')
            names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}

TEST(StampCommand, SkipDoneFinishesABatchWithoutRedoingOrDuplicatingAndSaysWhatItSkipped)
{
    vd::test::TemporaryFolder folder;
    vd::test::CommandOptions options { .home = folder / "home" };
    writePicture(folder / "logo.png", 40, 40, false, Color::rgba(0, 1, 0));
    std::vector<std::string> photos;
    for (int i = 0; i < 3; ++i) {
        photos.push_back((folder / ("IMG_" + std::to_string(i) + ".jpg")).string());
        writePicture(photos.back(), 120 + 10 * i, 90, true, Color::rgba(0.8, 0.3, 0.1 * i));
    }
    auto stamp = [&](std::vector<std::string> extra, const std::vector<std::string>& which) {
        std::vector<std::string> arguments { "stamp", "--logo", (folder / "logo.png").string(), "--out", (folder / "out").string(), "--skip-done" };
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.insert(arguments.end(), which.begin(), which.end());
        return vd::test::runVardenico(arguments, options, folder / "run");
    };

    auto first = stamp({}, { photos[0] });
    ASSERT_EQ(first.status, 0) << first.errors;
    const std::string firstBytes = vd::test::fileText(folder / "out" / "IMG_0_vardenico.jpg");
    auto whole = stamp({}, photos);
    ASSERT_EQ(whole.status, 0) << whole.errors;
    for (const std::string& said : { std::string("2 of 3 photos stamped"), std::string("1 skipped, already stamped"), "already stamped as " + (folder / "out" / "IMG_0_vardenico.jpg").string() })
        EXPECT_TRUE(whole.output.contains(said)) << said << " not in: " << whole.output;
    EXPECT_EQ(vd::test::fileText(folder / "out" / "IMG_0_vardenico.jpg"), firstBytes) << "a done photo was stamped again";
    EXPECT_EQ(visibleFiles(folder / "out"), (std::vector<fs::path> { "IMG_0_vardenico.jpg", "IMG_1_vardenico.jpg", "IMG_2_vardenico.jpg" }));

    // Another size is another stamp; a changed photo is another source.
    ASSERT_EQ(stamp({ "--size", "40" }, { photos[1] }).status, 0);
    writePicture(photos[2], 60, 60, true, Color::rgba(0.2, 0.2, 0.2));
    auto changed = stamp({}, photos);
    EXPECT_TRUE(changed.output.contains("1 of 3 photos stamped") && visibleFiles(folder / "out").size() == 5u) << changed.output;

    // Another encoding is another stamp too: smaller files, with the colour sampled as asked.
    auto lumaSampling = [](const std::string& jpeg) {
        const size_t sof = jpeg.find("\xFF\xC0");
        return sof == std::string::npos ? 0 : static_cast<unsigned char>(jpeg[sof + 11]);
    };
    EXPECT_EQ(lumaSampling(firstBytes), 0x11);
    for (const auto& [subsampling, factors] : { std::pair { "422", 0x21 }, std::pair { "420", 0x22 } }) {
        auto smaller = stamp({ "--quality", "60", "--subsampling", subsampling }, { photos[0] });
        ASSERT_EQ(smaller.status, 0) << smaller.errors;
        const std::string bytes = vd::test::fileText(smaller.output.substr(smaller.output.find("-> ") + 3, smaller.output.find('\n') - smaller.output.find("-> ") - 3));
        EXPECT_TRUE(lumaSampling(bytes) == factors && bytes.size() < firstBytes.size() * 2 / 3) << subsampling;
    }
}

TEST(StampCommand, LogosListWorksOnAStoreNobodyMayWriteAndLeavesItAsItWas)
{
    vd::test::TemporaryFolder folder;
    fs::permissions(folder.path(), fs::perms::all);
    vd::test::CommandOptions options { .home = folder / "home" };
    writePicture(folder / "logo.png", 40, 40, false, Color::rgba(0, 1, 0));
    ASSERT_EQ(vd::test::runVardenico({ "logos", "add", (folder / "logo.png").string() }, options, folder / "add").status, 0);
    // A store written before the thumbnail cache existed: the column is missing.
    ASSERT_TRUE(store::Database::open(options.home / "dictModel.sqlite", store::Database::Access::ReadWrite).value().execute("ALTER TABLE DictCoreData DROP COLUMN thumbnailCache"));
    const std::string before = vd::test::fileText(options.home / "dictModel.sqlite");
    fs::permissions(options.home / "dictModel.sqlite", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(options.home, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    options.asNobody = true;
    auto listed = vd::test::runVardenico({ "logos", "list" }, options, folder / "list");
    EXPECT_TRUE(listed.status == 0 && listed.output.contains("1 logo")) << listed.output << listed.errors;
    EXPECT_TRUE(listed.errors.contains("thumbnails") && vd::test::lineCount(listed.errors) == 1u) << "the failed cache write is one warning: " << listed.errors;
    EXPECT_EQ(vd::test::fileText(options.home / "dictModel.sqlite"), before);

    // Writable again, the next run fills the cache and the missing column.
    fs::permissions(options.home, fs::perms::owner_all);
    fs::permissions(options.home / "dictModel.sqlite", fs::perms::owner_read | fs::perms::owner_write);
    options.asNobody = false;
    auto writable = vd::test::runVardenico({ "logos", "list" }, options, folder / "list");
    EXPECT_TRUE(writable.status == 0 && writable.errors.empty()) << writable.errors;
    EXPECT_NE(vd::test::fileText(options.home / "dictModel.sqlite"), before);

    // No store at all, in a folder nobody may write: an empty list and a warning, no file made.
    options.home = folder / "empty-home";
    fs::create_directory(options.home);
    fs::permissions(options.home, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    options.asNobody = true;
    auto none = vd::test::runVardenico({ "logos", "list" }, options, folder / "list");
    EXPECT_TRUE(none.status == 0 && none.output.contains("No logos yet") && !fs::exists(options.home / "dictModel.sqlite")) << none.output;
    EXPECT_TRUE(none.errors.contains("dictModel.sqlite")) << "the warning names the store: " << none.errors;
    fs::permissions(options.home, fs::perms::owner_all);
}

// The status says whether every photo was stamped (0), some failed (1, the others written), or
// nothing could start (2); a stored logo is taken by its index, a bad index named.
TEST(StampCommand, ExitStatusAndLogosTakenFromTheStoreByIndex)
{
    vd::test::TemporaryFolder folder;
    vd::test::CommandOptions options { .home = folder / "home" };
    auto run = [&](const std::vector<std::string>& arguments) { return vd::test::runVardenico(arguments, options, folder / "run"); };
    const std::string out = (folder / "out").string(), photo = writePicture(folder / "p.jpg", 400, 300, true, Color::rgba(0.5, 0.5, 0.5)).string();
    const std::string logo = writePicture(folder / "logo.png", 60, 60, false, Color::rgba(0, 1, 0)).string();
    const std::tuple<std::vector<std::string>, int, const char*, bool, const char*> cases[] = {
        { { "stamp", "--logo", logo, "--position", "bottom-right", "--out", out, photo }, 0, "p_vardenico.jpg", true, "" },
        { { "stamp", "--logo", logo, "--out", out, photo, (folder / "nope.jpg").string() }, 1, "p_vardenico_2.jpg", true, "" },
        // A logo placed where it cannot be seen is a failed photo, not a copy without a logo.
        { { "stamp", "--logo", logo, "--position", "bottom-right", "--margin", "99999", "--out", out, photo }, 1, "p_vardenico_3.jpg", false, "" },
    };
    for (const auto& [arguments, status, written, exists, said] : cases) {
        const auto outcome = run(arguments);
        EXPECT_TRUE(outcome.status == status && outcome.errors.contains(said)) << arguments[2] << ": " << outcome.errors;
        EXPECT_EQ(fs::exists(folder / "out" / written), exists) << written;
    }

    ASSERT_EQ(run({ "logos", "add", logo }).status, 0);
    const auto stamped = run({ "stamp", "--logo-index", "0", "--size", "50", "--out", out, photo });
    ASSERT_EQ(stamped.status, 0) << stamped.errors;
    const Image image = *decodeImageFile(folder / "out" / "p_vardenico_3.jpg");
    const Rgba8 middle = vd::test::pixelAt(image, 200, 150), edge = vd::test::pixelAt(image, 10, 250);
    EXPECT_TRUE(middle.g > 230 && middle.r < 30 && middle.b < 30) << "the stored green logo in the middle";
    EXPECT_TRUE(edge.g < 150 && edge.r > 100) << "the photo around it";
    const auto beyond = run({ "stamp", "--logo-index", "1", "--out", out, photo });
    EXPECT_TRUE(beyond.status == 2 && beyond.errors.contains("--logo-index: logo 1: no such logo (the store has 1 logo, numbered 0 to 0)")) << beyond.errors;
}
