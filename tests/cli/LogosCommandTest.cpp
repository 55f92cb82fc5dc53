#include "CliSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace vd;
namespace fs = std::filesystem;

namespace {

// Runs the vardenico program with VARDENICO_HOME set to home, as a user would.
test::CommandOutcome vardenico(const fs::path& home, const std::vector<std::string>& arguments)
{
    return test::runVardenico(arguments, { .home = home }, home.parent_path() / "run");
}

using test::writePicture;

}

TEST(LogosCommand, AddListExportDeleteAcrossRunsABadIndexOrPictureChangesNothingAndPhotosAreAddedUpright)
{
    test::TemporaryFolder folder;
    const fs::path home = folder / "home";
    const fs::path photo = writePicture(folder / "photo.jpg", 1600, 1200, true);
    const fs::path badge = writePicture(folder / "badge.png", 300, 600, false);

    test::CommandOutcome added = vardenico(home, { "logos", "add", photo.string() });
    ASSERT_EQ(added.status, 0) << added.errors;
    EXPECT_TRUE(added.output.contains("Added logo 0") && added.output.contains((home / "dictModel.sqlite").string()) && fs::exists(home / "dictModel.sqlite")) << added.output;
    ASSERT_EQ(vardenico(home, { "logos", "add", badge.string() }).status, 0);

    // A second run sees the first run's logos.
    test::CommandOutcome listed = vardenico(home, { "logos", "list", "--json" });
    ASSERT_EQ(listed.status, 0) << listed.errors;
    auto logos = nlohmann::json::parse(listed.output);
    ASSERT_EQ(logos.size(), 2u);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(std::tuple(logos[i]["index"], logos[i]["width"], logos[i]["height"], logos[i]["thumbnailWidth"], logos[i]["thumbnailHeight"], logos[i]["hasLayers"], logos[i]["layers"].empty(), logos[i]["canvasColor"].is_null()),
            std::tuple(nlohmann::json(i), nlohmann::json(800), nlohmann::json(800), nlohmann::json(200), nlohmann::json(200), nlohmann::json(false), true, true));
    EXPECT_TRUE(vardenico(home, { "logos", "list" }).output.contains("2 logos"));

    ASSERT_EQ(vardenico(home, { "logos", "export", "0", (folder / "logo.png").string() }).status, 0);
    auto picture = decodeImageFile(folder / "logo.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::tuple(picture->pixelWidth(), picture->pixelAt(400, 40) >> 24, picture->pixelAt(400, 400) >> 24), std::tuple(800, 0u, 255u)) << "a transparent margin above the 800 × 600 photo";

    // Exporting over an existing file needs --force.
    test::CommandOutcome again = vardenico(home, { "logos", "export", "1", (folder / "logo.png").string() });
    EXPECT_TRUE(again.status == 1 && again.errors.contains("logo.png")) << again.errors;
    EXPECT_EQ(vardenico(home, { "logos", "export", "1", (folder / "logo.png").string(), "--force" }).status, 0);

    // The name's extension says what is written: a JPEG over white, never PNG bytes as .jpg; a
    // name promising anything else, or a folder that is not there, is refused, naming why.
    ASSERT_EQ(vardenico(home, { "logos", "export", "0", (folder / "logo.jpg").string() }).status, 0);
    EXPECT_EQ(sniffFileFormat(folder / "logo.jpg"), ImageFormat::Jpeg);
    EXPECT_GE(decodeImageFile(folder / "logo.jpg")->pixelAt(400, 40) & 0xf0f0f0u, 0xf0f0f0u) << "the transparent margin is white";
    test::CommandOutcome asGif = vardenico(home, { "logos", "export", "0", (folder / "logo.gif").string() });
    EXPECT_TRUE(asGif.status == 2 && asGif.errors.contains(".png")) << asGif.errors;
    test::CommandOutcome nowhere = vardenico(home, { "logos", "export", "0", (folder / "missing" / "logo.png").string() });
    EXPECT_TRUE(nowhere.status == 1 && nowhere.errors.contains("the folder " + (folder / "missing").string() + " does not exist")) << nowhere.errors;
    EXPECT_FALSE(fs::exists(folder / "logo.gif"));

    test::CommandOutcome deleted = vardenico(home, { "logos", "delete", "0" });
    ASSERT_EQ(deleted.status, 0) << deleted.errors;
    EXPECT_TRUE(deleted.output.contains("1 logo left")) << deleted.output;
    EXPECT_EQ(nlohmann::json::parse(vardenico(home, { "logos", "list", "--json" }).output).size(), 1u);

    // A bad index or an unreadable picture is named and changes nothing.
    const std::string before = test::fileText(home / "dictModel.sqlite");
    for (const std::string index : { "1", "-1", "two", "0x0" }) {
        test::CommandOutcome outcome = vardenico(home, { "logos", "delete", index });
        EXPECT_TRUE(outcome.status == 2 && outcome.errors.contains(index)) << index << ": " << outcome.errors;
        outcome = vardenico(home, { "logos", "export", index, (folder / "out.png").string() });
        EXPECT_TRUE(outcome.status == 2 && !fs::exists(folder / "out.png")) << index;
    }
    test::writeText(folder / "notes.png", "not a picture");
    for (const fs::path& input : { folder / "notes.png", folder / "missing.jpg" }) {
        test::CommandOutcome outcome = vardenico(home, { "logos", "add", input.string() });
        // A missing file is a mistake in the command (2), an unreadable one a failure (1).
        EXPECT_TRUE(outcome.status == (input.filename() == "missing.jpg" ? 2 : 1) && outcome.errors.contains(input.filename().string())) << outcome.errors;
    }
    EXPECT_EQ(test::fileText(home / "dictModel.sqlite"), before);
    EXPECT_EQ(vardenico(home, { "logos" }).status, 2); // a subcommand is required

    // A photo is added the way its orientation says it is seen. This one is stored 400 × 200,
    // orange with its top-left quarter blue, and tagged "turn 90° clockwise to view".
    const fs::path turned = writePicture(folder / "turned.jpg", 400, 200, true);
    test::editMetadata(turned, [](Exiv2::Image& image) { image.exifData()["Exif.Image.Orientation"] = std::uint16_t(6); });
    ASSERT_EQ(vardenico(home, { "logos", "add", turned.string() }).status, 0);
    ASSERT_EQ(vardenico(home, { "logos", "export", "1", (folder / "turned.png").string() }).status, 0);
    auto logo = decodeImageFile(folder / "turned.png");
    ASSERT_TRUE(logo);
    // Upright it is 200 × 400 with its top-right quarter blue, shown 400 × 800 in the middle of
    // the square.
    EXPECT_EQ(std::tuple(logo->pixelAt(100, 400) >> 24, logo->pixelAt(700, 400) >> 24), std::tuple(0u, 0u));
    const Rgba8 topRight = unpremultiply(logo->pixelAt(500, 200)), topLeft = unpremultiply(logo->pixelAt(300, 200)), bottom = unpremultiply(logo->pixelAt(400, 650));
    EXPECT_TRUE(topRight.b > 200 && topRight.r < 60 && topLeft.r > 200 && bottom.r > 200 && bottom.b < 60);
}

TEST(LogosCommand, StoreThatCannotBeOpenedEndsWithUnresolvedErrorAndStaysAsItWas)
{
    test::TemporaryFolder folder;
    const fs::path home = folder / "home";
    fs::create_directories(home);
    const std::string notes = "SQLite format 2\nmy shopping list: bread, milk\n";
    test::writeText(home / "dictModel.sqlite", notes);
    for (const std::vector<std::string>& arguments : { std::vector<std::string> { "logos", "list" }, { "logos", "add", writePicture(folder / "a.png", 8, 8, false).string() }, { "logos", "delete", "0" } }) {
        test::CommandOutcome outcome = vardenico(home, arguments);
        EXPECT_TRUE(outcome.status != 0 && outcome.errors.starts_with("Unresolved error ") && outcome.errors.contains("dictModel.sqlite")) << outcome.errors;
        EXPECT_EQ(test::fileText(home / "dictModel.sqlite"), notes);
    }
    EXPECT_FALSE(fs::exists(home / "dictModel.sqlite-journal"));
}
