#include "CliSupport.h"

using namespace vd;
namespace fs = std::filesystem;

namespace {

using test::writePicture;
using test::writeText;

// A JPEG whose header claims 9000 × 8000 pixels, with a small picture's few pixels behind it.
fs::path writeHugeJpegHeader(const fs::path& path)
{
    std::string bytes = test::fileText(writePicture(path, 16, 16, true));
    bytes.replace(bytes.find("\xFF\xC0") + 5, 4, "\x1F\x40\x23\x28");
    writeText(path, bytes);
    return path;
}

class CommandLineErrors : public ::testing::Test {
protected:
    void SetUp() override
    {
        options.home = folder / "home";
        options.photos = folder / "Pictures";
        writePicture(folder / "logo.png", 32, 24, false);
        writePicture(folder / "photo.jpg", 32, 24, true);
        writeText(folder / "notes.png", "not a picture");
        fs::create_directories(folder / "out");
    }

    // A refused command: status 2, one line naming what was given (and why), nothing stamped.
    void expectRefused(const std::vector<std::string>& arguments, const std::vector<std::string>& named)
    {
        const std::string shown = testing::PrintToString(arguments);
        const auto outcome = vd::test::runVardenico(arguments, options, folder / "run");
        EXPECT_EQ(outcome.status, 2) << shown << "\n" << outcome.errors;
        EXPECT_EQ(vd::test::lineCount(outcome.errors), 1u) << shown << "\n" << outcome.errors;
        for (const auto& word : named)
            EXPECT_NE(outcome.errors.find(word), std::string::npos) << shown << ": \"" << word << "\" not in: " << outcome.errors;
        EXPECT_TRUE(fs::is_empty(folder / "out")) << shown;
    }

    std::vector<std::string> stamp(std::vector<std::string> extra)
    {
        std::vector<std::string> arguments { "stamp", "--logo", (folder / "logo.png").string(), "--out", (folder / "out").string() };
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.push_back((folder / "photo.jpg").string());
        return arguments;
    }

    vd::test::TemporaryFolder folder;
    vd::test::CommandOptions options;
};

}

TEST_F(CommandLineErrors, StampValuesOfTheWrongTypeOrOutOfRangeAreRefusedNotClamped)
{
    expectRefused(stamp({ "--size", "big" }), { "--size", "big" });
    expectRefused(stamp({ "--size", "0" }), { "--size 0", "out of range" });
    expectRefused(stamp({ "--size", "500" }), { "--size 500", "at most 100" });
    expectRefused(stamp({ "--opacity", "1.5" }), { "--opacity 1.5", "from 0 to 1" });
    expectRefused(stamp({ "--opacity", "-0.1" }), { "--opacity -0.1" });
    expectRefused(stamp({ "--margin", "-3" }), { "--margin -3", "0 or more" });
    expectRefused(stamp({ "--rotate", "left" }), { "--rotate", "left" });
    expectRefused(stamp({ "--jobs", "0" }), { "--jobs" });
    expectRefused(stamp({ "--position", "middle" }), { "--position", "middle" });
    expectRefused(stamp({ "--no-such-option" }), { "--no-such-option" });
    expectRefused(stamp({ "--quality", "0" }), { "--quality 0", "from 1 to 100" });
    expectRefused(stamp({ "--quality", "101" }), { "--quality 101" });
    expectRefused(stamp({ "--subsampling", "411" }), { "--subsampling", "411" });
    expectRefused(stamp({ "--background", "pink" }), { "--background pink", "RRGGBB" });
    expectRefused(stamp({ "--shard", "4/4" }), { "--shard 4/4", "0 ≤ K < N" });
    expectRefused(stamp({ "--shard", "1" }), { "--shard 1" });
    expectRefused(stamp({ "--shard", "0/0" }), { "--shard 0/0" });
    expectRefused(stamp({ "--files-from", (folder / "list.txt").string() }), { "not both" });
    expectRefused({ "stamp", "--logo", (folder / "logo.png").string(), "--files-from", (folder / "list.txt").string() }, { "--files-from", "list.txt" });
    expectRefused({ "stamp", "--logo", (folder / "logo.png").string() }, { "--files-from" });
    expectRefused(stamp({ "--null" }), { "--null" });
}

