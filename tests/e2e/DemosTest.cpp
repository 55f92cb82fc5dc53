#include <E2ESupport.h>

#include <platform/graphics/ImageCodecs.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

namespace vd::test {
namespace {

// Runs a demonstration headless with a script of tests/e2e, its home and photos in the folder and
// no clipboard.
AppRun runDemo(const std::string& demo, const std::string& device, const std::string& script, const TemporaryFolder& folder)
{
    const std::string environment = "VARDENICO_HOME='" + (folder / "home").string() + "' VARDENICO_PHOTOS='" + (folder / "photos").string() + "' DISPLAY= WAYLAND_DISPLAY=";
    return runApp("--headless --demo " + demo + " --device " + device + " --script " + VARDENICO_E2E_SCRIPTS + "/" + script + " --out '" + (folder / "out").string() + "'", folder.path(), environment);
}

// The toolkit's own tests check what these scripts do; here every demonstration runs its script to
// the end.
TEST(Demos, EachRunsItsScriptToTheEnd)
{
    const std::tuple<const char*, const char*, const char*> runs[] { { "lists", "phone", "lists/lists_demo.txt" }, { "lists", "tablet", "lists/lists_demo.txt" },
        { "sticker", "phone", "sticker/sticker_demo.txt" }, { "controls", "phone", "controls/gallery_phone.txt" } };
    for (const auto& [demo, device, script] : runs) {
        TemporaryFolder folder;
        const AppRun run = runDemo(demo, device, script, folder);
        EXPECT_EQ(run.status, 0) << demo << " on a " << device << ": " << run.errors;
    }
}

// The script's drag by (40, 60) and two-finger drag by (−30, −20) move the yellow view, its circle
// turns the ring a quarter clockwise, and screenshots are at scale 2 unless told.
TEST(Demos, TheViewsScriptDragsWithTwoFingersAndTurnsTheRing)
{
    TemporaryFolder folder;
    const AppRun run = runDemo("views", "phone", "scripts/views_demo.txt", folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    const auto after = readJson(folder / "out/after.json");
    EXPECT_EQ((*findNamed(after, "myViewTrascinabile"))["center"], nlohmann::json({ 205, 420 }));
    EXPECT_NEAR((*findNamed(after, "myViewCerchio"))["rotation"].get<double>(), std::numbers::pi / 2, 0.01);
    auto shot = decodeImageFile(folder / "out/after.png");
    ASSERT_TRUE(shot);
    EXPECT_EQ(std::tuple(shot->pixelWidth(), shot->pixelHeight()), std::tuple(780, 1688));
}

}
}
