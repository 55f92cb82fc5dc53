#include "CliSupport.h"

#include <zlib.h>

using namespace vd;
namespace fs = std::filesystem;

namespace {

using test::writePicture;
using test::writeText;

// A PNG whose header claims width × height pixels, with no pixels behind it.
void writeHugePngHeader(const fs::path& path, std::uint32_t width, std::uint32_t height)
{
    std::vector<std::uint8_t> bytes { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13 };
    const std::vector<std::uint8_t> chunk { 'I', 'H', 'D', 'R', std::uint8_t(width >> 24), std::uint8_t(width >> 16), std::uint8_t(width >> 8), std::uint8_t(width),
        std::uint8_t(height >> 24), std::uint8_t(height >> 16), std::uint8_t(height >> 8), std::uint8_t(height), 8, 6, 0, 0, 0 };
    const auto crc = static_cast<std::uint32_t>(crc32(0, chunk.data(), static_cast<uInt>(chunk.size())));
    bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(std::uint8_t(crc >> shift));
    // An empty IDAT and the end: the header is read in full.
    for (std::uint8_t byte : std::initializer_list<std::uint8_t> { 0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E, 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82 })
        bytes.push_back(byte);
    ASSERT_TRUE(files::writeAtomically(path, bytes));
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
        std::string shown;
        for (const auto& argument : arguments)
            shown += argument + " ";
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
    expectRefused(stamp({ "--jobs", "many" }), { "--jobs", "many" });
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
    writeText(folder / "broken.json", "{ \"sizePercent\": ");
    expectRefused(stamp({ "--placement", (folder / "broken.json").string() }), { "--placement", "broken.json", "JSON" });
    writeText(folder / "huge.json", R"({ "sizePercent": 500 })");
    expectRefused(stamp({ "--placement", (folder / "huge.json").string() }), { "huge.json", "sizePercent", "500" });
    writeText(folder / "negative.json", R"({ "stickerFrameWidth": -40 })");
    expectRefused(stamp({ "--placement", (folder / "negative.json").string() }), { "negative.json", "stickerFrameWidth", "-40" });
    writeText(folder / "faint.json", R"({ "opacity": 1.5 })");
    expectRefused(stamp({ "--placement", (folder / "faint.json").string() }), { "faint.json", "opacity", "1.5" });
    expectRefused(stamp({ "--logo-index", "3" }), { "--logo" }); // given both ways
    auto fromStore = stamp({ "--logo-index", "3" });
    fromStore.erase(fromStore.begin() + 1, fromStore.begin() + 3);
    expectRefused(fromStore, { "--logo-index", "3" });
    // A logo too large for a logo is refused by both commands that take one, naming the limit.
    writeHugePngHeader(folder / "huge.png", 9000, 8000);
    expectRefused(withLogo(folder / "huge.png"), { "--logo", "huge.png", "9000×8000", "at most 64 megapixels" });
    const auto added = vd::test::runVardenico({ "logos", "add", (folder / "huge.png").string() }, options, folder / "add");
    EXPECT_EQ(added.status, 1);
    EXPECT_NE(added.errors.find("huge.png: picture of 9000×8000 pixels is larger than allowed (at most 64 megapixels)"), std::string::npos) << added.errors;
    writeText(folder / "file.txt", "a file, not a folder");
    auto intoFile = stamp({});
    intoFile[4] = (folder / "file.txt").string();
    expectRefused(intoFile, { "--out", "file.txt", "not a folder" });
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
    expectRefused({ "photos", "list", "--album" }, { "--album" });
    EXPECT_FALSE(fs::exists(folder / "x.png"));
}