TEST_F(CommandLineErrors, StampFilesThatAreMissingOrWrongAreNamedWithTheirOption)
{
    auto withLogo = [&](const fs::path& logo) {
        auto arguments = stamp({});
        arguments[2] = logo.string();
        return arguments;
    };
    expectRefused(withLogo(folder / "missing.png"), { "--logo", "missing.png" });
    expectRefused(withLogo(folder / "notes.png"), { "--logo", "notes.png" });
    expectRefused({ "stamp", "--out", (folder / "out").string(), (folder / "photo.jpg").string() }, { "--logo" });
    expectRefused(stamp({ "--placement", (folder / "missing.json").string() }), { "--placement", "missing.json" });
    for (const auto& [name, text, key, value] : { std::tuple { "broken.json", R"({ "sizePercent": )", "--placement", "JSON" }, { "huge.json", R"({ "sizePercent": 500 })", "sizePercent", "500" },
             { "negative.json", R"({ "stickerFrameWidth": -40 })", "stickerFrameWidth", "-40" }, { "faint.json", R"({ "opacity": 1.5 })", "opacity", "1.5" } }) {
        writeText(folder / name, text);
        expectRefused(stamp({ "--placement", (folder / name).string() }), { name, key, value });
    }
    expectRefused(stamp({ "--logo-index", "3" }), { "--logo" }); // given both ways
    expectRefused({ "stamp", "--logo-index", "3", "--out", (folder / "out").string(), (folder / "photo.jpg").string() }, { "--logo-index", "logo 3: the store has no logos" });
    // A logo too large for a logo is refused by both commands that take one, naming the limit.
    const fs::path huge = writeHugeJpegHeader(folder / "huge.jpg");
    expectRefused(withLogo(huge), { "--logo", "huge.jpg", "9000×8000", "at most 64 megapixels" });
    const auto added = vd::test::runVardenico({ "logos", "add", huge.string() }, options, folder / "add");
    EXPECT_TRUE(added.status == 1 && added.errors.contains("huge.jpg: picture of 9000×8000 pixels is larger than allowed (at most 64 megapixels)")) << added.errors;
    writeText(folder / "file.txt", "a file, not a folder");
    expectRefused({ "stamp", "--logo", (folder / "logo.png").string(), "--out", (folder / "file.txt").string(), (folder / "photo.jpg").string() }, { "--out", "file.txt", "not a folder" });
}

TEST_F(CommandLineErrors, OtherCommandsRefuseBadValuesTheSameWay)
{
    expectRefused({ "logos", "add", (folder / "missing.png").string() }, { "PICTURE", "missing.png" });
    expectRefused({ "logos", "delete", "two" }, { "INDEX", "two" });
    expectRefused({ "logos", "export", "0", (folder / "x.png").string() }, { "INDEX", "0" });
    expectRefused({ "logos", "frobnicate" }, { "subcommand" });
    expectRefused({ "app", "--scale", "9" }, { "--scale", "9" });
    expectRefused({ "app", "--device", "watch" }, { "--device", "watch" });
    expectRefused({ "app", "--headless", "--script", (folder / "missing.txt").string(), "--out", (folder / "shots").string() }, { "--script", "missing.txt" });
    writeText(folder / "unknown.txt", "wait 0.1\n\nfly @a\n");
    expectRefused({ "app", "--headless", "--script", (folder / "unknown.txt").string(), "--out", (folder / "shots").string() }, { "unknown.txt:3", "\"fly\"" });
    expectRefused({ "app", "--headless", "--script", (folder / "unknown.txt").string() }, { "--headless", "--out" });
    writeText(folder / "absent.txt", "wait 0.1\ntap @nobody\n");
    expectRefused({ "app", "--headless", "--script", (folder / "absent.txt").string(), "--out", (folder / "shots").string() }, { "absent.txt:2", "nobody" });
    expectRefused({ "photos", "list", "--album" }, { "--album" });
    EXPECT_FALSE(fs::exists(folder / "x.png"));
}
