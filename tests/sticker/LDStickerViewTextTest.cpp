#include "StickerTestSupport.h"

#include <platform/foundation/UserDefaults.h>

namespace vd::test {
namespace {

// The height a text needs in the sticker's font at a width, margins included.
double fittedHeight(const std::string& text, double width = 10000)
{
    auto measure = View::make<TextView>(Rect(0, 0, width, 10));
    measure->setFont(LDStickerView::myStringFontDefalut, LDStickerView::kTextFontSize);
    measure->setText(text);
    return measure->sizeThatFits({ width, 0 }).height;
}

TEST_F(StickerTest, ATextStickerShowsThePlaceholderInTheColourOfTheStoredEditorStyle)
{
    auto& defaults = UserDefaults::standard();
    defaults.removeObjectForKey(LDStickerView::keyColoreEditor);
    auto sticker = addTextSticker(Rect(10, 10, 200, 70), false);
    ASSERT_TRUE(sticker->myTextField);
    EXPECT_EQ(std::tuple(sticker->myTextField->text(), sticker->myTextField->textColor(), sticker->myTextField->isFirstResponder()), std::tuple(placeholder(), Color::whiteColor(), false))
        << "no stored style: white, for the dark canvas; not asked to edit";
    defaults.setInteger(LDStickerView::keyColoreEditor, 1);
    EXPECT_EQ(addTextSticker(Rect(10, 100, 200, 70), false)->myTextField->textColor(), (Color { 1.0 / 3, 1.0 / 3, 1.0 / 3, 1 })) << "white canvas, dark text";
    defaults.removeObjectForKey(LDStickerView::keyColoreEditor);

    // Replacing a text by an image drops the text view; a text asked to edit takes the keyboard.
    sticker->setContentView(View::make<ImageView>());
    EXPECT_FALSE(sticker->myTextField);
    sticker->setTextView(true);
    ASSERT_TRUE(sticker->myTextField);
    EXPECT_EQ(window->firstResponder(), sticker->myTextField);
}

TEST_F(StickerTest, TypedLineBreaksGrowTheHeightKeepingCentreAndAngle)
{
    auto sticker = addTextSticker(Rect(60, 60, 240, 70), true);
    auto text = sticker->myTextField;
    ASSERT_TRUE(text->isFirstResponder()) << "asked to edit: it takes the keyboard on arrival";
    EXPECT_EQ(text->text(), "") << "beginning to edit the placeholder clears it";
    sticker->setTransform(AffineTransform::rotation(radians(30)));
    const Point centre = sticker->center();
    const double width = text->bounds().width();

    window->sendText("Logo");
    const double oneLine = sticker->bounds().height();
    EXPECT_EQ(oneLine, fittedHeight("Logo", width) + 30);
    EXPECT_EQ(sticker->bounds().width(), 240) << "the width belongs to the resize handle";

    window->sendKey(Key::Return);
    window->sendText("Vardenico");
    const double twoLines = sticker->bounds().height();
    EXPECT_EQ(twoLines - oneLine, fittedHeight("Logo\nVardenico", width) - fittedHeight("Logo", width));
    EXPECT_TRUE(nearly(sticker->center(), centre));
    EXPECT_NEAR(angleOf(*sticker), radians(30), 1e-12);

    for (int i = 0; i < 10; ++i)
        window->sendKey(Key::Backspace);
    EXPECT_EQ(text->text(), "Logo");
    EXPECT_EQ(sticker->bounds().height(), oneLine) << "deleting the break shrinks it back";
    EXPECT_TRUE(nearly(sticker->center(), centre));
}

TEST_F(StickerTest, TypedTextIsRefittedAtTheWidthItIsDrawnAt)
{
    // The narrowest text view that holds "Logo Vardenico" on one line.
    const std::string words = "Logo Vardenico";
    const double oneLine = fittedHeight("Logo");
    double natural = 1;
    while (natural < 1000 && fittedHeight(words, natural) > oneLine)
        natural += 1;
    ASSERT_LT(natural, 1000);
    // A sticker whose text is drawn 10 points narrower than that (its text view is 33 points
    // narrower than the sticker), so the words wrap onto two lines.
    auto sticker = addTextSticker(Rect(20, 20, natural + 23, 70), true);
    ASSERT_NEAR(sticker->myTextField->bounds().width(), natural - 10, 1e-9);
    window->sendText(words);
    EXPECT_EQ(sticker->bounds().height(), fittedHeight("Logo\nVardenico") + 30) << "two lines tall, so the second is not cut off";
    // The text fills the content, which keeps the 14-point margin below as above: its edge runs
    // through the centres of the bottom handles.
    EXPECT_EQ(sticker->myTextField->frame().height(), sticker->bounds().height() - 28);
    EXPECT_EQ(sticker->contentView()->frame().maxY(), sticker->rotateView()->frame().midY());
    EXPECT_EQ(sticker->contentView()->frame().maxY(), sticker->resizeView()->frame().midY());
}

TEST_F(StickerTest, EndingWithAnEmptyOrSingleSpaceTextRestoresThePlaceholder)
{
    auto sticker = addTextSticker(Rect(10, 10, 200, 70), true);
    auto text = sticker->myTextField;
    for (const char* typed : { "", " " }) {
        ASSERT_TRUE(text->isFirstResponder() || text->becomeFirstResponder());
        window->sendText(typed);
        window->layoutIfNeeded();
        tap(window->viewNamed("keyboardDoneButton")->convertPointToView(window->viewNamed("keyboardDoneButton")->bounds().center(), nullptr));
        EXPECT_TRUE(!text->isFirstResponder() && text->text() == placeholder()) << '"' << typed << '"';
    }

    ASSERT_TRUE(text->becomeFirstResponder());
    window->sendText("  ");
    text->resignFirstResponder();
    ASSERT_TRUE(text->becomeFirstResponder());
    EXPECT_EQ(text->text(), "  ") << "two spaces are a text: only the placeholder is cleared";
    window->sendText("Logo");
    text->resignFirstResponder();
    EXPECT_EQ(text->text(), "  Logo");
}

}
}
