#include <E2ESupport.h>

#include <platform/graphics/ImageCodecs.h>

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

namespace vd::test {
namespace {

using nlohmann::json;

int runDemo(const std::string& script, const TemporaryFolder& folder, std::string& errors)
{
    AppRun run = runApp("--headless --demo sticker --script " + script + " --out " + (folder / "out").string(), folder.path());
    errors = std::move(run.errors);
    return run.status;
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
        const Rgba8 p = unpremultiply(image.pixelAt(static_cast<int>((x0 + (x1 - x0) * i / 40) * scale), static_cast<int>((y0 + (y1 - y0) * i / 40) * scale)));
        if (p.r > 200 && p.g < 60 && p.b < 60)
            return true;
    }
    return false;
}

TEST(StickerDemo, AScriptShowsTheGuidesFollowingADragAndEveryHandleAtWork)
{
    TemporaryFolder folder;
    std::string errors;
    ASSERT_EQ(runDemo(std::string(VARDENICO_STICKER_SCRIPTS) + "/sticker_demo.txt", folder, errors), 0) << errors;
    auto dump = [&](const std::string& name) { return readJson(folder / ("out/" + name + ".json")); };
    auto sticker = [&](const std::string& name) { return named(dump(name), "myStickerImmagine"); };
    auto shot = [&](const std::string& name) {
        auto image = decodeImageFile(folder / ("out/" + name + ".png"));
        EXPECT_TRUE(image) << name;
        return image ? *image : Image {};
    };

    const json start = dump("start");
    EXPECT_FALSE(named(named(start, "myStickerImmagine"), "_closeView")["hidden"].get<bool>()) << "the image sticker shows its handles";
    EXPECT_TRUE(named(named(start, "myStickerTesto"), "_closeView")["hidden"].get<bool>());

    // The guides (horizontal, vertical) while the finger is held, and after it lifts.
    const std::tuple<const char*, json, std::pair<bool, bool>> whileHeld[] = { { "start", { 110, 110 }, { false, false } }, { "vertical", { 195, 60 }, { false, true } },
        { "centre", { 195, 195 }, { true, true } }, { "horizontal", { 100, 195 }, { true, false } }, { "away", { 100, 110 }, { false, false } },
        { "released", { 130, 160 }, { false, false } } };
    for (const auto& [name, centre, shown] : whileHeld) {
        SCOPED_TRACE(name);
        const json tree = dump(name);
        EXPECT_EQ(std::pair(named(tree, "myStickerImmagine")["center"], guides(tree)), std::pair(centre, shown));
    }
    const Image startShot = shot("start"), centreShot = shot("centre");
    EXPECT_FALSE(redAlong(startShot, 195, 2, 195, 20)) << "no guide before the drag";
    EXPECT_TRUE(redAlong(centreShot, 195, 2, 195, 20)) << "the vertical guide, dashed";
    EXPECT_TRUE(redAlong(centreShot, 2, 195, 20, 195)) << "the horizontal guide";

    // Resized to 200 × 180 and turned by 30 degrees by its handles, then held at 44 degrees, which
    // snaps to 45 and shows the diagonal overlay.
    const json turned = sticker("rotated"), held = sticker("snapped");
    EXPECT_EQ(std::tuple(turned["bounds"], named(held, "_LineeDiagonali")["alpha"]), std::tuple(json({ 0, 0, 200, 180 }), json(1)));
    EXPECT_NEAR(turned["rotation"].get<double>(), std::numbers::pi / 6, 0.001);

    // Typing two lines grows the text sticker about its centre; Done closes the keyboard.
    const json typed = dump("typed"), final = dump("final");
    const json& text = named(typed, "myStickerTesto");
    EXPECT_EQ(std::tuple(named(text, "myTextField")["text"], text["center"], named(typed, "keyboardToolbar")["hidden"]), std::tuple(json("Vardenico\nLogo"), json({ 255, 325 }), json(false)));
    EXPECT_GT(text["bounds"][3].get<double>(), 70);
    EXPECT_EQ(findNamed(final, "keyboardToolbar"), nullptr) << "Done closed the keyboard";
    EXPECT_FALSE(named(named(final, "myStickerTesto"), "_rotateView")["hidden"].get<bool>()) << "a tap showed its handles";

    const json deleted = dump("deleted");
    EXPECT_TRUE(!findNamed(deleted, "myStickerImmagine") && findNamed(deleted, "myStickerTesto")) << "the delete handle removed the image only";
}

}
}
