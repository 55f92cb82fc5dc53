#include <E2ESupport.h>

#include <services/AppDelegate.h>
#include <services/mySingleElementiManage.h>
#include <platform/foundation/Files.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/store/Database.h>

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <ranges>

namespace vd {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

Image picture(double width, double height, Color color)
{
    DrawingContext context({ width, height }, DrawingContext::Opacity::Opaque, 1.0);
    context.fill({ 0, 0, width, height }, color);
    return context.takeImage();
}

// A store in folder/home as earlier runs would have left it; returns nothing, fails the test on error.
void seedStore(const test::TemporaryFolder& folder, bool withDamaged)
{
    auto delegate = AppDelegate::create(folder / "home");
    auto& store = delegate->logoStore();
    store.metodoCaricaDictOfData();
    ASSERT_TRUE(store.metodoAggiungiSingolaImage(picture(400, 400, Color::rgba(1, 0, 0))));
    for (const std::string& text : withDamaged ? std::vector<std::string> { "verde", "danneggiato" } : std::vector<std::string> { "verde" }) {
        auto logo = std::make_shared<DictDatamodelEstratti>();
        logo->setMyImage(picture(300, 300, Color::rgba(0, 0, 1)));
        logo->myArrViewModel = std::vector<ViewModel> { ViewModel("testo", 1.0, "text", Color::clear(), 120, 40, 150, 150, 0, text, "DejaVuSans", 24, Color::black(), 1) };
        logo->myColoreSfongo = Color::rgba(0, 1, 0);
        ASSERT_TRUE(store.metodoSalvaNewObjectInCoreData("", logo));
    }
    ASSERT_TRUE(!withDamaged || store::Database::open(folder / "home" / "dictModel.sqlite", store::Database::Access::ReadWrite).value().execute("UPDATE DictCoreData SET myImagePng = X'89504E470D0A1A0A0000', thumbnailCache = NULL WHERE Z_PK = (SELECT MAX(Z_PK) FROM DictCoreData)"));
}

struct ScriptRun : test::AppRun {
    fs::path out;
    json dump(const std::string& name) const { return test::readJson(out / (name + ".json")); }
};

// Through home, a later launch with photo access granted: the program opens at the home screen,
// from which the script reaches the gallery as a person does. Otherwise the gallery opens on its own.
ScriptRun runGallery(const std::string& device, const fs::path& script, const test::TemporaryFolder& folder, bool throughHome = true)
{
    const std::string environment = "VARDENICO_HOME='" + (folder / "home").string() + "' VARDENICO_PHOTOS='" + (folder / "photos").string() + "' VARDENICO_LANG=en DISPLAY= WAYLAND_DISPLAY=";
    if (throughHome) {
        fs::create_directories(folder / "home");
        std::ofstream(folder / "home" / "defaults.json") << R"({"avvioFatto": "fatto", "aggiornamento1": "visualizzato", "photoLibraryAuthorizationStatus": 3})";
    }
    const fs::path out = folder / "out";
    return { test::runApp(std::string("--headless ") + (throughHome ? "" : "--screen gallery ") + "--device " + device + " --script '" + script.string() + "' --out '" + out.string() + "'", folder.path(), environment), out };
}

json named(const json& tree, const std::string& name) { return test::findNamed(tree, name) ? *test::findNamed(tree, name) : json(); }

std::vector<fs::path> pngsIn(const fs::path& folder)
{
    std::vector<fs::path> found;
    std::ranges::copy_if(fs::directory_iterator(folder) | std::views::transform(&fs::directory_entry::path), std::back_inserter(found), [](const fs::path& p) { return p.extension() == ".png"; });
    return found;
}

// How many cells the gallery's grid shows: its logos and the add item.
int cellsIn(const json& tree)
{
    int cells = 0;
    while (test::findNamed(tree, "myCollectionViewLoghi.0." + std::to_string(cells)))
        ++cells;
    return cells;
}

class GalleryScript : public ::testing::TestWithParam<std::string> {};

TEST_P(GalleryScript, LoadPreviewSaveShareAndDeleteThroughTheScreens)
{
    const std::string device = GetParam();
    const bool tablet = device == "tablet";
    test::TemporaryFolder folder;
    seedStore(folder, true);
    fs::create_directories(folder / "photos");
    ASSERT_TRUE(files::writeAtomically(folder / "photos" / "landscape.jpg", *encodeJpeg(picture(1600, 1200, Color::rgba(1, 0.5, 0)))));
    const ScriptRun run = runGallery(device, GALLERY_E2E_SCRIPTS "/gallery.txt", folder);
    ASSERT_EQ(run.status, 0) << run.errors;

    // Reached from home: nothing runs past the window, the title bar sits just below the band kept
    // clear on the phone (once, not twice), the grid under it.
    for (const char* step : { "start", "panel", "previewImage", "previewModifica" })
        EXPECT_EQ(test::viewsCutByWindow(run.dump(step)), std::vector<std::string>()) << step;

    // Three logos, then the add item; the damaged picture leaves its cell empty.
    const json start = run.dump("start");
    EXPECT_EQ(std::tuple(cellsIn(start), named(named(start, "myCollectionViewLoghi.0.0"), "myImageViewLogo").contains("image"), named(named(start, "myCollectionViewLoghi.0.2"), "myImageViewLogo").contains("image"), named(start, "myCollectionViewLoghi.0.1")["backgroundColor"]),
        std::tuple(4, true, false, json("#00ff00ff"))) << "the damaged logo's cell is empty";
    const auto frame = [&](const json& tree, int item) { return named(tree, "myCollectionViewLoghi.0." + std::to_string(item))["frame"]; };
    EXPECT_EQ(frame(start, 1)[1], frame(start, 0)[1]);
    EXPECT_TRUE(tablet ? frame(start, 3)[1] == frame(start, 0)[1] : frame(start, 2)[1].get<double>() > frame(start, 0)[1].get<double>() && named(start, "myViewCustomNavBar")["frame"][1] == 30)
        << "about five a row on a tablet; two on a phone, the title bar clear of the sensor housing with no empty band above";
    const json bar = named(start, "myViewCustomNavBar")["frame"];
    EXPECT_EQ(named(start, "myCollectionViewLoghi")["frame"][1], bar[1].get<double>() + bar[3].get<double>());
    EXPECT_EQ(std::tuple(named(start, "myViewAggiungiCreaLogo")["center"][0], named(run.dump("panel"), "myViewAggiungiCreaLogo")["center"][0]), std::tuple(json(tablet ? 1536 : 585), json(tablet ? 512 : 195))) << "the panel waits off the right edge";
    const json picker = run.dump("picker");
    EXPECT_EQ(std::tuple(named(picker, "photoPicker").is_null(), named(picker, "imagePickerPopover").is_null()), std::tuple(false, !tablet)) << "a popover on tablets only";

    // The photo became the fourth logo, an 800-pixel square with the photo 800 × 600 in the middle.
    EXPECT_TRUE(named(run.dump("loaded"), "photoPicker").is_null() && cellsIn(run.dump("loaded")) == 5);
    {
        auto delegate = AppDelegate::create(folder / "home");
        auto& store = delegate->logoStore();
        testing::internal::CaptureStderr(), store.metodoCaricaDictOfData(), testing::internal::GetCapturedStderr();
        ASSERT_EQ(store.myArrLoghiEstratti.size(), 3u) << "after the delete at the end of the script";
        const auto square = store.myArrLoghiEstratti.back()->myImage();
        EXPECT_TRUE(square && square->pixelWidth() == 800 && unpremultiply(square->pixelAt(400, 98)).a == 0 && unpremultiply(square->pixelAt(400, 102)).a == 255);
        ASSERT_TRUE(!store.myArrLoghiEstratti[0]->myArrViewModel && store.myArrLoghiEstratti[1]->myArrViewModel);
        EXPECT_EQ(store.myArrLoghiEstratti[1]->myArrViewModel->front().testo, "danneggiato") << "the editor logo \"verde\" was deleted, the damaged one kept";
    }

    const json image = run.dump("previewImage");
    // The logo 10 points above the middle of the screen as it is shown (the container's 814
    // points on the phone), whatever size the screen was made at.
    for (const char* step : { "previewImage", "previewModifica" }) {
        const json area = named(run.dump(step), "myViewBgSoprablure")["frame"], logo = named(run.dump(step), "myImageViewPreviewLogo")["frame"];
        EXPECT_NEAR(logo[1].get<double>() + logo[3].get<double>() / 2, area[1].get<double>() + area[3].get<double>() / 2 - 10, 0.01) << step;
    }
    EXPECT_EQ(std::tuple(named(image, "myButtonSalvaNelRullino")["alpha"], named(image, "myButtonHOME")["alpha"]), std::tuple(json(0), json(0))) << "a picture logo cannot be saved again";

    const json modifica = run.dump("previewModifica");
    EXPECT_EQ(std::tuple(named(modifica, "myImageViewPreviewLogo")["backgroundColor"], named(modifica, "myLabelLogoSalvatoInGalleria")["alpha"]), std::tuple(json("#00ff0033"), json(0)));

    EXPECT_EQ(pngsIn(folder / "photos" / "Vardenico").size(), 1u) << "one new photo in the album";
    const auto sharedFiles = pngsIn(folder / "photos");
    ASSERT_EQ(sharedFiles.size(), 1u) << "the share sheet saved the picture";
    EXPECT_TRUE(sharedFiles[0].filename().string().starts_with("Vardenico") && !named(run.dump("shared"), "shareSheet").is_null());

    EXPECT_TRUE(named(run.dump("afterDelete"), "myButtonDeleteLogo").is_null() && cellsIn(run.dump("afterDelete")) == 4) << "back on the gallery, one logo fewer";
}

TEST_P(GalleryScript, AnEmptyStoreShowsTheAddItemAloneAndSavingWithoutAccessSaysWhy)
{
    const std::string device = GetParam();
    const bool tablet = device == "tablet";
    {
        // The empty store's walk ends with files dropped on the window: the two pictures become
        // logos in drop order (the JPEG turned upright by its orientation tag, as "logos add" does),
        // the text file and the truncated picture are named in one alert, which Escape closes.
        test::TemporaryFolder folder;
        fs::create_directories(folder / "drop");
        ASSERT_TRUE(files::writeAtomically(folder / "drop" / "wide.png", *encodePng(picture(400, 200, Color::rgba(1, 0, 0)))));
        ASSERT_TRUE(files::writeAtomically(folder / "drop" / "tall.jpg", *encodeJpeg(picture(100, 300, Color::rgba(0, 0, 1)))));
        std::ofstream(folder / "drop" / "notes.txt") << "not a picture";
        const auto png = *encodePng(picture(400, 200, Color::rgba(0, 1, 0)));
        ASSERT_TRUE(files::writeAtomically(folder / "drop" / "cut.png", std::vector<std::uint8_t>(png.begin(), png.begin() + static_cast<long>(png.size() / 2))));
        std::ofstream(folder / "empty.txt") << std::ifstream(GALLERY_E2E_SCRIPTS "/gallery_empty.txt").rdbuf() << "drop " << (folder / "drop" / "wide.png").string() << " "
                                            << (folder / "drop" / "notes.txt").string() << " " << (folder / "drop" / "tall.jpg").string() << " " << (folder / "drop" / "cut.png").string()
                                            << "\nwait 0.4\ndump dropped\nkey escape\nwait 0.4\ndump afterDrop\n";
        const ScriptRun run = runGallery(device, folder / "empty.txt", folder);
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_TRUE(test::viewsCutByWindow(run.dump("panel")).empty() && cellsIn(run.dump("start")) == 1) << "the add item alone";
        EXPECT_EQ(std::tuple(named(run.dump("panel"), "myViewAggiungiCreaLogo")["center"][0], named(run.dump("closed"), "myViewAggiungiCreaLogo")["center"][0]), std::tuple(json(tablet ? 512 : 195), json(tablet ? 1536 : 585)));
        const json dropped = run.dump("dropped");
        EXPECT_EQ(std::tuple(named(dropped, "alertMessage")["text"], cellsIn(dropped)), std::tuple(json("These files cannot be read as pictures; no logos were made of them: notes.txt, cut.png."), 3)) << "two logos and the add item";
        EXPECT_TRUE(named(run.dump("afterDrop"), "alert").is_null());
        auto delegate = AppDelegate::create(folder / "home");
        auto& store = delegate->logoStore();
        store.metodoCaricaDictOfData();
        ASSERT_EQ(store.myArrLoghiEstratti.size(), 2u);
        auto wide = store.myArrLoghiEstratti[0]->myImage(), tall = store.myArrLoghiEstratti[1]->myImage();
        ASSERT_TRUE(wide && tall);
        EXPECT_EQ(std::tuple(unpremultiply(wide->pixelAt(400, 150)).a, unpremultiply(wide->pixelAt(400, 400)).r), (std::tuple<std::uint8_t, std::uint8_t>(0, 255))) << "the wide picture has margins above";
        EXPECT_TRUE(unpremultiply(tall->pixelAt(100, 400)).a == 0 && unpremultiply(tall->pixelAt(400, 400)).b > 200) << "the tall one beside";
    }
    test::TemporaryFolder folder;
    seedStore(folder, false);
    fs::create_directories(folder / "photos");
    // Without photo access the home screen asks for it first: this walk opens the gallery alone.
    const ScriptRun run = runGallery(device, GALLERY_E2E_SCRIPTS "/preview_noaccess.txt", folder, false);
    ASSERT_EQ(run.status, 0) << run.errors;
    const json noAlbum = run.dump("noAlbum");
    EXPECT_TRUE(!named(noAlbum, "alert").is_null() && named(noAlbum, "myLabelSalvato")["alpha"] == 0) << "the save is refused, not confirmed";
    EXPECT_FALSE(fs::exists(folder / "photos" / "Vardenico"));
}

INSTANTIATE_TEST_SUITE_P(Devices, GalleryScript, ::testing::Values("phone", "tablet"));

}
}
