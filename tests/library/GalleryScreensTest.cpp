#include <services/AppDelegate.h>
#include <app/ProgramScreens.h>
#include <library/CellLoghiGalleria.h>
#include <library/GalleriaLoghiViewController.h>
#include <library/LogoPickerClient.h>
#include <library/LogoScreenInputs.h>
#include <library/PreviewLogoGeneratoViewController.h>
#include <services/mySingleElementiManage.h>
#include <platform/store/Database.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>

#include "TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace vd {
namespace {

namespace fs = std::filesystem;

// The screens reach the process's own store, album and defaults, so the whole binary runs over one
// temporary home with photo access granted, and with the gallery's and the preview's layouts only:
// the stand-in editor below makes its own view.
const fs::path& home()
{
    static const fs::path folder = [] {
        const fs::path root = test::binaryHome().path(), resources = ScreenRegistry::shared().interfaceDirectory();
        std::ofstream(root / "defaults.json") << "{\"photoLibraryAuthorizationStatus\": 3}";
        ::setenv("VARDENICO_PHOTOS", (root / "photos").c_str(), 1);
        ::setenv("VARDENICO_LANG", "en", 1);
        for (const char* device : { "phone", "tablet" }) {
            fs::create_directories(root / "ui" / device);
            for (const char* screen : { "gallery.json", "previewlogo.json" })
                fs::copy_file(resources / device / screen, root / "ui" / device / screen);
        }
        fs::copy_file(resources / "theme.json", root / "ui" / "theme.json");
        fs::create_directories(root / "photos" / "Vardenico");
        ScreenRegistry::shared().setInterfaceDirectory(root / "ui");
        return root;
    }();
    return folder;
}

// Stand-ins for the screens around the gallery: the editor and the photo browser record what
// they are handed.
struct StandInEditor : ViewController, LogoEditorInputs {
    void setMyStringaControllerDiProvenienza(std::string provenance) override { provenienza = std::move(provenance); }
    void setNomeKeyImg(std::string key) override { nomeKey = std::move(key); }
    void setMyLogoArrayConViewPassato(std::vector<ViewModel> records) override { layers = std::move(records); }
    void setIndexDiProvenienza(std::optional<int> index) override { indice = index; }
    std::string provenienza, nomeKey;
    std::optional<std::vector<ViewModel>> layers;
    std::optional<int> indice { -100 };
};

struct StandInBrowser : ViewController, LogoPickerClient {
    void setMyImageLogoPreview(std::optional<Image> picture) override { received = std::move(picture); ++deliveries; }
    std::optional<Image> received;
    int deliveries { 0 };
};

Image picture(double width, double height, Color color)
{
    DrawingContext context({ width, height }, DrawingContext::Opacity::Opaque, 1.0);
    context.fill({ 0, 0, width, height }, color);
    return context.takeImage();
}

mySingleElementiManage& store() { return mySingleElementiManage::sharedInstance(); }

// A logo the editor made, saved to the store and appended to its list as the editor does.
std::shared_ptr<DictDatamodelEstratti> addEditorLogo(std::optional<Color> canvas, const std::string& text)
{
    auto logo = std::make_shared<DictDatamodelEstratti>();
    logo->setMyImage(picture(300, 300, Color::rgba(0, 0, 1, 1)));
    logo->myArrViewModel = std::vector<ViewModel> { ViewModel("testo", 1.0, "text", Color::clear(), 120, 40, 150, 150, 0, text, "DejaVuSans", 24, Color::black(), 1) };
    logo->myColoreSfongo = canvas;
    EXPECT_TRUE(store().metodoSalvaNewObjectInCoreData("", logo));
    store().myArrLoghiEstratti.push_back(logo);
    return logo;
}

void damageStore(const std::string& sql)
{
    ASSERT_TRUE(store::Database::open(home() / "dictModel.sqlite", store::Database::Access::ReadWrite).value().execute(sql));
}

std::vector<std::string> storedTexts()
{
    auto delegate = AppDelegate::create(home());
    delegate->logoStore().metodoCaricaDictOfData();
    std::vector<std::string> texts;
    for (auto& logo : delegate->logoStore().myArrLoghiEstratti)
        texts.push_back(logo->myArrViewModel ? logo->myArrViewModel->front().testo : std::string("picture"));
    return texts;
}

class GalleryScreens : public ::testing::TestWithParam<DeviceKind> {
protected:
    void SetUp() override
    {
        home();
        test::useVirtualClock();
        registerProgramScreens();
        auto& registry = ScreenRegistry::shared();
        // The editor's own tests cover it: here a stand-in records what the gallery and the preview hand it.
        registry.registerClass<StandInEditor>("StandInEditor");
        registry.registerScreen("logoEditor", "StandInEditor");
        registry.setDeviceKind(GetParam());
        const Size screen = GetParam() == DeviceKind::Tablet ? Size { 1024, 1366 } : Size { 390, 844 };
        setCurrentScreenSize(screen);
        window = std::make_shared<Window>(screen);
        // Every test starts from an empty store.
        store().metodoCaricaDictOfData();
        while (!store().myArrLoghiInCore.empty())
            ASSERT_TRUE(store().metodoEliminaLogoDalDictWithIndex(0));
    }
    void TearDown() override { navigation.reset(), window.reset(); }
    // A stack of home (and the browser in picker use) with the gallery on top.
    std::shared_ptr<GalleriaLoghiViewController> openGallery(bool asPicker = false)
    {
        navigation = std::make_shared<NavigationController>(std::make_shared<ViewController>());
        ViewController::installAsRoot(navigation, *window);
        if (asPicker) {
            browser = std::make_shared<StandInBrowser>();
            navigation->pushViewController(browser, false);
        }
        auto gallery = std::dynamic_pointer_cast<GalleriaLoghiViewController>(ScreenRegistry::shared().instantiate("gallery").value());
        EXPECT_TRUE(gallery);
        if (asPicker)
            gallery->myStringProvenienza = "logopicker";
        navigation->pushViewController(gallery, false);
        settle(0.1);
        return gallery;
    }
    void settle(double seconds)
    {
        RunLoop::main().advance(seconds);
        window->layoutIfNeeded();
    }
    std::shared_ptr<View> named(const std::string& name) { return window->viewNamed(name); }
    void tap(const std::string& name)
    {
        auto view = named(name);
        ASSERT_TRUE(view) << name;
        test::tap(*window, test::centerInWindow(*view));
        window->layoutIfNeeded();
    }
    template<typename T>
    std::shared_ptr<T> top() { return std::dynamic_pointer_cast<T>(navigation->topViewController()); }
    std::shared_ptr<AlertController> alert() { return std::dynamic_pointer_cast<AlertController>(named("alert")); }

    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<StandInBrowser> browser;
};

// The gallery as a person walks it: the grid of logos and the add item, the add panel, each kind
// of logo opening its preview, save, modify and create opening the editor, picker use, pictures
// picked to add, and back to the editor, which then saves a logo and sees its preview.
TEST_P(GalleryScreens, GridAddPanelPreviewsEditorPickerUseAndALogoJustSaved)
{
    ASSERT_TRUE(store().metodoAggiungiSingolaImage(picture(400, 400, Color::rgba(1, 0, 0))));
    addEditorLogo(Color::rgba(0, 1, 0), "verde");
    addEditorLogo(std::nullopt, "senza colore");
    auto gallery = openGallery();
    ASSERT_EQ(gallery->myCollectionViewLoghi->numberOfItemsInSection(0), 4);
    auto cell = [&](int item) { return std::dynamic_pointer_cast<CellLoghiGalleria>(named("myCollectionViewLoghi.0." + std::to_string(item))); };
    ASSERT_TRUE(cell(3));
    const auto background = [&](int item) { return cell(item)->backgroundColor().value_or(Color::clear()); };
    EXPECT_EQ(std::tuple(background(0), background(1), background(2)), std::tuple(Color::clear(), Color::rgba(0, 1, 0), Color::clear())) << "a picture logo has no canvas colour";
    EXPECT_EQ(std::tuple(cell(1)->myLabelCreaOAggiungi->alpha(), cell(1)->myButtonAggiungi->isUserInteractionEnabled(), cell(3)->myLabelCreaOAggiungi->alpha(), cell(3)->myImageViewLogo->alpha()), std::tuple(0.0, false, 1.0, 0.0));
    EXPECT_DOUBLE_EQ(cell(1)->myImageViewLogo->image().size().width, 200) << "the thumbnail";

    // The add item selected as a cell (not through its button) opens the add panel.
    gallery->didSelectItemAtIndexPath(*gallery->myCollectionViewLoghi, IndexPath { 0, 3 });
    settle(1);
    EXPECT_EQ(std::tuple(gallery->myViewAggiungiCreaLogo->center().x, navigation->viewControllers().size()), std::tuple(gallery->Centro.x, 2uz)) << "the panel, no preview";
    tap("myButtonExitAggiungiCreaProp");

    // A picture logo's preview: the full picture, nothing to modify or save to the album.
    tap("myCollectionViewLoghi.0.0");
    auto preview = top<PreviewLogoGeneratoViewController>();
    ASSERT_TRUE(preview);
    EXPECT_EQ(std::tuple(preview->myStringType, preview->myIndexFoto, preview->myStringNomeOggetto, preview->myColorViewTemporanea), std::tuple("image", std::optional(0), "0", Color::clear()));
    EXPECT_EQ(std::tuple(preview->myImageViewPreviewLogo->image().pixelWidth(), preview->myButtonHOME->alpha(), preview->myButtonDeleteLogo->isEnabled(), preview->myButtonShare->isEnabled()), std::tuple(400, 0.0, true, true)) << "the full picture";
    tap("myButtonBack");

    // An editor logo's preview on its canvas colour; modify reopens it in the editor with its
    // layers, key and index.
    tap("myCollectionViewLoghi.0.1");
    preview = top<PreviewLogoGeneratoViewController>();
    ASSERT_TRUE(preview);
    EXPECT_EQ(std::tuple(preview->myStringType, preview->myColorViewTemporanea, preview->myButtonHOME->alpha()), std::tuple("modifica", Color::rgba(0, 1, 0), 1.0));
    // Save writes a new album photo each time and says so for a while.
    auto albumPhotos = [] { return std::distance(fs::directory_iterator(home() / "photos" / "Vardenico"), fs::directory_iterator()); };
    const auto before = albumPhotos();
    tap("myButtonSalvaNelRullino");
    EXPECT_EQ(std::tuple(albumPhotos(), preview->myLabelSalvato->presentationAlpha()), std::tuple(before + 1, 1.0));
    settle(3.6);
    EXPECT_EQ(preview->myLabelSalvato->presentationAlpha(), 0);
    tap("myButtonSalvaNelRullino");
    EXPECT_EQ(albumPhotos(), before + 2) << "a second save is a second photo";
    tap("myButtonHOME");
    auto editor = top<StandInEditor>();
    ASSERT_TRUE(editor && editor->layers) << "the editor stand-in is on top";
    EXPECT_EQ(std::tuple(editor->provenienza, editor->nomeKey, editor->indice, editor->layers->front().testo), std::tuple("modifica", "1", std::optional(1), "verde"));
    navigation->popViewController(false);
    navigation->popViewController(false);
    settle(0.5);
    EXPECT_TRUE(!preview->myImageLogo || preview->myImageLogo->isEmpty()) << "leaving lets the full picture go";
    tap("myCollectionViewLoghi.0.2");
    ASSERT_TRUE(top<PreviewLogoGeneratoViewController>());
    EXPECT_EQ(top<PreviewLogoGeneratoViewController>()->myColorViewTemporanea, Color::clear()) << "an editor logo without its colour opens on the clear colour";
    navigation->popViewController(false);
    settle(0.5);

    // Create opens the editor.
    tap("myCollectionViewLoghi.0.3");
    tap("myButtonCreaProp");
    EXPECT_TRUE(top<StandInEditor>() && top<StandInEditor>()->provenienza == "modifica");

    // In picker use a logo goes back to the browser with its full picture, no preview.
    openGallery(/*asPicker*/ true);
    tap("myCollectionViewLoghi.0.1");
    settle(0.5);
    EXPECT_TRUE(navigation->topViewController() == browser && navigation->viewControllers().size() == 2u) << "back on the browser, no preview";
    ASSERT_TRUE(browser->received);
    EXPECT_EQ(std::tuple(browser->deliveries, browser->received->pixelWidth()), std::tuple(1, 300)) << "the full picture, not the thumbnail";

    // A picked picture that cannot be used is reported and adds nothing.
    gallery = openGallery();
    gallery->imagePickerDidFinishPicking(Image());
    ASSERT_TRUE(alert());
    alert()->performAction(0);
    gallery->imagePickerDidFinishPicking(std::nullopt); // cancelled: nothing, silently
    EXPECT_FALSE(alert());
    EXPECT_EQ(store().myArrLoghiInCore.size(), 3u);

    tap("myButtonBack");
    EXPECT_TRUE(store().myArrLoghiEstratti.empty() && !gallery->myCollectionViewLoghi->superview()) << "back empties the in-memory list and lets the grid go";

    // The editor saves a new logo: one row more, appended to the (emptied) list. Its preview has
    // nothing to delete, and its back makes the editor replace the logo just saved.
    editor = std::dynamic_pointer_cast<StandInEditor>(ScreenRegistry::shared().instantiate("logoEditor").value());
    navigation->pushViewController(editor, false);
    auto saved = addEditorLogo(Color::rgba(0, 0, 1), "nuovo");
    preview = std::dynamic_pointer_cast<PreviewLogoGeneratoViewController>(ScreenRegistry::shared().instantiate("previewlogo").value());
    ASSERT_TRUE(preview);
    SavedLogoPreviewInputs& inputs = *preview;
    inputs.setMyImageLogo(saved->myImage());
    inputs.setMyFramePreview({ 20, 100, 350, 350 });
    inputs.setMyColorViewTemporanea(Color::rgba(0, 0, 1));
    inputs.setMyStringNomeOggetto("0");
    inputs.setMyStringaAppenaSalvata("salvato");
    navigation->pushViewController(preview, false);
    settle(0.1);

    EXPECT_EQ(std::tuple(preview->myStringType, preview->myLabelLogoSalvatoInGalleria->alpha(), preview->myButtonDeleteLogo->isEnabled()), std::tuple("logo", 1.0, false)) << "no index: nothing to delete";
    EXPECT_DOUBLE_EQ(GetParam() == DeviceKind::Phone ? preview->myImageViewPreviewLogo->bounds().width() : 350, 350) << "the editor's canvas frame";
    settle(3.4);
    EXPECT_EQ(preview->myLabelLogoSalvatoInGalleria->presentationAlpha(), 0) << "faded after a while";

    tap("myButtonDeleteLogo");
    EXPECT_FALSE(alert()) << "a disabled delete asks nothing";
    tap("myButtonBack");
    ASSERT_EQ(navigation->topViewController(), editor);
    EXPECT_EQ(editor->indice, std::optional(3)) << "the new logo is the fourth row, whatever the emptied list says";
    // Home, from the saved logo's preview, goes to the bottom of the stack, past the editor.
    navigation->pushViewController(preview, false);
    settle(0.1);
    tap("myButtonHOME");
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

// Delete asks first and acts on the logo shown: one whose picture does not decode included, and
// even after the in-memory list was emptied and reordered behind the preview.
TEST_P(GalleryScreens, DeleteActsOnTheLogoShownAndAnUnreadablePictureIsReported)
{
    for (const char* text : { "A", "B", "C", "D" })
        addEditorLogo(Color::rgba(0, 1, 0), text);
    damageStore("UPDATE DictCoreData SET myImagePng = X'89504E470D0A1A0A0000', thumbnailCache = NULL WHERE Z_PK = (SELECT MIN(Z_PK) FROM DictCoreData)");
    openGallery();
    tap("myCollectionViewLoghi.0.0");
    auto preview = top<PreviewLogoGeneratoViewController>();
    ASSERT_TRUE(preview);
    EXPECT_EQ(std::tuple(preview->myButtonSalvaNelRullino->isEnabled(), preview->myButtonShare->isEnabled(), preview->myButtonDeleteLogo->isEnabled()), std::tuple(false, false, true)) << "nothing to save";
    tap("myButtonDeleteLogo");
    ASSERT_TRUE(alert() && alert()->actions().size() == 2u);
    alert()->performAction(1);
    settle(0.5);
    EXPECT_EQ(storedTexts(), (std::vector<std::string> { "A", "B", "C", "D" })) << "cancel deletes nothing";
    tap("myButtonDeleteLogo");
    alert()->performAction(0);
    settle(0.5);
    EXPECT_EQ(storedTexts(), (std::vector<std::string> { "B", "C", "D" }));

    tap("myCollectionViewLoghi.0.1");
    ASSERT_TRUE(top<PreviewLogoGeneratoViewController>() && top<PreviewLogoGeneratoViewController>()->myIndexFoto == 1);
    // Meanwhile the in-memory list was emptied (as the gallery's back does) and logo B went: C is
    // now the first row, and index 1 would name D.
    store().myArrLoghiEstratti.clear();
    store().metodoCaricaDictOfData();
    ASSERT_TRUE(store().metodoEliminaLogoDalDictWithIndex(0));
    store().myArrLoghiEstratti.clear();
    tap("myButtonDeleteLogo");
    alert()->performAction(0);
    settle(0.5);
    EXPECT_EQ(storedTexts(), std::vector<std::string> { "D" });

    // In picker use an unreadable picture is reported and nothing is handed over.
    ASSERT_TRUE(store().metodoAggiungiSingolaImage(picture(50, 50, Color::rgba(1, 1, 0))));
    damageStore("UPDATE DictCoreData SET myImagePng = X'0102' WHERE Z_PK = (SELECT MAX(Z_PK) FROM DictCoreData)");
    openGallery(true);
    tap("myCollectionViewLoghi.0.1");
    ASSERT_TRUE(alert()) << "the person learns why nothing happened";
    EXPECT_NE(alert()->message().find("logo 2"), std::string::npos) << alert()->message();
    EXPECT_TRUE(browser->deliveries == 0 && top<GalleriaLoghiViewController>());
}

INSTANTIATE_TEST_SUITE_P(Devices, GalleryScreens, ::testing::Values(DeviceKind::Phone, DeviceKind::Tablet),
    [](const auto& info) { return std::string(deviceKindName(info.param)); });

}
}
