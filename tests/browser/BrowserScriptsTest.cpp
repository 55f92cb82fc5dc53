#include <E2ESupport.h>
#include <browser/BrowserFixtures.h>

#include <gtest/gtest.h>

#include <fstream>

namespace vd {
namespace {

using nlohmann::json;

struct ScriptRun {
    int status { -1 };
    std::string errors;
    std::filesystem::path out;
    test::BrowserLibrary photos;
    json dump(const std::string& name) const { return test::readJson(out / (name + ".json")); }
};

// Runs the browser headless over a fresh library, with photo access granted.
ScriptRun runBrowser(const std::string& device, const test::TemporaryFolder& folder)
{
    ScriptRun run;
    run.out = folder / "out";
    run.photos = test::makeBrowserLibrary(folder / "photos");
    std::filesystem::create_directories(folder / "home");
    std::ofstream(folder / "home" / "defaults.json") << "{\"photoLibraryAuthorizationStatus\": 3}";
    const std::string environment = "VARDENICO_HOME='" + (folder / "home").string() + "' VARDENICO_PHOTOS='" + (folder / "photos").string() + "' DISPLAY= WAYLAND_DISPLAY=";
    const std::string script = std::string(BROWSER_E2E_SCRIPTS) + "/browser_" + device + ".txt";
    auto app = test::runApp("--headless --screen quintara --device " + device + " --script " + script + " --out '" + run.out.string() + "'", folder.path(), environment);
    run.status = app.status;
    run.errors = std::move(app.errors);
    return run;
}

json named(const json& tree, const std::string& name)
{
    const json* found = test::findNamed(tree, name);
    return found ? *found : json();
}

std::string selectionOf(const json& tree) { return named(tree, "myCollectionViewRullino").value("text", ""); }
std::string textOf(const json& tree, const std::string& name) { return named(tree, name).value("text", "<missing>"); }
double centreX(const json& tree, const std::string& name) { return named(tree, name)["center"][0].get<double>(); }
double centreY(const json& tree, const std::string& name) { return named(tree, name)["center"][1].get<double>(); }

// The texts of the labels below a node, joined by spaces.
std::string labelsIn(const json& node)
{
    std::string texts;
    if (node.value("class", "") == "Label" && node.contains("text"))
        texts = node["text"].get<std::string>();
    if (node.contains("subviews"))
        for (auto& child : node["subviews"]) {
            const std::string more = labelsIn(child);
            if (!more.empty())
                texts += (texts.empty() ? "" : " ") + more;
        }
    return texts;
}

class BrowserScripts : public ::testing::TestWithParam<std::string> {};

INSTANTIATE_TEST_SUITE_P(PhoneAndTablet, BrowserScripts, ::testing::Values("phone", "tablet"), [](const auto& info) { return info.param; });

TEST_P(BrowserScripts, SelectPreviewAlbumsAndStripAsThePartSays)
{
    test::TemporaryFolder folder;
    const ScriptRun run = runBrowser(GetParam(), folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    const bool tablet = GetParam() == "tablet";
    const double cx = tablet ? 512 : 195, cy = tablet ? 683 : 422;

    const json start = run.dump("start");
    EXPECT_GT(centreX(start, "myViewBgCollectionPicker"), 2 * cx) << "the grid panel starts closed";
    EXPECT_EQ(named(start, "myViewBgLogoPreview")["alpha"], 0);
    EXPECT_EQ(named(start, "myButtonSelezionaProperty")["alpha"], 0.1);

    // Newest first, every cell with its thumbnail, the broken file marked.
    const json grid = run.dump("grid");
    EXPECT_EQ(centreX(grid, "myViewBgCollectionPicker"), cx);
    const auto& order = run.photos.newestFirst;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const json cell = named(grid, "myCollectionViewRullino.0." + std::to_string(i));
        ASSERT_FALSE(cell.is_null()) << "cell " << i;
        EXPECT_EQ(cell["photo"], order[i]) << "cell " << i;
        EXPECT_EQ(cell["unreadable"], order[i] == "rotta.jpg") << order[i];
        EXPECT_EQ(cell["hasImage"], order[i] != "rotta.jpg") << order[i];
    }

    const json selected = run.dump("selected");
    EXPECT_EQ(selectionOf(selected), "0.5 0.9");
    EXPECT_EQ(textOf(selected, "myLabelCountSelezionate"), "(2)");
    EXPECT_EQ(named(selected, "myButtonSelezionaProperty")["alpha"], 1);
    EXPECT_EQ(named(selected, "myCollectionViewRullino.0.5")["text"], "selected");

    EXPECT_EQ(centreX(run.dump("longPress"), "myViewPreviewLongGesture"), cx) << "the preview is in";
    EXPECT_TRUE(named(run.dump("longPress"), "myImageViewLongGesture").contains("image")) << "with the photo";
    EXPECT_GT(centreX(run.dump("gapPress"), "myViewPreviewLongGesture"), 2 * cx) << "no preview for the gap";
    EXPECT_EQ(selectionOf(run.dump("gapPress")), "0.5 0.9") << "long presses select nothing";

    const json peek = run.dump("peek");
    EXPECT_FALSE(named(peek, "myImageView").is_null()) << "the peek is up";
    EXPECT_EQ(selectionOf(run.dump("peekOfSelected")), "0.5 0.9") << "committing a selected photo's peek changes nothing";
    EXPECT_TRUE(named(run.dump("peekOfSelected"), "myImageView").is_null()) << "the peek went away";
    EXPECT_EQ(selectionOf(run.dump("peekCommitted")), "0.5 0.9 0.3");

    const json cancelled = run.dump("cancelled");
    EXPECT_EQ(selectionOf(cancelled), "");
    EXPECT_EQ(textOf(cancelled, "myLabelCountSelezionate"), "");
    EXPECT_EQ(centreX(cancelled, "myViewBgCollectionPicker"), cx) << "cancel with a selection keeps the grid";

    const json albums = run.dump("albums");
    EXPECT_EQ(labelsIn(named(albums, "myTableViewSelezionaAlbum.1.0")), "Mare");
    EXPECT_EQ(labelsIn(named(albums, "myTableViewSelezionaAlbum.1.1")), "Montagna");
    EXPECT_LT(centreY(albums, "myViewBgSelezionaAlbumTable"), cy) << "the album list is up, above the toolbar";
    const json album = run.dump("album");
    EXPECT_EQ(selectionOf(album), "") << "choosing an album empties the selection";
    EXPECT_EQ(textOf(album, "myLabelCountSelezionate"), "");
    EXPECT_EQ(named(album, "myCollectionViewRullino.0.0")["photo"], "Mare/scogli.jpg");
    EXPECT_EQ(named(album, "myCollectionViewRullino.0.2")["photo"], "Mare/onde.jpg");
    EXPECT_TRUE(named(album, "myCollectionViewRullino.0.3").is_null());
    EXPECT_EQ(textOf(album, "myButtonSelezionaAlbum"), "Mare\u2303");
    const json all = run.dump("allPhotos");
    EXPECT_EQ(named(all, "myCollectionViewRullino.0.17")["photo"], "rotta.jpg") << "the all-photos row restores the grid";

    const json main = run.dump("main");
    EXPECT_GT(centreX(main, "myViewBgCollectionPicker"), 2 * cx);
    EXPECT_NE(textOf(main, "myLabelGiaSelezionate").find("(2)"), std::string::npos);
    const json strip = run.dump("strip");
    EXPECT_EQ(centreY(strip, "myViewBgCollectionViewSELEZIONATE"), cy);
    EXPECT_EQ(named(strip, "myCollectionViewSELEZIONATE.0.1")["numeroinarray"], 7);
    const json one = run.dump("stripOne");
    EXPECT_EQ(named(one, "myCollectionViewSELEZIONATE.0.0")["numeroinarray"], 7);
    EXPECT_TRUE(named(one, "myCollectionViewSELEZIONATE.0.1").is_null());
    EXPECT_EQ(centreY(one, "myViewBgCollectionViewSELEZIONATE"), cy) << "the strip stays while photos remain";
    EXPECT_EQ(centreY(run.dump("stripEmptied"), "myViewBgCollectionViewSELEZIONATE"), 3 * cy) << "removing the last photo closes the strip";

    EXPECT_GT(centreX(run.dump("cancelledEmpty"), "myViewBgCollectionPicker"), 2 * cx) << "cancel with nothing selected closes the grid";
    const json alert = run.dump("forwardAlert");
    EXPECT_FALSE(named(alert, "alert").is_null()) << "forward without photos and logo explains";
}

}
}
