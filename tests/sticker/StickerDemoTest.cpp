#include <E2ESupport.h>

#include <platform/graphics/ImageCodecs.h>

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>

namespace vd::test {
namespace {

using nlohmann::json;

int runDemo(const std::string& script, const TemporaryFolder& folder, std::string& errors)
{
    AppRun run = runApp("--headless --demo sticker --script " + script + " --out " + (folder / "out").string(), folder.path());
    errors = std::move(run.errors);
    return run.status;
}

json readDump(const TemporaryFolder& folder, const std::string& name)
{
    return readJson(folder / ("out/" + name + ".json"));
}

const json& named(const json& node, const std::string& name)
{
    static const json missing = json::object();
    const json* found = findNamed(node, name);
    EXPECT_TRUE(found) << name;
    return found ? *found : missing;
}

// Which guides a dump shows: horizontal, vertical.
std::pair<bool, bool> guides(const json& dump)
{
    return { !named(dump, "lineOrizzontale").value("hidden", true), !named(dump, "lineVerticale").value("hidden", true) };
}

// Whether a pure red pixel lies on the segment, in points of the 390-point-wide screenshot.
bool redAlong(const Image& image, double x0, double y0, double x1, double y1)
{
    const double scale = image.pixelWidth() / 390.0;
    for (int i = 0; i <= 40; ++i) {
        const double x = x0 + (x1 - x0) * i / 40, y = y0 + (y1 - y0) * i / 40;
        const Rgba8 p = unpremultiply(image.pixelAt(static_cast<int>(x * scale), static_cast<int>(y * scale)));
        if (p.r > 200 && p.g < 60 && p.b < 60)
            return true;
    }
    return false;
}

TEST(StickerDemo, AScriptShowsTheGuidesFollowingADragAndEveryHandleAtWork)
{
    TemporaryFolder folder;
    std::string errors;
    const int status = runDemo(std::string(VARDENICO_STICKER_SCRIPTS) + "/sticker_demo.txt", folder, errors);
    ASSERT_EQ(status, 0) << errors;

    const json start = readDump(folder, "start");
    EXPECT_EQ(named(start, "myViewTemporanea")["frame"], json({ 0, 0, 390, 390 })) << "a square canvas at the origin";
    EXPECT_EQ(guides(start), std::make_pair(false, false));
    const json& image = named(start, "myStickerImmagine");
    EXPECT_EQ(image["center"], json({ 110, 110 }));
    EXPECT_FALSE(named(image, "_closeView")["hidden"].get<bool>()) << "the image sticker shows its handles";
    EXPECT_TRUE(named(named(start, "myStickerTesto"), "_closeView")["hidden"].get<bool>());

    // The guides (horizontal, vertical) while the finger is held, and after it lifts.
    const std::tuple<const char*, json, std::pair<bool, bool>> whileHeld[] = { { "vertical", { 195, 60 }, { false, true } }, { "centre", { 195, 195 }, { true, true } },
        { "horizontal", { 100, 195 }, { true, false } }, { "away", { 100, 110 }, { false, false } }, { "released", { 130, 160 }, { false, false } } };
    for (const auto& [name, centre, shown] : whileHeld) {
        SCOPED_TRACE(name);
        const json dump = readDump(folder, name);
        EXPECT_EQ(named(dump, "myStickerImmagine")["center"], centre);
        EXPECT_EQ(guides(dump), shown);
    }

    auto shot = [&](const std::string& name) {
        auto image = decodeImageFile(folder / ("out/" + name + ".png"));
        EXPECT_TRUE(image) << name;
        return image ? *image : Image {};
    };
    const Image startShot = shot("start");
    const Image centreShot = shot("centre");
    EXPECT_FALSE(redAlong(startShot, 195, 2, 195, 20)) << "no guide before the drag";
    EXPECT_TRUE(redAlong(centreShot, 195, 2, 195, 20)) << "the vertical guide, dashed";
    EXPECT_TRUE(redAlong(centreShot, 2, 195, 20, 195)) << "the horizontal guide";

    // Resized to 200 × 180 and turned by 30 degrees, then held at 44 degrees, which snaps.
    const json rotated = readDump(folder, "rotated");
    const json& turned = named(rotated, "myStickerImmagine");
    EXPECT_EQ(turned["bounds"], json({ 0, 0, 200, 180 }));
    EXPECT_EQ(turned["center"], json({ 130, 160 }));
    EXPECT_NEAR(turned["rotation"].get<double>(), std::numbers::pi / 6, 0.001);
    EXPECT_EQ(named(turned, "_LineeDiagonali")["alpha"], 0);
    const json snapped = readDump(folder, "snapped");
    const json& held = named(snapped, "myStickerImmagine");
    EXPECT_NEAR(held["rotation"].get<double>(), std::numbers::pi / 4, 0.0005);
    EXPECT_EQ(named(held, "_LineeDiagonali")["alpha"], 1);

    // Typing two lines grows the text sticker about its centre.
    const json typed = readDump(folder, "typed");
    const json& text = named(typed, "myStickerTesto");
    EXPECT_EQ(named(text, "myTextField")["text"], "Vardenico\nLogo");
    EXPECT_GT(text["bounds"][3].get<double>(), 70);
    EXPECT_EQ(text["center"], json({ 255, 325 }));
    EXPECT_EQ(named(typed, "keyboardToolbar")["hidden"], false);

    const json final = readDump(folder, "final");
    EXPECT_EQ(findNamed(final, "keyboardToolbar"), nullptr) << "Done closed the keyboard";
    EXPECT_FALSE(named(named(final, "myStickerTesto"), "_rotateView")["hidden"].get<bool>()) << "a tap showed its handles";
    EXPECT_EQ(named(named(final, "myStickerImmagine"), "_LineeDiagonali")["alpha"], 0);
    EXPECT_NEAR(named(final, "myStickerImmagine")["rotation"].get<double>(), std::numbers::pi / 4, 0.0005);

    const json deleted = readDump(folder, "deleted");
    EXPECT_EQ(findNamed(deleted, "myStickerImmagine"), nullptr) << "the delete handle removed it";
    EXPECT_NE(findNamed(deleted, "myStickerTesto"), nullptr);
}

TEST(StickerDemo, ScriptFingerCommandsRefuseToRunOutOfOrder)
{
    TemporaryFolder folder;
    const auto script = folder / "bad.txt";
    const std::pair<const char*, const char*> cases[] = { { "move-to 10 10\n", "no finger is pressed" }, { "press 10 10\npress 20 20\n", "already pressed" },
        { "press 10 10\nrelease 10 10\n", "bad.txt:2: \"release\" takes no arguments" } };
    for (const auto& [text, error] : cases) {
        std::ofstream(script) << text;
        std::string errors;
        EXPECT_EQ(runDemo(script.string(), folder, errors), 2) << text;
        EXPECT_NE(errors.find(error), std::string::npos) << errors;
    }
}

}
}
