#include <E2ESupport.h>

#include <app/AppDelegate.h>
#include <library/ViewModel.h>
#include <library/mySingleElementiManage.h>
#include <platform/foundation/Files.h>
#include <platform/graphics/ColorList.h>

#include <gtest/gtest.h>
#include <numbers>

namespace vd::test {
namespace {

using nlohmann::json;

struct Device {
    const char* name;
    const char* script;
    Point shapeCentre;  // where the script leaves the shape, in canvas points
    Point iconCentre;
};

class EditorScript : public ::testing::TestWithParam<Device> {
protected:
    AppRun run(const std::string& script, const std::string& out)
    {
        return runApp(std::string("--headless --screen logoEditor --device ") + GetParam().name + " --script " + VARDENICO_EDITOR_SCRIPTS + "/" + script + " --out " +
                (home / out).string(),
            home.path(), "VARDENICO_HOME=" + home.path().string());
    }
    json dump(const std::string& out, const std::string& name) { return readJson(home / (out + "/" + name + ".json")); }
    TemporaryFolder home;
};

const json& named(const json& tree, const std::string& name)
{
    static const json missing = json::object();
    const json* found = findNamed(tree, name);
    EXPECT_TRUE(found) << name;
    return found ? *found : missing;
}

bool sublayerHidden(const json& canvas, const std::string& name)
{
    for (const auto& layer : canvas.value("sublayers", json::array()))
        if (layer["name"] == name)
            return layer["hidden"].get<bool>();
    ADD_FAILURE() << "no sublayer " << name;
    return true;
}

// What a layer on the canvas looks like, handles aside (they show only on the selected layer).
json projection(const json& canvas)
{
    json layers = json::array();
    for (const auto& sticker : canvas.value("subviews", json::array())) {
        json layer { { "name", sticker["name"] }, { "center", sticker["center"] }, { "bounds", sticker["bounds"] }, { "transform", sticker["transform"] },
            { "tintColor", sticker["tintColor"] } };
        const json& content = sticker["subviews"][0];
        layer["content"] = { { "alpha", content["alpha"] }, { "bounds", content["bounds"] }, { "tag", content["tag"] } };
        if (const json* text = findNamed(sticker, "myTextField")) {
            // A text's content view reaches below the sticker once the text has been typed (its
            // height follows the text); rebuilt, it sits inside: only the sticker's geometry counts.
            layer["content"].erase("bounds");
            // The text and how it is set; the text view's own frame follows its content view.
            json values = *text;
            for (const char* key : { "subviews", "frame", "bounds", "center", "firstResponder", "caret", "name" })
                values.erase(key);
            layer["text"] = values;
        }
        layers.push_back(layer);
    }
    return layers;
}

TEST_P(EditorScript, ALogoComposedThroughTheScreenIsStoredAndReopensTheSame)
{
    const Device device = GetParam();
    const AppRun composed = run(device.script, "compose");
    ASSERT_EQ(composed.status, 0) << composed.errors;

    const json start = dump("compose", "start");
    const json& startCanvas = named(start, "myViewTemporanea");
    EXPECT_EQ(startCanvas["frame"][2], startCanvas["frame"][3]) << "the canvas is square";
    EXPECT_TRUE(sublayerHidden(startCanvas, "lineOrizzontale"));
    EXPECT_TRUE(named(start, "myViewBgTutorial")["alpha"] == 0) << "OK dismissed the tutorial";

    // The guides while the shape is held at the centre, and after it lifts.
    const json centre = named(dump("compose", "centre"), "myViewTemporanea");
    EXPECT_FALSE(sublayerHidden(centre, "lineOrizzontale"));
    EXPECT_FALSE(sublayerHidden(centre, "lineVerticale"));
    const json moved = named(dump("compose", "moved"), "myViewTemporanea");
    EXPECT_TRUE(sublayerHidden(moved, "lineOrizzontale"));
    EXPECT_TRUE(sublayerHidden(moved, "lineVerticale"));

    // The store holds the logo: shape, text, icon (the icon was moved from the bottom to the top).
    auto delegate = AppDelegate::create(home.path());
    auto& store = delegate->logoStore();
    store.metodoCaricaDictOfData();
    ASSERT_EQ(store.myArrLoghiEstratti.size(), 1u);
    const auto& logo = *store.myArrLoghiEstratti[0];
    ASSERT_TRUE(logo.myArrViewModel);
    const auto& records = *logo.myArrViewModel;
    ASSERT_EQ(records.size(), 3u);
    const auto colours = loadColorList();
    store.metodoRiempiNomiGeo();
    store.metodoRiempiNomiIcon();

    const ViewModel& shape = records[0];
    EXPECT_EQ(shape.type, "image");
    EXPECT_EQ(shape.nomeImg, store.myArrStringNameGEOMETRY[5]);
    EXPECT_NEAR(shape.alpha, 0.35, 0.002);
    EXPECT_EQ(shape.tintColor, Color::fromCode(colours[30]));
    EXPECT_NEAR(shape.rotazione, std::numbers::pi / 6, 0.01);
    EXPECT_NEAR(shape.centrox, device.shapeCentre.x, 0.5);
    EXPECT_NEAR(shape.centroy, device.shapeCentre.y, 0.5);
    EXPECT_GT(shape.largezza, 208) << "the pinch made it larger";
    EXPECT_GT(shape.altezza, 220);

    const ViewModel& text = records[1];
    EXPECT_EQ(text.type, "text");
    EXPECT_EQ(text.nomeImg, "testo");
    EXPECT_EQ(text.testo, "Vardenico\nLogo");
    EXPECT_EQ(text.fontSize, 24);
    EXPECT_EQ(text.textAllin, 1);
    EXPECT_EQ(text.textColor, Color::fromCode(colours[25]));
    EXPECT_NE(text.fontName, "GillSans-UltraBold") << "a font picked from the list";
    EXPECT_NEAR(text.rotazione, 0, 1e-9);

    const ViewModel& icon = records[2];
    EXPECT_EQ(icon.type, "image");
    EXPECT_EQ(icon.nomeImg, store.myArrStringNameICON[2]);
    EXPECT_EQ(icon.tintColor, Color::fromCode(colours[20])) << "the popover's colour came last";
    EXPECT_NEAR(icon.centrox, device.iconCentre.x, 0.5);
    EXPECT_NEAR(icon.centroy, device.iconCentre.y, 0.5);
    EXPECT_EQ(icon.alpha, 1);

    auto picture = logo.myImage();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixelWidth(), 2800);
    EXPECT_EQ(picture->pixelHeight(), 2800);
    for (auto [x, y] : { std::pair { 0, 0 }, { 2799, 0 }, { 0, 2799 }, { 2799, 2799 } })
        EXPECT_EQ(unpremultiply(picture->pixelAt(x, y)).a, 0) << "corner " << x << "," << y;
    EXPECT_TRUE(logo.myColoreSfongo) << "the gray canvas colour is kept";

