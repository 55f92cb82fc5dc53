#include <TestSupport.h>

#include <platform/ui/controls/TextView.h>
#include <platform/ui/controls/Toolbar.h>

#include <nlohmann/json.hpp>
#include <thread>

namespace vd {
namespace {

class Recorder : public TextViewDelegate {
public:
    void textViewDidBeginEditing(TextView& view) override { events.push_back("begin:" + view.text()); }
    void textViewDidChange(TextView& view) override { events.push_back("change:" + view.text()); }
    void textViewDidEndEditing(TextView& view) override { events.push_back("end:" + view.text()); }
    std::vector<std::string> events;
};

struct Editing {
    std::shared_ptr<Window> window = View::make<Window>(Size { 320, 480 });
    std::shared_ptr<TextView> text = View::make<TextView>(Rect { 10, 10, 200, 70 });
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    Editing()
    {
        text->setFont("Helvetica", 20);
        text->setDelegate(recorder);
        window->addSubview(text);
    }
    void keys(std::initializer_list<Key> keys)
    {
        for (Key key : keys)
            window->sendKey(key);
    }
};

TEST(TextView, TypingMovingTheCaretUpAndDownByColumnDeletingCleaningAndNewLinesOnlyWhileEditing)
{
    Editing e;
    e.text->setText("Ciao");
    e.window->sendText("x");
    e.window->sendKey(Key::Backspace);
    EXPECT_EQ(e.text->text(), "Ciao") << "no input while not editing";
    EXPECT_TRUE(e.recorder->events.empty()) << "text set in code is no edit";
    ASSERT_TRUE(e.text->becomeFirstResponder());
    EXPECT_EQ(e.text->caretIndex(), 4u);
    // Each step: keys, then text typed, then the text expected. The last Backspace removes a whole
    // accented character, never half of its bytes.
    const std::tuple<std::vector<Key>, std::string, std::string> steps[] { { {}, " mondo", "Ciao mondo" },
        { { Key::Left, Key::Left, Key::Left, Key::Left, Key::Left }, "bel ", "Ciao bel mondo" }, { { Key::Backspace, Key::Backspace }, "", "Ciao bemondo" },
        { { Key::Delete }, "", "Ciao beondo" }, { { Key::Home, Key::Delete }, "", "iao beondo" }, { { Key::End, Key::Return }, "è già", "iao beondo\nè già" },
        { { Key::Backspace }, "", "iao beondo\nè gi" } };
    for (const auto& [keys, typed, expected] : steps) {
        for (Key key : keys)
            e.window->sendKey(key);
        if (!typed.empty())
            e.window->sendText(typed);
        EXPECT_EQ(e.text->text(), expected);
    }
    e.text->setCaretIndex(12); // inside the two bytes of "è"
    EXPECT_EQ(e.text->caretIndex(), 11u);
    ASSERT_FALSE(e.recorder->events.empty());
    EXPECT_EQ(e.recorder->events.front() + " " + e.recorder->events.back(), "begin:Ciao change:iao beondo\nè gi");

    // Windows line ends become one break, invalid bytes a replacement character.
    e.text->setText("");
    e.window->sendText(std::string("a\r\nb\x01\x7f") + "\xff" + "c");
    EXPECT_EQ(e.text->text(), "a\nb\xef\xbf\xbd" "c");

    // Up and down keep their column through a short line.
    e.text->setFrame({ 10, 10, 300, 120 });
    e.text->setText("abcdefghij\nab\nabcdefghij");
    e.text->setCaretIndex(8); // after "abcdefgh"
    e.window->sendKey(Key::Down);
    EXPECT_EQ(e.text->caretIndex(), 13u) << "the end of the short line";
    e.window->sendKey(Key::Down);
    EXPECT_EQ(e.text->caretIndex(), 14u + 8) << "back in the starting column";
    e.keys({ Key::Left, Key::Up, Key::Up });
    EXPECT_EQ(e.text->caretIndex(), 7u) << "a sideways move sets a new column";
    e.window->sendKey(Key::Up);
    EXPECT_EQ(e.text->caretIndex(), 0u) << "up from the first line goes to the start";
    e.keys({ Key::Down, Key::Down, Key::Down });
    EXPECT_EQ(e.text->caretIndex(), e.text->text().size()) << "down from the last line goes to the end";
    e.text->resignFirstResponder();
    e.text->setEditable(false);
    EXPECT_FALSE(e.text->becomeFirstResponder());
}

// A tap places the caret and brings the keyboard's bar; removing the view while it is edited
// ends the editing and takes the bar away.
TEST(TextView, TapPlacesTheCaretAndRemovingTheViewEndsTheEditing)
{
    Editing e;
    e.text->setText("Prima riga\nSeconda riga");
    e.text->setInputAccessoryView(Toolbar::makeDoneToolbar([] {}));
    test::tap(*e.window, { 10 + 6, 10 + 10 });
    ASSERT_TRUE(e.text->isFirstResponder() && e.window->viewNamed("keyboardToolbar"));
    EXPECT_EQ(e.text->caretIndex(), 0u) << "a tap at the start of the first line";
    e.text->removeFromSuperview();
    EXPECT_TRUE(!e.window->viewNamed("keyboardToolbar") && e.recorder->events.back() == "end:Prima riga\nSeconda riga");
}

TEST(TextView, FittedHeightFollowsTheLinesAnUnknownFontFallsBackAndAlignmentMovesTheText)
{
    Editing e;
    e.text->setText("Uno");
    const Size one = e.text->sizeThatFits({ 200, 1e9 });
    EXPECT_TRUE(one.width == 200 && one.height >= 20 + 16 && one.height < 2 * 20 + 16) << one.height;
    e.text->setText("Una frase lunga che non sta su una riga sola di cento punti");
    EXPECT_GT(e.text->sizeThatFits({ 100, 1e9 }).height, e.text->sizeThatFits({ 300, 1e9 }).height) << "narrower means more lines";
    e.text->setText("");
    EXPECT_NEAR(e.text->sizeThatFits({ 200, 0 }).height, one.height, 1) << "an empty text is one line high";
    e.text->setText("Uno\n");
    EXPECT_GT(e.text->sizeThatFits({ 200, 0 }).height, one.height + 15) << "a final line break opens a line";

    e.text->setText("I");
    e.text->setFont("NoSuchFont-Bold", 20);
    EXPECT_TRUE(e.text->fontName() == "NoSuchFont-Bold" && e.text->sizeThatFits({ 200, 0 }).height > 20) << "the stand-in font still measures the text";
    e.text->becomeFirstResponder();
    e.text->setCaretIndex(0);
    EXPECT_NEAR(e.text->caretRect().x(), 5, 1);
    e.text->setTextAlignment(TextAlignment::Right);
    EXPECT_GT(e.text->caretRect().x(), 180);
    nlohmann::json values;
    e.text->automationValues(values);
    EXPECT_EQ(values["alignment"], "right");
}

TEST(TextView, MeasuresAndDrawsFromAnotherThreadWhileTheMainOneEdits)
{
    auto text = View::make<TextView>(Rect { 0, 0, 200, 100 });
    text->setText("Uno\nDue");
    auto other = View::make<TextView>(Rect { 0, 0, 150, 100 });
    other->setText("Tre quattro cinque sei sette otto");
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            DrawingContext context({ 150, 100 }, DrawingContext::Opacity::Transparent, 1);
            other->drawViewHierarchyInRect(context.painter(), { 0, 0, 150, 100 });
            EXPECT_GT(other->sizeThatFits({ 150, 0 }).height, 30);
        }
    });
    for (int i = 0; i < 200; ++i) {
        text->setText("Uno\nDue " + std::to_string(i));
        EXPECT_GT(text->sizeThatFits({ 200, 0 }).height, 30);
    }
    worker.join();
}

}
}
