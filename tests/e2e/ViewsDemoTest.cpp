#include <E2ESupport.h>

#include <platform/graphics/ImageCodecs.h>

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>

namespace vd {
namespace {

const std::string kScripts = VARDENICO_E2E_SCRIPTS;

using test::AppRun;
using test::findNamed;
using test::runApp;
using test::readJson;

Rgba8 pixelAt(const Image& image, double x, double y)
{
    return unpremultiply(image.pixelAt(static_cast<int>(x * image.scale()), static_cast<int>(y * image.scale())));
}

TEST(ViewsDemo, AScriptDrivesEveryGestureAndTheDumpsAndScreenshotsShowIt)
{
    test::TemporaryFolder folder;
    const AppRun run = runApp("--headless --demo views --script " + kScripts + "/views_demo.txt --out " + (folder / "out").string(), folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;

    const auto before = readJson(folder / "out/before.json");
    const auto after = readJson(folder / "out/after.json");
    EXPECT_EQ(before["frame"], nlohmann::json({ 0, 0, 390, 844 })) << "a phone screen";
    EXPECT_EQ((*findNamed(before, "myLabelContatore"))["text"], "Taps: 0");
    EXPECT_EQ((*findNamed(after, "myLabelContatore"))["text"], "Taps: 2");

    // Dragged by (40, 60), then (−30, −20) with two fingers, then pinched to 1.5 times its size.
    const auto& dragged = *findNamed(after, "myViewTrascinabile");
    EXPECT_EQ(dragged["center"], nlohmann::json({ 205, 420 }));
    EXPECT_EQ(dragged["frame"], nlohmann::json({ 115, 345, 180, 150 }));
    EXPECT_EQ(dragged["bounds"], nlohmann::json({ 0, 0, 120, 100 }));

    const auto& ring = *findNamed(after, "myViewCerchio");
    EXPECT_NEAR(ring["rotation"].get<double>(), std::numbers::pi / 2, 0.01) << "turned a quarter by the circular drag";
    EXPECT_NE((*findNamed(after, "myLabelCerchio"))["text"].get<std::string>().find("turned 90"), std::string::npos);
    EXPECT_EQ((*findNamed(after, "myViewRotante"))["animations"], nlohmann::json({ "transform.rotation.z" }));

    auto shotBefore = decodeImageFile(folder / "out/before.png");
    auto shotAfter = decodeImageFile(folder / "out/after.png");
    ASSERT_TRUE(shotBefore && shotAfter);
    EXPECT_EQ(shotAfter->pixelWidth(), 780) << "scale 2 by default";
    EXPECT_EQ(shotAfter->pixelHeight(), 1688);
    const Image before2 = shotBefore->withScale(2), after2 = shotAfter->withScale(2);
    // The yellow view left its first place and covers its new one.
    const Rgba8 yellow { 0xff, 0xb7, 0x03, 0xff };
    auto isYellow = [&](Rgba8 p) { return std::abs(p.r - yellow.r) < 4 && std::abs(p.g - yellow.g) < 4 && std::abs(p.b - yellow.b) < 4; };
    EXPECT_TRUE(isYellow(pixelAt(before2, 140, 335)));
    EXPECT_FALSE(isYellow(pixelAt(after2, 140, 335)));
    EXPECT_TRUE(isYellow(pixelAt(after2, 125, 480)));
}

// A mistake stops the run with status 2, naming the file, the line and what is wrong; what came
// before it ran.
TEST(ViewsDemo, ScriptMistakesStopWithTheLineAndReason)
{
    test::TemporaryFolder folder;
    const struct {
        const char* file;
        const char* text;
        std::vector<std::string> said;
    } mistakes[] {
        { "unknown.txt", "wait 0.1\n\nfly @myViewContatore\n", { "unknown.txt:3", "unknown command \"fly\"" } },
        { "missing.txt", "tap @myViewContatore\ndump first\ntap @myViewAssente\ndump never\n", { "missing.txt:3", "myViewAssente" } },
        { "numbers.txt", "drag 1 2 three 4\n", { "numbers.txt:1" } },
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
    EXPECT_TRUE(std::filesystem::exists(folder / "out/first.json")) << "commands before the mistake ran";
    EXPECT_FALSE(std::filesystem::exists(folder / "out/never.json"));
    EXPECT_EQ(runApp("--headless --demo views", folder.path()).status, 2) << "headless needs a script and a folder";
}

TEST(ViewsDemo, TabletScreenAtScaleOne)
{
    test::TemporaryFolder folder;
    {
        std::ofstream script(folder / "shot.txt");
        script << "screenshot tablet\ndump tablet\n";
    }
    const AppRun run = runApp("--headless --device tablet --scale 1 --demo views --script " + (folder / "shot.txt").string() + " --out " + (folder / "out").string(), folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;
    auto shot = decodeImageFile(folder / "out/tablet.png");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelWidth(), 1024);
    EXPECT_EQ(shot->pixelHeight(), 1366);
}

// The window host under a virtual X server, captured with ImageMagick's import, shows what the
// headless host renders. Skipped where those tools are not installed.
TEST(ViewsDemo, TheWindowShowsWhatTheHeadlessHostRenders)
{
    if (std::system("command -v xvfb-run >/dev/null 2>&1 && command -v import >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run or import is not installed";
    test::TemporaryFolder folder;
    const auto capture = folder / "window.png";
    // Captured once the first frame is on the screen (the host says so on its debug log).
    const auto log = folder / "window.log";
    // Under the sanitizers the windowed run leaves leak checking to the headless one: SDL's input
    // method support looks up the session bus through D-Bus, which keeps what it allocated for the
    // life of the process, and unloads the library on quitting, so its allocations can no longer be
    // told from the program's own. Memory errors are still caught here.
    const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
    const std::string leakChecks = sanitizerOptions ? "ASAN_OPTIONS=" + std::string(sanitizerOptions) + ":detect_leaks=0 " : std::string();
    const std::string inner = leakChecks + "VARDENICO_LOG=debug " + std::string(VARDENICO_BINARY) + " app --demo views --scale 2 2>" + log.string() + " & p=$!; "
        + "for i in $(seq 300); do grep -q \"first frame\" " + log.string() + " && break; sleep 0.1; done; sleep 0.5; "
        + "import -window root " + capture.string() + "; kill $p; wait $p";
    const std::string command = "xvfb-run -a -s '-screen 0 780x1688x24' sh -c '" + inner + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_EQ(status, 0) << "the window's run ended with " << status << "; its log:\n" << (std::stringstream() << std::ifstream(log).rdbuf()).str();
    {
        std::ofstream script(folder / "shot.txt");
        script << "screenshot headless\ndump headless\n";
    }
    const AppRun run = runApp("--headless --demo views --script " + (folder / "shot.txt").string() + " --out " + (folder / "out").string(), folder.path());
    ASSERT_EQ(run.status, 0) << run.errors;
    auto window = decodeImageFile(capture);
    auto headless = decodeImageFile(folder / "out/headless.png");
    ASSERT_TRUE(window && headless) << (window ? "" : window.error().message);
    ASSERT_EQ(window->pixelWidth(), headless->pixelWidth());
    ASSERT_EQ(window->pixelHeight(), headless->pixelHeight());

    // The spinning ring has turned by a different angle in each; everything else must match.
    const auto dump = readJson(folder / "out/headless.json");
    const auto spinner = (*findNamed(dump, "myViewRotante"))["frame"];
    const double sx = spinner[0].get<double>() * 2, sy = spinner[1].get<double>() * 2, sw = spinner[2].get<double>() * 2, sh = spinner[3].get<double>() * 2;
    int different = 0;
    for (int y = 0; y < window->pixelHeight(); ++y) {
        for (int x = 0; x < window->pixelWidth(); ++x) {
            if (x >= sx - 2 && x <= sx + sw + 2 && y >= sy - 2 && y <= sy + sh + 2)
                continue;
            const Rgba8 a = unpremultiply(window->pixelAt(x, y)), b = unpremultiply(headless->pixelAt(x, y));
            different += std::abs(a.r - b.r) > 3 || std::abs(a.g - b.g) > 3 || std::abs(a.b - b.b) > 3;
        }
    }
    EXPECT_EQ(different, 0);
}

}
}
