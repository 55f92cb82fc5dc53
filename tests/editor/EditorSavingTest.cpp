#include "EditorTestSupport.h"

#include <platform/foundation/Files.h>
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
    EXPECT_EQ(navigation->topViewController(), first) << "without a preview screen the editor returns to its opener";
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
