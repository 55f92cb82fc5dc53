#include "EditorScriptSupport.h"

#include <services/AppDelegate.h>
#include <services/ViewModel.h>
#include <services/mySingleElementiManage.h>

#include <gtest/gtest.h>

namespace vd::test {
namespace {

using nlohmann::json;

TEST(EditorUndo, SixteenChangesAreUndoneAndRedoneExactlyByTheKeys)
{
    TemporaryFolder home;
    writeDefaults(home, { { "tutorialLogoa", "tutorialLogo" } });
    std::string undo, redo;
    for (int k = 15; k >= -1; --k)
        undo += "key ctrl+z\ndump u" + (k < 0 ? std::string("_start") : std::to_string(k)) + "\n";
    for (int k = 1; k <= 16; ++k)
        redo += (k < 16 ? "key ctrl+shift+z\ndump r" : "key ctrl+y\ndump r") + std::to_string(k) + "\n";
    const auto script = fillScript(home, "undo_phone.txt", { 0, 94 }, { { "slider", "187.4 744" }, { "undo", undo }, { "redo", redo } });
    const AppRun run = runEditorScript(home, "phone", script, "out");
    ASSERT_EQ(run.status, 0) << run.errors;
    auto canvas = [&](const std::string& name) { return canvasOf(readJson(home / ("out/" + name + ".json"))); };

    std::vector<json> edits;
    for (int k = 0; k <= 16; ++k)
        edits.push_back(canvas("e" + std::to_string(k)));
    for (int k = 1; k <= 16; ++k)
        EXPECT_NE(edits[k], edits[k - 1]) << "change " << k << " changed the canvas";
    const auto layerCount = [](const json& c) { return c["layers"].size(); };
    EXPECT_EQ(std::tuple(layerCount(edits[0]), layerCount(edits[12]), layerCount(edits[16])), std::tuple(0uz, 3uz, 2uz)) << "Delete removed the selected layer";

    // The arrows move the selected layer (the shape, on top since it was selected) 1 and 10 points;
    // four quick presses are one step, undone at once below.
    const json& before = edits[13]["layers"][2]["center"];
    const json& right = edits[14]["layers"][2]["center"];
    const json& down = edits[15]["layers"][2]["center"];
    EXPECT_DOUBLE_EQ(right[0].get<double>() - before[0].get<double>(), 4);
    EXPECT_DOUBLE_EQ(right[1].get<double>(), before[1].get<double>());
    EXPECT_DOUBLE_EQ(down[1].get<double>() - right[1].get<double>(), 10);

    // While typing, Ctrl+Z is no command: the text being typed stays.
    EXPECT_EQ(canvas("typing")["layers"].size(), 3u);

    // Every undo gives back the canvas as it was before the change, every redo as after it.
    for (int k = 15; k >= 0; --k)
        EXPECT_EQ(canvas("u" + std::to_string(k)), edits[k]) << "undo back to " << k;
    EXPECT_EQ(canvas("u_start"), edits[0]) << "nothing to undo before the start";
    for (int k = 1; k <= 16; ++k)
        EXPECT_EQ(canvas("r" + std::to_string(k)), edits[k]) << "redo of " << k;

    // A change after an undo ends what could be redone.
    const json branch = canvas("branch");
    EXPECT_TRUE(branch["layers"] == edits[15]["layers"] && branch["backgroundColor"] != edits[15]["backgroundColor"]);
    EXPECT_EQ(canvas("branch_redo"), branch);

    // Ctrl+S saved the canvas as it was, as SAVE does, and showed the preview.
    EXPECT_TRUE(findNamed(readJson(home / "out/saved.json"), "myImageViewPreviewLogo"));
    auto delegate = AppDelegate::create(home.path());
    auto& store = delegate->logoStore();
    store.metodoCaricaDictOfData();
    ASSERT_TRUE(store.myArrLoghiEstratti.size() == 1u && store.myArrLoghiEstratti[0]->myArrViewModel && store.myArrLoghiEstratti[0]->myArrViewModel->size() == 3u);
    const auto& records = *store.myArrLoghiEstratti[0]->myArrViewModel;
    for (size_t i = 0; i < records.size(); ++i) {
        const json& layer = branch["layers"][i]; // a dump's numbers are rounded to a thousandth
        EXPECT_NEAR(records[i].centrox, layer["center"][0].get<double>(), 0.001) << i;
        EXPECT_NEAR(records[i].centroy, layer["center"][1].get<double>(), 0.001) << i;
        EXPECT_NEAR(records[i].largezza, layer["bounds"][2].get<double>(), 0.001) << i;
    }
}

}
}
