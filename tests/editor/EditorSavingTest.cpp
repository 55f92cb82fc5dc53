#include "EditorTestSupport.h"

#include <platform/ui/presentation/AlertController.h>

namespace vd::test {
namespace {

size_t storedLogos()
{
    auto& store = mySingleElementiManage::sharedInstance();
    store.metodoCaricaDictOfData();
    return store.myArrLoghiEstratti.size();
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
        return store.myArrLoghiEstratti.back()->myImage().value_or(Image());
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
    ASSERT_TRUE(!selected.isEmpty() && selected.pixelWidth() == plain.pixelWidth());
    EXPECT_TRUE(selected.buffer()->pixels == plain.buffer()->pixels) << "pixels of the handles reached the saved picture";
}

}
}
