// The review grid driven by the automation scripts of tests/e2e/apply, phone and tablet, reached
// from home over a library of six photos of different shapes: one photo placed on its own, the
// rest with the common placement, and the command line with the saved placement writing the
// very same files.

#include "ReviewSupport.h"

#include <E2ESupport.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace vd {
namespace {

using nlohmann::json;

struct Photo {
    const char* name;
    int width, height;
};
// In selection order: the browser lists the newest first.
constexpr Photo kPhotos[] = { { "wide", 800, 600 }, { "tall", 600, 800 }, { "square", 700, 700 }, { "panorama", 1200, 400 }, { "column", 400, 1200 }, { "screen", 960, 540 } };

// Where the output differs from the grey source: the logo.
Rect logoIn(const Image& output)
{
    int x0 = output.pixelWidth(), y0 = output.pixelHeight(), x1 = -1, y1 = -1;
    for (int y = 0; y < output.pixelHeight(); ++y)
        for (int x = 0; x < output.pixelWidth(); ++x) {
            const std::uint32_t rgb = output.pixelAt(x, y);
            if (((rgb >> 16) & 0xFF) > 0xA0 && ((rgb >> 8) & 0xFF) < 0x60) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
        }
    return x1 < 0 ? Rect {} : Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

bool hidden(const json& dump, const std::string& name)
{
    const json* node = test::findNamed(dump, name);
    return !node || node->value("hidden", true);
}

class ReviewScreenScripts : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(library());
        std::filesystem::create_directories(home());
        const auto now = std::filesystem::file_time_type::clock::now();
        int age = 0;
        for (const Photo& photo : kPhotos) {
            const auto path = library() / (std::string(photo.name) + ".jpg");
            review::writeUniformPhoto(path, photo.width, photo.height, 0x707070);
            std::filesystem::last_write_time(path, now - std::chrono::hours(++age));
        }
        auto logo = encodePng(review::squareLogo(300, Color::rgba(0.9, 0.1, 0.1)));
        ASSERT_TRUE(logo && files::writeAtomically(folder / "logo.png", *logo));
        const std::string add = "env VARDENICO_HOME='" + home().string() + "' " + VARDENICO_BINARY + " logos add '" + (folder / "logo.png").string() + "' >/dev/null";
        ASSERT_EQ(std::system(add.c_str()), 0);
        const std::string defaults = json { { "avvioFatto", "fatto" }, { "aggiornamento1", "visualizzato" }, { "photoLibraryAuthorizationStatus", 3 }, { "tutorialB", "fatto" } }.dump();
        ASSERT_TRUE(files::writeAtomically(home() / "defaults.json", std::span(reinterpret_cast<const std::uint8_t*>(defaults.data()), defaults.size())));
    }

    std::filesystem::path library() const { return folder / "Pictures"; }
    std::filesystem::path home() const { return folder / "home"; }
    std::filesystem::path out() const { return folder / "out"; }

    std::filesystem::path fromHome(const std::string& script) const
    {
        std::string text;
        for (const std::string& name : { std::string("to_review.txt"), script }) {
            auto bytes = files::readAll(std::filesystem::path(VARDENICO_APPLY_SCRIPTS) / name);
            EXPECT_TRUE(bytes) << name;
            if (bytes)
                text += std::string(bytes->begin(), bytes->end()) + "\n";
        }
        const auto path = folder / ("home_" + script);
        EXPECT_TRUE(files::writeAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
        return path;
    }

    test::TemporaryFolder folder;
};

TEST_P(ReviewScreenScripts, OnePhotoPlacedOnItsOwnTheOthersCommonAndTheCommandLineWritesTheSameFiles)
{
    const std::string device = GetParam();
    const std::string environment = "VARDENICO_LANG=en VARDENICO_HOME='" + home().string() + "' VARDENICO_PHOTOS='" + library().string() + "'";
    const auto run = test::runApp("--headless --device " + device + " --script '" + fromHome("review_" + device + ".txt").string() + "' --out '" + out().string() + "'", folder.path(), environment);
    ASSERT_EQ(run.status, 0) << run.errors;
    auto dump = [&](const std::string& name) { return test::readJson(out() / (name + ".json")); };

    // Every photo in the grid, none marked; after the third was placed on its own, it alone is.
    const json grid = dump("grid"), adjusted = dump("gridAdjusted");
    for (int item = 0; item < 6; ++item) {
        const std::string cell = "myCollectionViewRevisione.0." + std::to_string(item);
        ASSERT_TRUE(test::findNamed(grid, cell)) << cell;
        EXPECT_TRUE(hidden(*test::findNamed(grid, cell), "myViewSegnoRegolata")) << cell;
        const json* after = test::findNamed(adjusted, cell);
        ASSERT_TRUE(after) << cell;
        EXPECT_EQ(hidden(*after, "myViewSegnoRegolata"), item != 2) << cell;
    }
    EXPECT_FALSE(hidden(dump("adjusting"), "myViewRegolazione"));
    // Back on the apply screen the common placement is as it was before the grid opened.
    const json before = dump("before"), common = dump("common");
    EXPECT_EQ((*test::findNamed(before, "stickerView"))["frame"], (*test::findNamed(common, "stickerView"))["frame"]);
    EXPECT_TRUE(hidden(common, "myViewRegolazione"));

    // The square photo's logo at the top left, every other one centred as the common placement has it.
    for (const Photo& photo : kPhotos) {
        SCOPED_TRACE(photo.name);
        const Image output = review::decoded(library() / "Saved Photos" / (std::string(photo.name) + "_vardenico.jpg"));
        ASSERT_EQ(output.pixelWidth(), photo.width);
        const Rect logo = logoIn(output);
        ASSERT_GT(logo.width(), 0);
        if (std::string(photo.name) == "square") {
            EXPECT_LT(logo.x(), photo.width * 0.1);
            EXPECT_LT(logo.y(), photo.height * 0.1);
        } else {
            EXPECT_NEAR(logo.midX(), photo.width / 2.0, 3);
            EXPECT_NEAR(logo.midY(), photo.height / 2.0, 3);
        }
    }

    // The saved placement holds the adjustment by name, and the command line with it writes the
    // very same bytes.
    std::vector<std::filesystem::path> placements;
    for (const auto& entry : std::filesystem::directory_iterator(home() / "Placements"))
        placements.push_back(entry.path());
    ASSERT_EQ(placements.size(), 1u);
    const json saved = test::readJson(placements[0]);
    ASSERT_EQ(saved["photos"].size(), 1u);
    EXPECT_EQ(saved["photos"][0]["name"], "square.jpg");
    const auto cli = folder / "cli";
    std::string command = "cd '" + library().string() + "' && env VARDENICO_HOME='" + home().string() + "' " + VARDENICO_BINARY + " stamp --placement '" + placements[0].string() + "' --logo-index 0 --out '" + cli.string() + "'";
    for (const Photo& photo : kPhotos)
        command += " " + std::string(photo.name) + ".jpg";
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0);
    for (const Photo& photo : kPhotos) {
        const std::string name = std::string(photo.name) + "_vardenico.jpg";
        EXPECT_TRUE(*files::readAll(cli / name) == *files::readAll(library() / "Saved Photos" / name)) << name << " differs";
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, ReviewScreenScripts, ::testing::Values("phone", "tablet"));

}
}
