#include "TestSupport.h"

#include <platform/foundation/Paths.h>
#include <platform/graphics/Color.h>
#include <platform/graphics/ColorList.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/graphics/ImageCodecs.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>

using namespace vd;

namespace {

// The shapes (every base with every style suffix, as the logo store lists them), then the icons.
std::vector<std::string> paletteNames()
{
    std::vector<std::string> names;
    for (const char* base : { "l", "c", "c1", "q", "i", "r", "rc", "t", "tc", "s", "s1", "p", "e" })
        for (const char* suffix : { "", "s", "b", "p" })
            names.push_back(std::string(base) + suffix);
    for (int i = 1; i <= 71; ++i)
        names.push_back(std::to_string(i));
    return names;
}

// How many pixels are at least half covered.
long coveredPixels(const Image& image)
{
    return std::count_if(image.buffer()->pixels.begin(), image.buffer()->pixels.end(), [](std::uint32_t p) { return (p >> 24) >= 128; });
}

void expectTemplate(const std::string& name, double minimumPixels)
{
    SCOPED_TRACE(name);
    ASSERT_TRUE(imageExists(name));
    const Image image = imageNamed(name);
    ASSERT_FALSE(image.isEmpty());
    EXPECT_GE(std::max(image.pixelWidth(), image.pixelHeight()), minimumPixels);
    EXPECT_EQ(image.pixelWidth(), image.pixelHeight()) << "square, so a square layer does not stretch it";
    EXPECT_GT(coveredPixels(image), 0) << "the alpha channel carries the shape";
    EXPECT_EQ(image.pixelAt(0, 0) >> 24, 0u) << "the corner is transparent";
}

}

TEST(ImageCatalogue, HoldsEveryShapeAndIconOfThePalettes)
{
    for (const auto& name : paletteNames())
        expectTemplate(name, 600);
    EXPECT_FALSE(imageExists("0") || imageExists("72"));
}

TEST(ImageCatalogue, OutlineStylesAreConsistentAcrossShapes)
{
    // Thin outlines cover less than bold ones, and bold ones less than the filled shape, for every
    // base; the line, which has no inside, only grows from thin to bold.
    for (const char* base : { "c", "c1", "q", "i", "r", "rc", "t", "tc", "s", "s1", "p", "e" }) {
        SCOPED_TRACE(base);
        const long filled = coveredPixels(imageNamed(base));
        const long thin = coveredPixels(imageNamed(std::string(base) + "s"));
        const long bold = coveredPixels(imageNamed(std::string(base) + "b"));
        const long dashed = coveredPixels(imageNamed(std::string(base) + "p"));
        EXPECT_TRUE(thin < bold && bold < filled) << thin << " " << bold << " " << filled;
        EXPECT_TRUE(thin / 2 < dashed && dashed < bold) << dashed;
    }
    EXPECT_LT(coveredPixels(imageNamed("ls")), coveredPixels(imageNamed("l")));
    EXPECT_LT(coveredPixels(imageNamed("l")), coveredPixels(imageNamed("lb")));
}

TEST(ImageCatalogue, HoldsThePicturesTheScreensName)
{
    // The sticker's handles, the slider thumbs of the editor and the apply screen, the tool bar
    // and the buttons of the interface descriptions: sharp at scale 3, and not blank.
    for (const char* name : { "icon_delete", "icon_rotate", "icon_scale", "ThumbSlider", "OrangeTumb", "toolbarIcons", "toolbarShapes", "toolbarText",
             "toolbarLayers", "buttonBack", "buttonForward", "buttonShare", "buttonDelete", "buttonSave", "buttonHome", "buttonHelp", "buttonSettings",
             "buttonAdd", "buttonDone", "buttonClose", "buttonAlbum", "buttonPhotos", "buttonColour" }) {
        SCOPED_TRACE(name);
        const Image image = imageNamed(name);
        ASSERT_FALSE(image.isEmpty());
        EXPECT_GE(image.scale(), 3);
        EXPECT_GT(coveredPixels(image), 0);
        if (std::string(name).starts_with("icon_")) {
            EXPECT_EQ(image.size(), (Size { 28, 28 })) << "the handles are 28 points";
        }
    }
    // The overlay stretched over a sticker of any size while its rotation snaps, the home header
    // and its four turning circles (the apply screen's spinner reuses one).
    for (const char* name : { "LineeDiagonali", "logoHome", "cerchio1", "cerchio2", "cerchio3", "cerchio4" })
        EXPECT_GE(imageNamed(name).pixelWidth(), 600) << name;
}

