#include <E2ESupport.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace vd::test {
namespace {

using nlohmann::json;

const std::string kScripts = VARDENICO_LISTS_SCRIPTS;

AppRun runLists(const std::string& device, const std::string& script, const std::filesystem::path& out)
{
    return runApp("--headless --demo lists --device " + device + " --script " + kScripts + "/" + script + " --out " + out.string(), out.parent_path());
}

// A property of a named view, or null when no view has the name.
json valueOf(const json& dump, const std::string& name, const std::string& key) { return findNamed(dump, name) ? findNamed(dump, name)->value(key, json()) : json(); }

std::string textOf(const json& dump, const std::string& name) { return findNamed(dump, name) ? findNamed(dump, name)->value("text", "") : "<absent>"; }

// The label of the table's row at a place, counted from the top.
std::string rowText(const json& dump, int row)
{
    const json* cell = findNamed(dump, "myTableViewDemo.0." + std::to_string(row));
    return cell ? cell->at("subviews")[0]["subviews"][0].value("text", "") : "<absent>";
}

class ListsDemo : public ::testing::TestWithParam<std::string> {};

TEST_P(ListsDemo, AScriptDrivesEveryListControlThroughTheNavigationStack)
{
    const std::string device = GetParam();
    TemporaryFolder folder;
    const auto out = folder / "out";
    const AppRun run = runLists(device, "lists_demo.txt", out);
    ASSERT_EQ(run.status, 0) << run.errors;
    const bool tablet = device == "tablet";
    auto dump = [&](const std::string& name) { return readJson(out / (name + ".json")); };

    EXPECT_EQ(textOf(dump("start"), "myLabelStato") + " | " + textOf(dump("start"), "myPickerViewDemo") + " " + textOf(dump("start"), "myPickerViewDemo.1.7"), "0 selected · row none · GillSans 20 · shown 1 | 0 7 20") << "the size wheel starts on 20";
    EXPECT_EQ(textOf(dump("start"), "myCollectionViewDemo.0.23"), tablet ? "" : "<absent>") << "cells only for items in view";

    // Three taps select, a fourth on an item already selected deselects it.
    const json selected = dump("selected");
    EXPECT_EQ(textOf(selected, "myCollectionViewDemo") + " | " + textOf(selected, "myCollectionViewDemo.0.5") + " | " + textOf(selected, "myCollectionViewDemo.0.2") + " |", "0.5 0.6 | selected |  |");

    // Deleting the selected swatches closes the gap: item 5 now shows swatch 7.
    EXPECT_EQ(std::tuple(textOf(dump("deleted"), "myCollectionViewDemo"), valueOf(dump("deleted"), "myCollectionViewDemo.0.5", "tag"), valueOf(dump("deleted"), "myCollectionViewDemo.0.4", "tag")), std::tuple(std::string(), json(7), json(4)));

    EXPECT_EQ(valueOf(dump("scrolled"), "myCollectionViewDemo", "bounds"), json({ 0, tablet ? 0 : 120, tablet ? 1024 : 390, tablet ? 384 : 234 })) << "the tablet grid holds all its items";
    EXPECT_TRUE(tablet || textOf(dump("scrolled"), "myCollectionViewDemo.0.0") == "<absent>") << "the first line scrolled out of view";

    EXPECT_EQ(textOf(dump("row"), "myTableViewDemo") + " " + textOf(dump("row"), "myTableViewDemo.0.3"), "0.3 selected");

    // In editing mode the first row's grip dragged it two rows down.
    const json reordered = dump("reordered");
    EXPECT_EQ((std::vector { rowText(reordered, 0), rowText(reordered, 1), rowText(reordered, 2), rowText(reordered, 3) }), (std::vector<std::string> { "Cerchio", "Stella", "Sfondo", "Testo Vardenico" }));
    EXPECT_EQ(textOf(dump("reordered"), "myTableViewDemo") + " " + textOf(dump("reordered"), "myViewEditButton"), "0.3 Done") << "the selected row did not move";

    EXPECT_EQ(textOf(dump("picked"), "myPickerViewDemo"), "1 10");
    EXPECT_TRUE(textOf(dump("picked"), "myLabelStato").contains("GillSans-Bold 26") && valueOf(dump("picked"), "myTableViewDemo.0.0.reorder", "hidden") == true) << "editing ended";

    // The pushed screen replaces the first; pinch and drag zoom and move its canvas.
    EXPECT_EQ(textOf(dump("detail"), "myLabelZoom") + " " + textOf(dump("zoomed"), "myLabelZoom"), "Zoom 1.0× Zoom 2.0×");
    const json bounds = valueOf(dump("zoomed"), "myScrollViewZoom", "bounds");
    ASSERT_TRUE(bounds.is_array());
    const double w = bounds[2].get<double>(), h = bounds[3].get<double>();
    EXPECT_EQ(std::tuple(bounds[0].get<double>(), bounds[1].get<double>()), std::tuple(w / 2 + 60, h / 2 + 40)) << "zoomed about the middle, then dragged";

    // A modal screen covers the stack, which is hidden below it, until its button closes it.
    EXPECT_EQ(textOf(dump("modal"), "myLabelInfo"), "Presented over the stack");
    EXPECT_EQ(std::tuple(dump("modal")["subviews"][0]["hidden"], dump("modal")["subviews"][1]["name"]), std::tuple(json(true), json("presentation")));
    EXPECT_EQ(textOf(dump("dismissed"), "myLabelInfo") + " | " + textOf(dump("dismissed"), "myLabelZoom"), "<absent> | Zoom 2.0×");
    EXPECT_EQ(std::tuple(dump("dismissed")["subviews"].size(), dump("dismissed")["subviews"][0]["hidden"]), std::tuple(1uz, json(false)));

    // Back: the first screen again, as it was left, having appeared a second time.
    EXPECT_EQ(textOf(dump("back"), "myLabelStato"), "0 selected · row 3 · GillSans-Bold 26 · shown 2");

}

INSTANTIATE_TEST_SUITE_P(Devices, ListsDemo, ::testing::Values("phone", "tablet"));

}
}
