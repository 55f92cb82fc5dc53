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

TEST_F(EditorTest, AnEmptyCanvasIsNotSaved)
{
    auto& e = open();
    const size_t before = storedLogos();
    tapView(*e.myButtonSaveLogoProp);
    ASSERT_TRUE(e.myAlertAperto && e.myAlertAperto->isPresented());
    EXPECT_EQ(e.myAlertAperto->title(), "Vardenico");
    EXPECT_EQ(e.myAlertAperto->message(), mySingleScritte::sharedInstance().stringaSalvaLogoVuoto());
    ASSERT_EQ(e.myAlertAperto->actions().size(), 1u);
    EXPECT_EQ(e.myAlertAperto->actions()[0].title, "OK");
    EXPECT_EQ(storedLogos(), before);
}

TEST_F(EditorTest, SavingANewLogoStoresItsLayersAndReturns)
{
    auto& e = open();
    const size_t before = storedLogos();
    e.metodoAggiungiFormaWithNomeImmagine("s");
    e.metodoAggiungitesto();
    window->sendText("Vardenico");
    tap(onCanvas({ 300, 300 })); // bare canvas: deselect, text editing ends
    const Color canvas = *e.myViewTemporanea->backgroundColor();
    tapView(*e.myButtonSaveLogoProp);
    settle(1);
    ASSERT_EQ(storedLogos(), before + 1);
    const auto& logo = *mySingleElementiManage::sharedInstance().myArrLoghiEstratti.back();
    ASSERT_TRUE(logo.myArrViewModel);
    ASSERT_EQ(logo.myArrViewModel->size(), 2u);
    EXPECT_EQ(logo.myArrViewModel->at(0).type, "image");
    EXPECT_EQ(logo.myArrViewModel->at(1).type, "text");
    EXPECT_EQ(logo.myArrViewModel->at(1).testo, "Vardenico");
    EXPECT_EQ(logo.myColoreSfongo, canvas);
    EXPECT_EQ(e.coloreViewTempo, canvas);
    // A new logo opens the saved-logo preview with the picture and the canvas colour.
    auto preview = std::dynamic_pointer_cast<SavedLogoPreviewInputs>(navigation->topViewController());
    ASSERT_TRUE(preview) << "a new logo goes on to the saved-logo preview";
    EXPECT_NE(navigation->topViewController(), first);
    EXPECT_NE(analytics().find("Logo Maker Salva Logo"), std::string::npos);
    EXPECT_NE(analytics().find("Logo Maker Appear"), std::string::npos);
}

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
    const auto records = *store.myArrLoghiEstratti.back()->myArrViewModel;
    auto& e = open(records, DeviceKind::Phone, static_cast<int>(count - 1), "modifica");
    ASSERT_EQ(e.stickers().size(), 1u);
    auto screens = navigation->viewControllers();
    auto middle = std::make_shared<ViewController>();
    navigation->setViewControllers({ first, middle, editor }, false);
    e.metodoAggiungiFormaWithNomeImmagine("q");
    tapView(*e.myButtonSaveLogoProp);
    settle(1);
    EXPECT_EQ(navigation->topViewController(), middle) << "back to stack position 1";
    EXPECT_EQ(storedLogos(), count) << "replaced, not added";
    ASSERT_EQ(store.myArrLoghiEstratti.back()->myArrViewModel->size(), 2u);
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
    ASSERT_FALSE(selected.isEmpty());
    ASSERT_EQ(selected.pixelWidth(), plain.pixelWidth());
    ASSERT_EQ(selected.pixelHeight(), plain.pixelHeight());
    int different = 0;
    for (int y = 0; y < plain.pixelHeight(); ++y)
        for (int x = 0; x < plain.pixelWidth(); ++x)
            different += selected.pixelAt(x, y) != plain.pixelAt(x, y);
    EXPECT_EQ(different, 0) << "pixels of the handles reached the saved picture";
}

TEST_F(EditorTest, AReopenedCanvasMatchesTheSavedOne)
{
    auto& e = open();
    auto shape = e.metodoAggiungiFormaWithNomeImmagine("s");
    shape->setCenter({ 140, 150 });
    shape->setTransform(AffineTransform::rotation(0.7));
    e.colorPickerDidColorSelected(Color::fromCode("#00ff7f"), "#00ff7f");
    e.mySliderAlpha->setValue(0.35);
    e.mySliderAlpha->sendActions(ControlEvent::ValueChanged);
    auto text = e.metodoAggiungitesto();
    text->myTextField->setText("Uno\nDue");
    text->setCenter({ 250, 260 });
    tap(onCanvas({ 380, 20 }));
    const auto saved = mySingleElementiManage::metodoRecordDaCanvas(*e.myViewTemporanea);

    auto& reopened = open(saved);
    const auto again = mySingleElementiManage::metodoRecordDaCanvas(*reopened.myViewTemporanea);
    EXPECT_EQ(again, saved);
}

}
}

namespace vd::test {
namespace {

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

    auto& e = open();
    e.setNomeKeyImg("7");
    e.metodoAggiungiFormaWithNomeImmagine("s");
    tapView(*e.myButtonSaveLogoProp);
    settle(1);
    auto preview = std::dynamic_pointer_cast<PreviewStandIn>(navigation->topViewController());
    ScreenRegistry::shared().setInterfaceDirectory({});
    ASSERT_TRUE(preview) << "the preview is pushed over the editor";
    ASSERT_TRUE(preview->image);
    EXPECT_EQ(preview->image->pixelWidth(), 2800);
    EXPECT_EQ(preview->frame, e.myViewTemporanea->frame());
    EXPECT_EQ(preview->canvas, e.coloreViewTempo);
    EXPECT_EQ(preview->nome, "7");
    EXPECT_EQ(preview->salvato, "salvato");
}

TEST_F(EditorTest, AReopenedLogoFromTheApplyScreenReturnsToStackPositionTwo)
{
    storedLogos();
    {
        auto& e = open();
        e.metodoAggiungiFormaWithNomeImmagine("c");
        tapView(*e.myButtonSaveLogoProp);
        settle(1);
    }
    const size_t count = storedLogos();
    auto& e = open(*mySingleElementiManage::sharedInstance().myArrLoghiEstratti.back()->myArrViewModel, DeviceKind::Phone, static_cast<int>(count - 1), "modifica");
    e.myBoolQuintara = true;
    auto second = std::make_shared<ViewController>(), third = std::make_shared<ViewController>();
    navigation->setViewControllers({ first, second, third, editor }, false);
    tapView(*e.myButtonSaveLogoProp);
    settle(1);
    EXPECT_EQ(navigation->topViewController(), third);

    // A stack shorter than the position goes back to the root.
    auto& short_ = open(*mySingleElementiManage::sharedInstance().myArrLoghiEstratti.back()->myArrViewModel, DeviceKind::Phone, static_cast<int>(count - 1), "modifica");
    short_.myBoolQuintara = true;
    tapView(*short_.myButtonSaveLogoProp);
    settle(1);
    EXPECT_EQ(navigation->topViewController(), first);
    EXPECT_EQ(storedLogos(), count);
}

}
}