    // Reopened from the same records, the canvas is the one that was saved.
    json defaults { { "tutorialLogoa", "tutorialLogo" }, { "keycoloreeditototo", 2 }, { "dataview", archiveRootWithViewModels(records) } };
    const std::string text_ = defaults.dump();
    ASSERT_TRUE(files::writeAtomically(home / "defaults.json", std::vector<std::uint8_t>(text_.begin(), text_.end())));
    const AppRun reopened = run("reopen.txt", "reopen");
    ASSERT_EQ(reopened.status, 0) << reopened.errors;
    const json before = named(dump("compose", "before_save"), "myViewTemporanea");
    const json after = named(dump("reopen", "reopened"), "myViewTemporanea");
    EXPECT_EQ(projection(after), projection(before));
    EXPECT_EQ(after["backgroundColor"], before["backgroundColor"]);
}

INSTANTIATE_TEST_SUITE_P(Devices, EditorScript,
    ::testing::Values(Device { "phone", "compose_phone.txt", { 290, 236 }, { 80, 300 } }, Device { "tablet", "compose_tablet.txt", { 600, 450 }, { 80, 300 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EditorScriptLeaving, AnEmptyCanvasAsksToCreateSomethingFirst)
{
    TemporaryFolder home;
    const AppRun run = runApp(std::string("--headless --screen logoEditor --script ") + VARDENICO_EDITOR_SCRIPTS + "/leave_phone.txt --out " + (home / "out").string(),
        home.path(), "VARDENICO_HOME=" + home.path().string());
    ASSERT_EQ(run.status, 0) << run.errors;
    const json tree = readJson(home / "out/empty_save.json");
    const json* alert = findNamed(tree, "myAlertLogoVuoto");
    ASSERT_TRUE(alert);
    EXPECT_EQ((*alert)["text"], "Vardenico");
    EXPECT_FALSE(std::filesystem::exists(home / "dictModel.sqlite") && [&] {
        auto delegate = AppDelegate::create(home.path());
        delegate->logoStore().metodoCaricaDictOfData();
        return !delegate->logoStore().myArrLoghiEstratti.empty();
    }());
}

}
}
