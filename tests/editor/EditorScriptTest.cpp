#include "EditorScriptSupport.h"

#include <services/AppDelegate.h>
#include <services/ViewModel.h>
#include <services/mySingleElementiManage.h>
#include <platform/graphics/ColorList.h>

#include <gtest/gtest.h>
#include <numbers>

namespace vd::test {
namespace {

using nlohmann::json;

struct Device {
    const char* name;
    Point canvas;      // the canvas's top-left corner in the window, inside the container
    double side;       // and its side
    Point shapeCentre; // where the script leaves the shape, in canvas points
    double barTop;     // the editor's top bar in the window
    std::map<std::string, std::string> places;
};

class EditorScript : public ::testing::TestWithParam<Device> {
protected:
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

TEST_P(EditorScript, ALogoComposedThroughTheScreenIsStoredAndReopensTheSame)
{
    const Device device = GetParam();
    writeDefaults(home);
    auto places = device.places;
    places.insert({ { "centre", scriptPoint(device.canvas + Point { device.side / 2, device.side / 2 }) }, { "moved", scriptPoint(device.canvas + device.shapeCentre) } });
    const AppRun composed = runEditorScript(home, device.name, fillScript(home, "compose.txt", device.canvas, places), "compose");
    ASSERT_EQ(composed.status, 0) << composed.errors;

    const json start = dump("compose", "start");
    const json& startCanvas = named(start, "myViewTemporanea");
    // Inside the container the editor lays out in the size it is given: its bar just below the
    // band the container keeps clear (taken once), the square canvas under the bar, the tool area
    // down to the window's bottom edge and nothing past it, whatever panel is open.
    EXPECT_EQ(named(start, "myViewCustomNavBar")["frame"][1], device.barTop);
    EXPECT_EQ(startCanvas["frame"], json({ device.canvas.x, device.canvas.y, device.side, device.side }));
    const json& tools = named(start, "myViewBarraStrumenti")["frame"];
    EXPECT_EQ(tools[1].get<double>() + tools[3].get<double>(), start["frame"][3].get<double>());
    for (const char* step : { "start", "popover", "new_text", "text", "reorder_mode", "before_save", "saved" })
        EXPECT_EQ(viewsCutByWindow(dump("compose", step)), std::vector<std::string>()) << step;

    // The colour popover shows whole rows of swatches, all inside the window; the rest scroll.
    {
        const json popover = dump("compose", "popover");
        const json& grid = named(popover, "colorCollectionView")["frame"];
        const double swatch = named(popover, "colorCollectionView.0.0")["frame"][3].get<double>();
        ASSERT_GT(swatch, 0);
        const double rows = grid[3].get<double>() / swatch;
        EXPECT_NEAR(rows, std::round(rows), 0.01) << rows << " rows";
        EXPECT_GE(swatch, 30) << "a swatch stays a touch target";
    }

    // A new text is set in the default font, and the font picker shows that font.
    {
        const json typed = dump("compose", "new_text");
        const json& picker = named(typed, "myPickerViewFont");
        EXPECT_EQ(named(picker, "myPickerViewFont.0." + picker["text"].get<std::string>())["text"], "GillSans-UltraBold");
    }

    // After typing, a font and a size, the text's frame runs through the centres of its handles.
    {
        const json text = dump("compose", "text");
        const json* sticker = nullptr;
        for (const auto& layer : named(text, "myViewTemporanea")["subviews"])
            if (findNamed(layer, "myTextField"))
                sticker = &layer;
        ASSERT_TRUE(sticker);
        const json& content = (*sticker)["subviews"][0]["frame"]; // the content is the bottom view
        for (const char* handle : { "_rotateView", "_resizeView" }) {
            const json& h = named(*sticker, handle)["frame"];
            EXPECT_NEAR(content[1].get<double>() + content[3].get<double>(), h[1].get<double>() + h[3].get<double>() / 2, 1e-6) << handle;
        }
    }

    // Reorder mode: each row's square beside the grip, the table's colour behind the grip, and
    // every layer's miniature as large as the layer is on the canvas, at the square's scale.
    {
        const json reorder = dump("compose", "reorder_mode");
        const json& canvas = named(reorder, "myViewTemporanea");
        const double canvasSide = canvas["frame"][2].get<double>();
        const auto& layers = canvas["subviews"];
        for (size_t row = 0; row < layers.size(); ++row) {
            const std::string name = "myTableViewLayer.0." + std::to_string(row);
            const json& cell = named(reorder, name);
            const json& square = named(cell, "myViewBgCell")["frame"];
            const json& grip = named(cell, name + ".reorder")["frame"];
            EXPECT_GE(square[0].get<double>(), cell["frame"][0].get<double>()) << name << " is not cut on the left";
            EXPECT_LE(square[0].get<double>() + square[2].get<double>(), grip[0].get<double>()) << name;
            EXPECT_NE(cell.value("backgroundColor", ""), "#ffffffff") << name << ": no white strip behind the grip";
            const json* text = findNamed(layers[row], "myTextField");
            const json& shown = text ? *text : layers[row]["subviews"][0];
            const double scale = square[2].get<double>() / canvasSide;
            const json& snap = named(cell, "myImageSnap");
            for (int i : { 2, 3 })
                EXPECT_NEAR(snap["bounds"][i].get<double>(), shown["bounds"][i].get<double>() * scale, 0.5) << name;
        }
    }

    // Saved, the new logo opens in the preview, noted as just saved, on a faint tint of the canvas
    // colour and 10 points above the middle of the screen as shown.
    {
        const json saved = dump("compose", "saved");
        const json& area = named(saved, "myViewBgSoprablure")["frame"];
        const json& logo = named(saved, "myImageViewPreviewLogo");
        EXPECT_NEAR(logo["frame"][1].get<double>() + logo["frame"][3].get<double>() / 2, area[1].get<double>() + area[3].get<double>() / 2 - 10, 0.01);
        EXPECT_EQ(named(saved, "myLabelLogoSalvatoInGalleria")["alpha"], 1);
        EXPECT_EQ(logo["backgroundColor"].get<std::string>().substr(0, 7), named(dump("compose", "before_save"), "myViewTemporanea")["backgroundColor"].get<std::string>().substr(0, 7));
    }

    // The guides while the shape is held at the centre, and after it lifts.
    const json centre = named(dump("compose", "centre"), "myViewTemporanea");
    const json moved = named(dump("compose", "moved"), "myViewTemporanea");
    EXPECT_EQ(std::tuple(sublayerHidden(centre, "lineOrizzontale"), sublayerHidden(centre, "lineVerticale"), sublayerHidden(moved, "lineOrizzontale"), sublayerHidden(moved, "lineVerticale")), std::tuple(false, false, true, true));

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

    const ViewModel &shape = records[0], &text = records[1], &icon = records[2];
    EXPECT_EQ(std::tuple(shape.type, shape.nomeImg, shape.tintColor), std::tuple("image", store.myArrStringNameGEOMETRY[5], Color::fromCode(colours[30])));
    EXPECT_NEAR(shape.alpha, 0.35, 0.002);
    EXPECT_NEAR(shape.rotazione, std::numbers::pi / 6, 0.01);
    EXPECT_NEAR(shape.centrox, device.shapeCentre.x, 0.5);
    EXPECT_NEAR(shape.centroy, device.shapeCentre.y, 0.5);
    EXPECT_TRUE(shape.largezza > 208 && shape.altezza > 220) << "the pinch made it larger";

    EXPECT_EQ(std::tuple(text.type, text.nomeImg, text.testo, text.fontSize, text.textAllin, text.textColor), std::tuple("text", "testo", "Vardenico\nLogo", 24, 1, Color::fromCode(colours[25])));
    EXPECT_NE(text.fontName, "GillSans-UltraBold") << "a font picked from the list";
    EXPECT_NEAR(text.rotazione, 0, 1e-9);

    EXPECT_EQ(std::tuple(icon.type, icon.nomeImg, icon.tintColor, icon.alpha), std::tuple("image", store.myArrStringNameICON[2], Color::fromCode(colours[20]), 1)) << "the popover's colour came last";
    EXPECT_NEAR(icon.centrox, 80, 0.5);
    EXPECT_NEAR(icon.centroy, 300, 0.5);

    auto picture = logo.myImage();
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::tuple(picture->pixelWidth(), picture->pixelHeight()), std::tuple(2800, 2800));
    for (auto [x, y] : { std::pair { 0, 0 }, { 2799, 0 }, { 0, 2799 }, { 2799, 2799 } })
        EXPECT_EQ(unpremultiply(picture->pixelAt(x, y)).a, 0) << "corner " << x << "," << y;
    EXPECT_TRUE(logo.myColoreSfongo) << "the gray canvas colour is kept";

    // Reopened from the same records, the canvas is the one that was saved.
    writeDefaults(home, { { "tutorialLogoa", "tutorialLogo" }, { "keycoloreeditototo", 2 }, { "dataview", archiveRootWithViewModels(records) } });
    const AppRun reopened = runEditorScript(home, device.name, std::string(VARDENICO_EDITOR_SCRIPTS) + "/reopen.txt", "reopen");
    ASSERT_EQ(reopened.status, 0) << reopened.errors;
    EXPECT_EQ(canvasOf(dump("reopen", "reopened")), canvasOf(dump("compose", "before_save")));
}

INSTANTIATE_TEST_SUITE_P(Devices, EditorScript,
    ::testing::Values(Device { "phone", { 0, 94 }, 390, { 290, 236 }, 30, { { "slider", "187.4 744" }, { "font", "125 613" }, { "bare", "380 110" }, { "reorder", "400" } } },
        Device { "tablet", { 112, 70 }, 800, { 600, 450 }, 0, { { "slider", "424.7 1270.55" }, { "font", "325 1077" }, { "bare", "892 90" }, { "reorder", "600" } } }),
    [](const auto& info) { return std::string(info.param.name); });

}
}
