#include "StickerTestSupport.h"

#include <platform/foundation/UserDefaults.h>
#include <platform/ui/controls/Toolbar.h>

namespace vd::test {
namespace {

// The height a text needs in the sticker's font at a width, margins included.
double fittedHeight(const std::string& text, double width)
{
    auto measure = View::make<TextView>(Rect(0, 0, width, 10));
    measure->setFont(LDStickerView::myStringFontDefalut, LDStickerView::kTextFontSize);
    measure->setText(text);
    return measure->sizeThatFits({ width, 0 }).height;
}

void tapView(Window& window, const std::string& name)
{
    window.layoutIfNeeded();
    auto view = window.viewNamed(name);
    ASSERT_TRUE(view) << name;
    const Point p = view->convertPointToView(view->bounds().center(), nullptr);
    window.sendTouches(TouchPhase::Began, { { 7, p } });
    window.sendTouches(TouchPhase::Ended, { { 7, p } });
    RunLoop::main().advance(0.5);
}

TEST_F(StickerTest, TextStickerBuildsItsTextViewWithThePlaceholderAndADoneBar)
{
    UserDefaults::standard().removeObjectForKey(LDStickerView::keyColoreEditor);
    auto sticker = addTextSticker(Rect(10, 10, 200, 70), false);
    auto content = sticker->contentView();
    auto text = sticker->myTextField;
    ASSERT_TRUE(content && text);
    EXPECT_EQ(content->frame(), Rect(14, 14, 172, 42));
    EXPECT_EQ(content->tag(), 0) << "only image content is tagged";
    EXPECT_EQ(text->superview(), content);
    EXPECT_EQ(text->frame(), Rect(0, 0, 167, 42));
    EXPECT_EQ(content->subviews().back(), sticker->lineeDiagonali());
    EXPECT_EQ(text->text(), placeholder());
    EXPECT_EQ(text->fontName(), "GillSans-UltraBold");
    EXPECT_EQ(text->fontSize(), 20);
    EXPECT_EQ(text->textAlignment(), TextAlignment::Left);
    EXPECT_EQ(text->textColor(), Color::whiteColor()) << "no stored style: white, for the dark canvas";
    EXPECT_TRUE(text->clipsToBounds());
    EXPECT_FALSE(text->isScrollEnabled());
    EXPECT_EQ(text->autoresizingMask(), unsigned(FlexibleLeftMargin | FlexibleWidth | FlexibleTopMargin | FlexibleHeight | FlexibleBottomMargin));
    EXPECT_EQ(text->delegate().get(), static_cast<TextViewDelegate*>(sticker.get()));
    EXPECT_FALSE(text->isFirstResponder()) << "not asked to edit";

    auto bar = std::dynamic_pointer_cast<Toolbar>(text->inputAccessoryView());
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->barStyle(), Toolbar::Style::BlackTranslucent);
    EXPECT_EQ(bar->tintColor(), Color::whiteColor());
    ASSERT_EQ(bar->items().size(), 2u);
    EXPECT_FALSE(bar->items()[0].button) << "a flexible space before the button";
    EXPECT_EQ(bar->items()[1].button->automationText(), "Done");

    // Replacing a text by an image drops the text view.
    sticker->setContentView(View::make<ImageView>());
    EXPECT_FALSE(sticker->myTextField);
    EXPECT_FALSE(text->superview()->superview());
}

TEST_F(StickerTest, TextColourFollowsTheStoredEditorStyle)
{
    auto& defaults = UserDefaults::standard();
    const Color darkGray { 1.0 / 3, 1.0 / 3, 1.0 / 3, 1 };
    defaults.setInteger(LDStickerView::keyColoreEditor, 1);
    auto sticker = addTextSticker(Rect(10, 10, 200, 70), false);
    EXPECT_EQ(sticker->metodoTornaColoreDaUsare(), darkGray) << "white canvas, dark text";
    EXPECT_EQ(sticker->myTextField->textColor(), darkGray);
    for (long long style : { 2, 3, 7 }) {
        defaults.setInteger(LDStickerView::keyColoreEditor, style);
        EXPECT_EQ(sticker->metodoTornaColoreDaUsare(), Color::whiteColor()) << style;
    }
    defaults.removeObjectForKey(LDStickerView::keyColoreEditor);
    EXPECT_EQ(sticker->metodoTornaColoreDaUsare(), Color::whiteColor());
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
    const double lineHeight = fittedHeight("Logo\nVardenico", width) - fittedHeight("Logo", width);
    EXPECT_GT(lineHeight, 15);
    EXPECT_LT(lineHeight, 40);
    EXPECT_EQ(twoLines - oneLine, lineHeight);
    EXPECT_NEAR(sticker->center().x, centre.x, 1e-9);
    EXPECT_NEAR(sticker->center().y, centre.y, 1e-9);
    EXPECT_NEAR(angleOf(*sticker), radians(30), 1e-12);
    // The content keeps its 14-point margin on every side and the text fills it.
    EXPECT_EQ(sticker->contentView()->frame().height(), twoLines - 28);
    EXPECT_EQ(text->frame().height(), twoLines - 28);

    window->sendKey(Key::Backspace);
    window->sendKey(Key::Backspace);
    for (int i = 0; i < 8; ++i)
        window->sendKey(Key::Backspace);
    EXPECT_EQ(text->text(), "Logo");
    EXPECT_EQ(sticker->bounds().height(), oneLine) << "deleting the break shrinks it back";
    EXPECT_NEAR(sticker->center().x, centre.x, 1e-9);
    EXPECT_NEAR(sticker->center().y, centre.y, 1e-9);
}

TEST_F(StickerTest, ATextStickerAlreadyOnTheCanvasTakesTheKeyboardAtOnce)
{
    auto sticker = addImageSticker(Rect(10, 10, 200, 70));
    sticker->setTextView(true);
    ASSERT_TRUE(sticker->myTextField);
    EXPECT_TRUE(sticker->myTextField->isFirstResponder());
    EXPECT_EQ(window->firstResponder(), sticker->myTextField);
    EXPECT_EQ(sticker->subviews().size(), 4u) << "the image content was replaced";

    // Asked not to edit, a new text leaves the keyboard alone.
    sticker->myTextField->resignFirstResponder();
    sticker->setTextView(false);
    EXPECT_FALSE(window->firstResponder());
}

TEST_F(StickerTest, EndingWithAnEmptyOrSingleSpaceTextRestoresThePlaceholder)
{
    auto sticker = addTextSticker(Rect(10, 10, 200, 70), true);
    auto text = sticker->myTextField;
    ASSERT_TRUE(text->isFirstResponder());
    ASSERT_EQ(text->text(), "");
    tapView(*window, "keyboardDoneButton");
    EXPECT_FALSE(text->isFirstResponder());
    EXPECT_EQ(text->text(), placeholder()) << "nothing typed";

    ASSERT_TRUE(text->becomeFirstResponder());
    EXPECT_EQ(text->text(), "");
    window->sendText(" ");
    tapView(*window, "keyboardDoneButton");
    EXPECT_EQ(text->text(), placeholder()) << "a single space";

    ASSERT_TRUE(text->becomeFirstResponder());
    window->sendText("  ");
    text->resignFirstResponder();
    EXPECT_EQ(text->text(), "  ") << "two spaces are a text";

    ASSERT_TRUE(text->becomeFirstResponder());
    EXPECT_EQ(text->text(), "  ") << "only the placeholder is cleared";
    window->sendText("Logo");
    text->resignFirstResponder();
    EXPECT_EQ(text->text(), "  Logo");
}

}
}
