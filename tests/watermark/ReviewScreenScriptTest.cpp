// The review grid driven by scripts of tests/e2e/apply, phone and tablet, over six photos of
// different shapes: one placed on its own, the rest with the common placement.

#include "AppScriptSupport.h"
#include "StampFixtures.h"

namespace vd {
namespace {

using nlohmann::json;

// In selection order: the browser lists the newest first.
constexpr std::tuple<const char*, int, int> kPhotos[] = { { "wide", 800, 600 }, { "tall", 600, 800 }, { "square", 700, 700 }, { "panorama", 1200, 400 }, { "column", 400, 1200 }, { "screen", 960, 540 } };

bool hidden(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    return !node || node->value("hidden", true);
}

class ReviewScreenScripts : public test::AppScript {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(library());
        const auto now = std::filesystem::file_time_type::clock::now();
        int age = 0;
        for (const auto& [name, width, height] : kPhotos) {
            const auto path = library() / (std::string(name) + ".jpg");
            test::writeUniformJpeg(path, width, height, 0x707070);
            std::filesystem::last_write_time(path, now - std::chrono::hours(++age));
        }
        prepareHome(true);
        picked = 6;
    }
};

TEST_P(ReviewScreenScripts, OnePhotoPlacedOnItsOwnTheOthersCommonAndTheCommandLineWritesTheSameFiles)
{
    const auto run = runScript({ "review.txt", "save_apply.txt" }, "out", { { "drag", GetParam() == "phone" ? "-140 -140" : "-420 -420" } });
    ASSERT_EQ(run.status, 0) << run.errors;

    // Every photo in the grid, none marked; after the third was placed on its own, it alone is.
    const json grid = dump("grid"), adjusted = dump("gridAdjusted");
    for (int item = 0; item < 6; ++item) {
        const std::string cell = "myCollectionViewRevisione.0." + std::to_string(item);
        EXPECT_TRUE(hidden(test::named(grid, cell), "myViewSegnoRegolata")) << cell;
        EXPECT_EQ(hidden(test::named(adjusted, cell), "myViewSegnoRegolata"), item != 2) << cell;
    }
    EXPECT_FALSE(hidden(dump("adjusting"), "myViewRegolazione"));
    // Opened again, the adjusted photo shows its logo where it was left, not the common placement.
    EXPECT_EQ(test::rectOf(dump("readjusting"), "stickerView"), test::rectOf(dump("adjusted"), "stickerView"));
    // Back on the apply screen the common placement is as it was before the grid opened.
    const json before = dump("before"), common = dump("common");
    EXPECT_EQ(test::rectOf(before, "stickerView"), test::rectOf(common, "stickerView"));
    EXPECT_TRUE(hidden(common, "myViewRegolazione"));

    // The square photo's logo at the top left, every other one centred as the common placement has it.
    for (const auto& [name, width, height] : kPhotos) {
        SCOPED_TRACE(name);
        const Image output = test::decodeStored(library() / "Saved Photos" / (std::string(name) + "_vardenico.jpg"));
        ASSERT_EQ(output.pixelWidth(), width);
        // Where the output differs from the grey source: the red logo.
        const Rect logo = test::boundsWhere(output, [](std::uint32_t rgb, int, int) { return (rgb >> 16) > 0xA0 && ((rgb >> 8) & 0xFF) < 0x60; });
        ASSERT_GT(logo.width(), 0);
        const bool own = std::string(name) == "square";
        EXPECT_EQ(own, logo.x() < width * 0.1 && logo.y() < height * 0.1);
        EXPECT_EQ(!own, std::abs(logo.midX() - width / 2.0) <= 3 && std::abs(logo.midY() - height / 2.0) <= 3);
    }

    // The saved placement holds the adjustment by name, and the command line with it writes the
    // very same bytes.
    const json saved = test::readJson(savedPlacement());
    ASSERT_EQ(saved["photos"].size(), 1u);
    EXPECT_EQ(saved["photos"][0]["name"], "square.jpg");
    expectTheCommandLineWritesTheSame({ "wide", "tall", "square", "panorama", "column", "screen" });
}

INSTANTIATE_TEST_SUITE_P(Devices, ReviewScreenScripts, ::testing::Values("phone", "tablet"));

}
}
