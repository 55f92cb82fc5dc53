#include "EditorTestSupport.h"

namespace vd::test {
namespace {

TEST_F(EditorTest, ReopenedRecordsBuildTheLayersBottomFirstAndThoseThatCannotBeShownAreSkipped)
{
    auto unknownFont = textRecord("x", 50, 50);
    unknownFont.fontName = "NoSuchFont-Bold";
    auto shape = imageRecord("s", 100, 100);
    shape.type = "shape";
    // Saved on a larger canvas: the layer is brought back onto this one.
    auto& e = open({ textRecord("Vardenico", 120, 100, 0.5), imageRecord("no-such-picture", 10, 10), unknownFont, shape, imageRecord("s", 1900, -40) });
    const auto layers = e.stickers();
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(e.myNumLayerSaltati, 3);
    ASSERT_TRUE(layers[0]->myTextField) << "the first record is the bottom layer";
    EXPECT_EQ(std::tuple(layers[0]->myTextField->text(), layers[0]->myTextField->fontSize(), layers[0]->myTextField->textAlignment()), std::tuple("Vardenico", 24, TextAlignment::Center));
    EXPECT_NEAR(angleOf(*layers[0]), 0.5, 1e-9);
    EXPECT_EQ(std::tuple(bool(layers[1]->myTextField), layers[1]->nomeImmagine, layers[1]->center()), std::tuple(false, "s", Point { 390, 0 }));
    EXPECT_TRUE(!e.selectedSticker() && layers[0]->closeView()->isHidden() && layers[1]->closeView()->isHidden()) << "rebuilt layers show no handles";
    EXPECT_EQ(std::tuple(layers[0]->name(), layers[1]->name()), std::tuple("myViewTemporanea.0", "myViewTemporanea.1"));
}

// Selection, the layer table, the opacity slider and deleting a layer, in one walk over three layers.
TEST_F(EditorTest, SelectionTableOpacityAndDeleteOfLayers)
{
    auto& e = open({ imageRecord("s", 80, 80), imageRecord("q", 200, 200), imageRecord("c", 320, 320) });
    const auto start = e.stickers();
    auto bottom = start[0];
    tap(onCanvas({ 80, 80 }));
    EXPECT_TRUE(e.selectedSticker() == bottom && !bottom->closeView()->isHidden());
    EXPECT_TRUE(e.stickers().back() == bottom && bottom->name() == "myViewTemporanea.2") << "the selected layer goes to the top";
    EXPECT_EQ(std::tuple(e.mySliderAlpha->value(), e.myButtonColorPicker->backgroundColor()), std::tuple(1, std::optional(Color::rgba(1, 0, 0, 1)))) << "the slider and the colour button follow the selection";
    tap(onCanvas({ 80, 80 }));
    EXPECT_TRUE(!e.selectedSticker() && bottom->closeView()->isHidden()) << "a second tap deselects";
    tap(onCanvas({ 80, 80 }));
    ASSERT_EQ(e.selectedSticker(), bottom);
    tap(onCanvas({ 200, 30 })); // bare canvas
    EXPECT_TRUE(!e.selectedSticker() && bottom->closeView()->isHidden());

    // The opacity slider sets the selected layer's content; the sticker and its handles stay opaque.
    tap(onCanvas({ 200, 200 }));
    auto middle = e.selectedSticker();
    ASSERT_EQ(middle, start[1]);
    e.mySliderAlpha->setValue(0.35);
    e.mySliderAlpha->sendActions(ControlEvent::ValueChanged);
    EXPECT_DOUBLE_EQ(middle->contentView()->alpha(), 0.35);
    EXPECT_DOUBLE_EQ(middle->alpha(), 1);

    // Choosing a row of the table selects that layer (to the top) and closes the table.
    tapView(*e.myButtonEntraTableLayer);
    EXPECT_TRUE(e.myViewBgtableLayer->center() == e.Centro && e.myTableViewLayer->numberOfRowsInSection(0) == 3);
    const auto order = e.stickers(); // c, s, q
    tapView(*named("myTableViewLayer.0.1"));
    EXPECT_TRUE(e.selectedSticker() == order[1] && e.stickers().back() == order[1] && e.myViewBgtableLayer->center().x == 3 * e.Centro.x);

    // A deleted layer that was selected is neither saved nor a problem later.
    tap(onCanvas({ 320, 320 }));
    auto doomed = e.selectedSticker();
    ASSERT_TRUE(doomed);
    tapView(*doomed->closeView());
    EXPECT_TRUE(e.stickers().size() == 2u && !e.selectedSticker());
    e.mySliderAlpha->setValue(0.2);
    e.mySliderAlpha->sendActions(ControlEvent::ValueChanged);
    tap(onCanvas({ 80, 80 }));
    EXPECT_TRUE(e.selectedSticker() == bottom && mySingleElementiManage::metodoRecordDaCanvas(*e.myViewTemporanea).size() == 2u);
}

// The guides hide when a drag is cancelled, and are drawn anew and hidden at every appearance.
TEST_F(EditorTest, GuidesHideOnACancelledDragAndAreRedrawnHiddenAtEveryAppearance)
{
    auto& e = open({ imageRecord("s", 100, 100) });
    test::drag(*window, onCanvas({ 100, 100 }), onCanvas({ 195, 195 }), 20, false);
    ASSERT_FALSE(e.lineVerticale->isHidden() || e.lineOrizzontale->isHidden());
    window->sendTouches(TouchPhase::Cancelled, { { 1, onCanvas({ 195, 195 }) } });
    settle(0.5);
    EXPECT_TRUE(e.lineVerticale->isHidden() && e.lineOrizzontale->isHidden());

    auto firstPair = e.lineOrizzontale;
    e.lineOrizzontale->setHidden(false);
    navigation->pushViewController(std::make_shared<ViewController>(), false);
    navigation->popViewController(false);
    settle(0.5);
    EXPECT_TRUE(e.lineOrizzontale != firstPair && e.lineOrizzontale->isHidden() && e.lineVerticale->isHidden());
    EXPECT_EQ(e.myViewTemporanea->layer().sublayers().size(), 2u) << "only the new pair is on the canvas";
}

TEST_F(EditorTest, ZoomingTheSelectedTextWithTwoFingersKeepsItsSizeInItsBounds)
{
    auto& e = open({ textRecord("Logo", 200, 200, 0.4) });
    auto text = e.stickers()[0];
    tap(onCanvas({ 200, 200 }));
    ASSERT_EQ(e.selectedSticker(), text);
    const Rect before = text->bounds();
    // Two fingers on the bare canvas spread from 80 to 120 points apart: one and a half times.
    test::pinch(*window, onCanvas({ 100, 330 }), 80, 120, 20);
    settle(0.5);
    EXPECT_NEAR(text->bounds().width(), before.width() * 1.5, 0.01);
    EXPECT_NEAR(text->bounds().height(), before.height() * 1.5, 0.01);
    EXPECT_NEAR(std::hypot(text->transform().a, text->transform().b), 1, 1e-9) << "the zoom is folded into the bounds";
    EXPECT_NEAR(angleOf(*text), 0.4, 1e-9);
    EXPECT_NEAR(text->myTextField->fontSize(), 36, 0.01);
    EXPECT_EQ(e.myScrollViewLogoComposer->zoomScale(), 1);
    const auto records = mySingleElementiManage::metodoRecordDaCanvas(*e.myViewTemporanea);
    EXPECT_NEAR(records[0].largezza, before.width() * 1.5, 0.01);
}

}
}
