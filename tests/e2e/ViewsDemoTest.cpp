#include <E2ESupport.h>

#include <platform/graphics/ImageCodecs.h>

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

namespace vd::test {
namespace {

const std::string kScripts = VARDENICO_E2E_SCRIPTS;

TEST(ViewsDemo, AScriptDrivesEveryGestureAndTheDumpsAndScreenshotsShowIt)
{
    TemporaryFolder folder;
    const AppRun run = runApp("--headless --demo views --script " + kScripts + "/views_demo.txt --out " + (folder / "out").string(), folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;

    const auto before = readJson(folder / "out/before.json"), after = readJson(folder / "out/after.json");
    EXPECT_EQ(before["frame"], nlohmann::json({ 0, 0, 390, 844 })) << "a phone screen";
    EXPECT_EQ(std::tuple((*findNamed(before, "myLabelContatore"))["text"], (*findNamed(after, "myLabelContatore"))["text"]), std::tuple(nlohmann::json("Taps: 0"), nlohmann::json("Taps: 2")));

    // Dragged by (40, 60), then (−30, −20) with two fingers, then pinched to 1.5 times its size.
    const auto& dragged = *findNamed(after, "myViewTrascinabile");
    EXPECT_EQ(std::tuple(dragged["center"], dragged["frame"], dragged["bounds"]), std::tuple(nlohmann::json({ 205, 420 }), nlohmann::json({ 115, 345, 180, 150 }), nlohmann::json({ 0, 0, 120, 100 })));

    const auto& ring = *findNamed(after, "myViewCerchio");
    EXPECT_NEAR(ring["rotation"].get<double>(), std::numbers::pi / 2, 0.01) << "turned a quarter by the circular drag";
    EXPECT_NE((*findNamed(after, "myLabelCerchio"))["text"].get<std::string>().find("turned 90"), std::string::npos);
    EXPECT_EQ((*findNamed(after, "myViewRotante"))["animations"], nlohmann::json({ "transform.rotation.z" }));

    auto shotBefore = decodeImageFile(folder / "out/before.png"), shotAfter = decodeImageFile(folder / "out/after.png");
    ASSERT_TRUE(shotBefore && shotAfter);
    EXPECT_EQ(std::tuple(shotAfter->pixelWidth(), shotAfter->pixelHeight()), std::tuple(780, 1688)) << "scale 2 by default";
    const Image before2 = shotBefore->withScale(2), after2 = shotAfter->withScale(2);
    // The yellow view left its first place and covers its new one.
    auto isYellow = [](Rgba8 p) { return std::abs(p.r - 0xff) < 4 && std::abs(p.g - 0xb7) < 4 && std::abs(p.b - 0x03) < 4; };
    EXPECT_EQ(std::tuple(isYellow(pixelAt(before2, 140, 335)), isYellow(pixelAt(after2, 140, 335)), isYellow(pixelAt(after2, 125, 480))), std::tuple(true, false, true));
}

// A mistake stops the run with status 2, naming the file, the line and what is wrong; what came
// before it ran.
TEST(ViewsDemo, ScriptMistakesStopWithTheLineAndReason)
{
    TemporaryFolder folder;
    const struct { const char* file; const char* text; std::vector<std::string> said; } mistakes[] {
        { "unknown.txt", "wait 0.1\n\nfly @myViewContatore\n", { "unknown.txt:3", "unknown command \"fly\"" } },
        { "missing.txt", "tap @myViewContatore\ndump first\ntap @myViewAssente\ndump never\n", { "missing.txt:3", "myViewAssente" } },
        { "absent.txt", nullptr, { "absent.txt" } },
    };
    for (const auto& mistake : mistakes) {
        if (mistake.text)
            std::ofstream(folder / mistake.file) << mistake.text;
        const AppRun run = runApp("--headless --demo views --script " + (folder / mistake.file).string() + " --out " + (folder / "out").string(), folder.path());
        EXPECT_EQ(run.status, 2) << mistake.file;
        for (const auto& said : mistake.said)
            EXPECT_NE(run.errors.find(said), std::string::npos) << run.errors;
    }
    EXPECT_TRUE(std::filesystem::exists(folder / "out/first.json") && !std::filesystem::exists(folder / "out/never.json")) << "commands before the mistake ran, none after";
    EXPECT_EQ(runApp("--headless --demo views", folder.path()).status, 2) << "headless needs a script and a folder";
}

}
}