TEST(ImageCatalogue, PlaceholderOfTheBatchIsFullyTransparent)
{
    const Image image = imageNamed("rectTrasparente.png"); // with its extension, as the batch names it
    ASSERT_FALSE(image.isEmpty());
    EXPECT_TRUE(std::ranges::all_of(image.buffer()->pixels, [](std::uint32_t p) { return p == 0; }));
}

TEST(ImageCatalogue, EveryFileInTheFolderIsAReadablePng)
{
    const auto folder = paths::resourcesDirectory() / "images";
    const std::regex fileName(R"([^/ ]+\.png)");
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        EXPECT_TRUE(std::regex_match(entry.path().filename().string(), fileName));
        auto decoded = decodeImageFile(entry.path());
        EXPECT_TRUE(decoded.has_value()) << (decoded ? "" : decoded.error().message);
        ++count;
    }
    EXPECT_GE(count, 52 + 71 + 12);
}

TEST(ColorList, HoldsAnElevenByFifteenGridOfDistinctCodes)
{
    const auto codes = loadColorList();
    ASSERT_EQ(codes.size(), 165u);
    const std::regex format("#[0-9a-f]{6}");
    for (const auto& code : codes) // a code the parser could not read would come back as black
        EXPECT_TRUE(std::regex_match(code, format) && Color::fromCode(code).htmlRGBColor() == code) << code;
    EXPECT_EQ(std::set(codes.begin(), codes.end()).size(), codes.size());
    auto lightness = [](const std::string& code) {
        const Color c = Color::fromCode(code);
        return 0.2126 * c.red + 0.7152 * c.green + 0.0722 * c.blue;
    };
    for (int column = 0; column < 11; ++column) // every column runs from light to dark
        for (int row = 2; row < 15; ++row)
            EXPECT_LT(lightness(codes[row * 11 + column]), lightness(codes[(row - 1) * 11 + column])) << row << "," << column;
}

// A missing or damaged file gives an empty list; strings are kept in order and other entries left out.
TEST(ColorList, ReadsOnlyAListOfStrings)
{
    test::TemporaryFolder folder;
    EXPECT_TRUE(loadColorList(folder / "absent.json").empty());
    for (const char* text : { "[\"#ffffff\", ", "{\"colors\": [\"#ffffff\"]}" }) {
        std::ofstream(folder / "bad.json") << text;
        EXPECT_TRUE(loadColorList(folder / "bad.json").empty()) << text;
    }
    std::ofstream(folder / "mixed.json") << R"([" #00FF7F ", 12, "ff0000", null, "#FFF"])";
    EXPECT_EQ(loadColorList(folder / "mixed.json"), (std::vector<std::string> { " #00FF7F ", "ff0000", "#FFF" }));
}

TEST(ImageCatalogue, KeepsRecentPicturesAndReloadsDroppedOnes)
{
    const Image first = imageNamed("c");
    EXPECT_EQ(imageNamed("c").sharedBuffer(), first.sharedBuffer()) << "a recent picture is not decoded again";
    // Going through both palettes decodes more than the cache keeps; the first comes back the same.
    for (const auto& name : paletteNames())
        imageNamed(name);
    const Image again = imageNamed("c");
    ASSERT_FALSE(again.isEmpty());
    EXPECT_EQ(again.buffer()->pixels, first.buffer()->pixels);
    EXPECT_EQ(again.name(), "c");
}
