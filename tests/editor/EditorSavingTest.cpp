#include "EditorTestSupport.h"

#include <library/LogoScreenInputs.h>
#include <platform/foundation/Files.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/ui/presentation/AlertController.h>

namespace vd::test {
namespace {

size_t storedLogos()
{
    auto& store = mySingleElementiManage::sharedInstance();
    store.metodoCaricaDictOfData();
    return store.myArrLoghiEstratti.size();
}

std::string analytics()
{
    auto bytes = files::readAll(editorHome().path() / "analytics.jsonl");
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST_F(EditorTest, AnEmptyCanvasIsNotSavedAndLeavesAtOnceALayeredOneAsksFirst)
{
    auto& e = open();
    const size_t before = storedLogos();
    tapView(*e.myButtonSaveLogoProp);
    ASSERT_TRUE(e.myAlertAperto && e.myAlertAperto->isPresented());
    ASSERT_EQ(std::tuple(e.myAlertAperto->message(), e.myAlertAperto->actions().size()), std::tuple(mySingleScritte::sharedInstance().stringaSalvaLogoVuoto(), 1uz));
    e.myAlertAperto->performAction(0);
    settle(1);
    EXPECT_EQ(storedLogos(), before);
    tapView(*e.myButtonBack);
    settle(1);
    EXPECT_EQ(navigation->topViewController(), first) << "no alert for an empty canvas";

    auto& full = open({ imageRecord("s", 100, 100) });
    tapView(*full.myButtonBack);
    ASSERT_TRUE(full.myAlertAperto && full.myAlertAperto->isPresented());
    full.myAlertAperto->performAction(0); // Annulla
    settle(1);
    EXPECT_EQ(navigation->topViewController(), editor);
    tapView(*full.myButtonBack);
    full.myAlertAperto->performAction(1); // Ok
    settle(1);
    EXPECT_EQ(navigation->topViewController(), first);
}

// A reopened logo saved replaces it and goes back down the stack: to position 1 from the gallery,
// to position 2 from the apply screen, to the root when the stack is shorter than that.
TEST_F(EditorTest, SavingAReopenedLogoReplacesItAndGoesBackDownTheStack)
{
    auto& store = mySingleElementiManage::sharedInstance();
    storedLogos();
    {
        auto& e = open();
        e.metodoAggiungiFormaWithNomeImmagine("c");
        tapView(*e.myButtonSaveLogoProp);
        settle(1);
    }
    const size_t count = storedLogos();
    ASSERT_GE(count, 1u);
    auto reopen = [&](bool fromApply) -> LogoMakerController& {
        auto& e = open(*store.myArrLoghiEstratti.back()->myArrViewModel, DeviceKind::Phone, static_cast<int>(count - 1), "modifica");
        e.myBoolQuintara = fromApply;
        return e;
    };
    auto& e = reopen(false);
    ASSERT_EQ(e.stickers().size(), 1u);
    auto middle = std::make_shared<ViewController>(), third = std::make_shared<ViewController>();
    navigation->setViewControllers({ first, middle, editor }, false);
    e.metodoAggiungiFormaWithNomeImmagine("q");
    tapView(*e.myButtonSaveLogoProp);
    settle(1);
    EXPECT_TRUE(navigation->topViewController() == middle && storedLogos() == count) << "back to stack position 1, replaced, not added";
    ASSERT_EQ(store.myArrLoghiEstratti.back()->myArrViewModel->size(), 2u);

    auto& fromApply = reopen(true);
    navigation->setViewControllers({ first, middle, third, editor }, false);
    tapView(*fromApply.myButtonSaveLogoProp);
    settle(1);
    EXPECT_EQ(navigation->topViewController(), third);
    auto& shortStack = reopen(true);
    tapView(*shortStack.myButtonSaveLogoProp);
    settle(1);
    EXPECT_TRUE(navigation->topViewController() == first && storedLogos() == count);
}

TEST_F(EditorTest, TheSavedPictureShowsNoEditingHandles)
{
    auto& store = mySingleElementiManage::sharedInstance();
    auto savedPicture = [&] {
        storedLogos();
        auto png = store.myArrLoghiEstratti.back()->imagePngData();
        EXPECT_TRUE(png);
        auto picture = png ? decodePng(*png) : Result<Image>(fail("logo", "no picture"));
        EXPECT_TRUE(picture);
        return picture ? *picture : Image();
    };
    std::vector<ViewModel> records;
    Image selected;
    {
        auto& e = open();
        auto shape = e.metodoAggiungiFormaWithNomeImmagine("s");
        ASSERT_EQ(shape->isShowingEditingHandles(), true) << "a new shape comes selected, its handles showing";
        shape->setCenter({ 120, 130 });
        tapView(*e.myButtonSaveLogoProp);
        settle(1);
        selected = savedPicture();
        records = *store.myArrLoghiEstratti.back()->myArrViewModel;
    }
    // The same layer, reopened and never selected, saved again: the pictures are the same.
    auto& e = open(records);
    tapView(*e.myButtonSaveLogoProp);
    settle(1);
    const Image plain = savedPicture();
    ASSERT_TRUE(!selected.isEmpty() && selected.pixelWidth() == plain.pixelWidth() && selected.pixelHeight() == plain.pixelHeight());
    int different = 0;
    for (int y = 0; y < plain.pixelHeight(); ++y)
        for (int x = 0; x < plain.pixelWidth(); ++x)
            different += selected.pixelAt(x, y) != plain.pixelAt(x, y);
    EXPECT_EQ(different, 0) << "pixels of the handles reached the saved picture";
}

// Stands in for the saved-logo preview: it keeps what the editor hands over.
class PreviewStandIn : public ViewController, public SavedLogoPreviewInputs {
public:
    std::string className() const override { return "PreviewStandIn"; }
    void setMyImageLogo(std::optional<Image> picture) override { image = std::move(picture); }
    void setMyFramePreview(Rect canvasFrame) override { frame = canvasFrame; }
    void setMyColorViewTemporanea(std::optional<Color> colour) override { canvas = colour; }
    void setMyStringNomeOggetto(std::string key) override { nome = std::move(key); }
    void setMyStringaAppenaSalvata(std::string saved) override { salvato = std::move(saved); }
    std::optional<Image> image;
    Rect frame;
    std::optional<Color> canvas;
    std::string nome, salvato;
};

// A new logo is stored and handed, with the canvas's frame and colour, to the saved-logo preview.
TEST_F(EditorTest, ANewLogoIsHandedToThePreviewWhenThereIsOne)
{
    // The editor's layouts in a folder of their own, where "previewlogo" has no layout.
    TemporaryFolder ui;
    const auto resources = ScreenRegistry::shared().interfaceDirectory();
    std::filesystem::create_directories(ui / "phone");
    std::filesystem::copy_file(resources / "theme.json", ui / "theme.json");
    for (const char* name : { "logoEditor.json", "sbColorPicker.json" })
        std::filesystem::copy_file(resources / "phone" / name, ui / "phone" / name);
    ScreenRegistry::shared().setInterfaceDirectory(ui.path());
    ScreenRegistry::shared().registerClass<PreviewStandIn>("PreviewStandIn");
    ScreenRegistry::shared().registerScreen("previewlogo", "PreviewStandIn");

    const size_t before = storedLogos();
    auto& e = open();
    e.setNomeKeyImg("7");
    e.metodoAggiungiFormaWithNomeImmagine("s");
    tapView(*e.myButtonSaveLogoProp);
    settle(1);
    auto preview = std::dynamic_pointer_cast<PreviewStandIn>(navigation->topViewController());
    ScreenRegistry::shared().setInterfaceDirectory({});
    ASSERT_TRUE(preview) << "the preview is pushed over the editor";
    ASSERT_TRUE(preview->image);
    EXPECT_EQ(std::tuple(preview->image->pixelWidth(), preview->frame, preview->canvas, preview->nome, preview->salvato, storedLogos()), std::tuple(2800, e.myViewTemporanea->frame(), e.coloreViewTempo, "7", "salvato", before + 1));
    EXPECT_TRUE(analytics().contains("Logo Maker Salva Logo") && analytics().contains("Logo Maker Appear")) << analytics();
}

}
}
