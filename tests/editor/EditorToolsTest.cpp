#include "EditorTestSupport.h"


namespace vd::test {
namespace {

TEST_F(EditorTest, ANameTheCatalogueLacksShowsAnEmptyCellAndAddsNothing)
{
    auto& e = open();
    e.myArrNomiFormeDaSingle = { "no-such-picture", "s" };
    e.myCollectionForme->reloadData();
    settle(0.1);
    auto cell = std::dynamic_pointer_cast<collectionImmaginiFormeCell>(named("myCollectionForme.0.0"));
    ASSERT_TRUE(cell);
    tapView(*cell);
    EXPECT_TRUE(cell->myImageViewForme->image().isEmpty() && e.stickers().empty());
    e.paletteDidSelectItem(7);
    EXPECT_TRUE(e.stickers().empty()) << "an index outside the list is ignored";
}

// The text tools act on the selected text: a size the list lacks leaves the size picker where it
// was, a bigger size grows the text about its centre and keeps its turn. With an image selected the
// pickers change nothing, and with nothing selected a colour only changes the buttons.
TEST_F(EditorTest, SizeFontAlignmentPickersAndColoursFollowTheSelection)
{
    auto odd = textRecord("Logo", 120, 120, 0.3);
    odd.fontSize = 13; // not in the size list
    auto& e = open({ odd, imageRecord("s", 330, 330) });
    const long before = e.myPickerViewFontSize->selectedRowInComponent(0);
    tap(onCanvas({ 120, 120 }));
    const auto text = e.selectedSticker();
    ASSERT_TRUE(text && text->myTextField);
    EXPECT_EQ(std::tuple(e.myPickerViewFontSize->selectedRowInComponent(0), e.mySegmentedControlAllineamnto->selectedSegmentIndex()), std::tuple(before, 1)) << "13 points leaves the size picker where it was";

    const double heightBefore = text->bounds().height();
    e.pickerViewDidSelectRow(*e.myPickerViewFontSize, std::find(e.myArrayFontSize.begin(), e.myArrayFontSize.end(), 144) - e.myArrayFontSize.begin());
    EXPECT_TRUE(text->myTextField->fontSize() == 144 && text->bounds().height() > heightBefore + 100 && text->bounds().width() >= 200);
    EXPECT_NEAR(text->center().x, 120, 1e-9);
    EXPECT_NEAR(text->center().y, 120, 1e-9);
    EXPECT_NEAR(angleOf(*text), 0.3, 1e-9);

    tap(centreOf(*e.mySegmentedControlAllineamnto) + Point { e.mySegmentedControlAllineamnto->bounds().width() / 3, 0 });
    EXPECT_EQ(text->myTextField->textAlignment(), TextAlignment::Right);
    ASSERT_FALSE(e.myArrayPickerFontData.empty());
    e.pickerViewDidSelectRow(*e.myPickerViewFont, static_cast<long>(e.myArrayPickerFontData.size()) - 1);
    EXPECT_TRUE(!LogoMakerController::fontCanBeLoaded(e.myArrayPickerFontData.back()) || text->myTextField->fontName() == e.myArrayPickerFontData.back());

    tap(onCanvas({ 330, 330 }));
    const auto font = text->myTextField->fontName();
    e.pickerViewDidSelectRow(*e.myPickerViewFont, 0);
    EXPECT_EQ(text->myTextField->fontName(), font);

    tap(onCanvas({ 330, 330 }));
    ASSERT_EQ(e.selectedSticker(), nullptr);
    const Color tint = e.stickers()[1]->tintColor();
    e.colorPickerDidColorSelected(Color::rgba(0, 1, 0), "#00ff00");
    EXPECT_EQ(std::tuple(e.stickers()[1]->tintColor(), e.myButtonColorPicker->backgroundColor(), e.myButtonTextColor->backgroundColor()),
        std::tuple(tint, std::optional(Color::rgba(0, 1, 0)), std::optional(Color::rgba(0, 1, 0))));
}

TEST_F(EditorTest, TheCanvasStyleIsStoredAndGivesTheTintOfNewShapes)
{
    auto& e = open();
    EXPECT_EQ(e.myViewTemporanea->backgroundColor(), e.myButtonDarkProperty->backgroundColor()) << "no stored style is dark";
    e.metodoAggiungiFormaWithNomeImmagine("s");
    auto earlier = e.stickers()[0];
    tapView(*e.myButtonEntraSettingProp);
    EXPECT_EQ(e.myViewBgSetting->center(), e.Centro);
    tapView(*e.myButtonWhiteProperty);
    settle(0.5);
    EXPECT_TRUE(e.myViewTemporanea->backgroundColor() == e.myButtonWhiteProperty->backgroundColor() && UserDefaults::standard().integerForKey("keycoloreeditototo") == 1);
    tapView(*e.myButtonEsceViewSetting);
    EXPECT_EQ(e.myViewBgSetting->center().x, 3 * e.Centro.x);
    auto later = e.metodoAggiungiFormaWithNomeImmagine("q");
    EXPECT_EQ(later->tintColor(), *e.myButtonDarkProperty->backgroundColor());
    EXPECT_EQ(earlier->tintColor(), Color::whiteColor()) << "shapes added before keep theirs";

    auto& reopened = open();
    EXPECT_EQ(reopened.myViewTemporanea->backgroundColor(), reopened.myButtonWhiteProperty->backgroundColor()) << "the style persists";
    // A stored style the editor does not know changes nothing.
    UserDefaults::standard().setInteger("keycoloreeditototo", 7);
    auto& unknown = open();
    EXPECT_EQ(unknown.myViewTemporanea->backgroundColor(), Color::fromCode("#34343e")) << "the canvas keeps the layout's colour";
    EXPECT_FALSE(unknown.coloreDefaultOggettiAggiunti);
}

// The tutorial shows on the editor's first opening only (walked by the road); after it, help brings it back.
TEST_F(EditorTest, TheHelpButtonBringsTheTutorialBack)
{
    auto& e = open();
    EXPECT_TRUE(e.myViewBgTutorial->alpha() == 0 && e.myViewBgTutorial->center().x == 3 * e.Centro.x);
    tapView(*e.myButtonEtraTutorial);
    EXPECT_TRUE(e.myViewBgTutorial->alpha() == 1 && e.myViewBgTutorial->center() == e.Centro);
}

}
}
