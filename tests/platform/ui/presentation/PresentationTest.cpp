#include <TestSupport.h>

#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/TextView.h>
#include <platform/ui/presentation/Popover.h>


namespace vd {
namespace {

// On the virtual clock, so a tap comes after what was presented has finished appearing (a touch
// while it appears goes to nothing).
struct Screen {
    bool virtualClock = (test::useVirtualClock(), true);
    std::shared_ptr<Window> window = View::make<Window>(Size { 375, 667 });
    std::shared_ptr<Button> under = View::make<Button>(Button::Type::System, Rect { 20, 300, 100, 44 });
    int underTaps = 0;
    Screen()
    {
        under->setTitle("Sotto");
        under->addAction(ControlEvent::TouchUpInside, [this](Control&) { ++underTaps; });
        window->addSubview(under);
    }
};

TEST(AlertController, ModalUntilAButtonOrAKeyRunsItsHandler)
{
    Screen s;
    std::vector<std::string> ran;
    auto alert = AlertController::make("Vardenico", "Vuoi eliminare il logo?");
    alert->addAction("Ok", AlertController::ActionStyle::Default, [&] { ran.push_back("ok"); });
    alert->addAction("Annulla", AlertController::ActionStyle::Cancel, [&] { ran.push_back("cancel"); });
    alert->present(*s.window);
    s.window->layoutIfNeeded();

    test::tap(*s.window, { 70, 322 });
    EXPECT_TRUE(s.underTaps == 0 && alert->isPresented()) << "nothing under the alert takes touches";

    auto ok = s.window->viewNamed("alertAction0"), cancel = s.window->viewNamed("alertAction1");
    ASSERT_TRUE(ok && cancel);
    EXPECT_TRUE(cancel->frame().x() < ok->frame().x() && ok->frame().y() == cancel->frame().y()) << "the cancel button sits on the left";

    test::tap(*s.window, test::centerInWindow(*cancel));
    EXPECT_TRUE(ran == std::vector<std::string> { "cancel" } && !alert->isPresented());
    test::tap(*s.window, { 70, 322 });
    EXPECT_EQ(s.underTaps, 1);

    // It takes every key: Ctrl+Z does nothing, Escape cancels, Return chooses the default action;
    // a dismissed alert takes no keys.
    s.window->setKeyCommandHandler([&](const KeyPress&) { return ran.emplace_back("command"), true; });
    for (Key key : { Key::Escape, Key::Return }) {
        alert->present(*s.window);
        s.window->sendKey(*KeyPress::named("ctrl+z"));
        s.window->sendKey(key);
    }
    s.window->sendKey(Key::Return);
    EXPECT_EQ(ran, (std::vector<std::string> { "cancel", "cancel", "ok", "command" }));
}

TEST(Popover, HangsBelowItsSourceWithinTheRoomThereAndATapOutsideDismisses)
{
    Screen s;
    auto content = View::make();
    auto inside = View::make<Button>(Button::Type::System, Rect { 0, 0, 60, 40 });
    int insideTaps = 0;
    inside->addAction(ControlEvent::TouchUpInside, [&](Control&) { ++insideTaps; });
    content->addSubview(inside);
    auto popover = View::make<Popover>(content);
    popover->setPreferredContentSize({ 325, 200 });
    popover->setSourceView(s.under);
    popover->setSourceRect(s.under->bounds());
    int dismissed = 0;
    popover->setOnDismiss([&] { ++dismissed; });
    popover->present(*s.window);
    s.window->layoutIfNeeded();
    RunLoop::main().advance(0.5); // it has appeared

    EXPECT_GE(popover->boxFrame().y(), s.under->frame().maxY()) << "below its source";
    const Rect shown = content->convertRectToView(content->bounds(), nullptr);
    EXPECT_EQ(shown.size, (Size { 325, 200 }));
    EXPECT_TRUE(shown.minX() > 0 && shown.maxX() < 375) << "kept inside the window";

    test::tap(*s.window, test::centerInWindow(*inside));
    test::tap(*s.window, content->convertPointToView({ 200, 150 }, nullptr));
    EXPECT_TRUE(insideTaps == 1 && popover->isPresented()) << "taps inside, on a button or not, keep it";
    test::tap(*s.window, { 300, 100 });
    EXPECT_EQ(std::tuple(popover->isPresented(), dismissed, s.underTaps), std::tuple(false, 1, 0)) << "the dismissing tap goes no further";
    // Escape closes it as a tap outside would, before the button below that answers Escape.
    s.under->setKeyEquivalent(KeyPress { Key::Escape });
    popover->present(*s.window);
    RunLoop::main().advance(0.5);
    EXPECT_TRUE(s.window->sendKey(KeyPress { Key::Escape }) && !popover->isPresented() && dismissed == 2 && s.underTaps == 0);

    // Low on the screen, allowed only up, it shrinks to the room below; allowed any way, it
    // hangs above at its own size.
    s.under->setFrame({ 20, 560, 100, 44 });
    auto low = View::make<Popover>(View::make());
    low->setPreferredContentSize({ 200, 300 });
    low->setSourceView(s.under);
    low->present(*s.window);
    s.window->layoutIfNeeded();
    const Rect squeezed = low->contentView()->convertRectToView(low->contentView()->bounds(), nullptr);
    EXPECT_TRUE(squeezed.minY() > 604 && squeezed.maxY() < 667) << squeezed.minY() << "…" << squeezed.maxY();
    low->setPermittedArrowDirections(Popover::ArrowAny);
    s.window->layoutIfNeeded();
    EXPECT_EQ(std::tuple(low->arrowDirection(), low->contentView()->frame().height()), std::tuple(Popover::ArrowDown, 300.0));
}

// Keys on a screen with two text fields (and a hidden one), a back button answering Escape and
// a screen-wide handler for Ctrl+Z.
TEST(Window, KeysGoToTheTextBeingTypedElseToTheFrontmostCommand)
{
    Screen s;
    std::vector<std::shared_ptr<TextView>> fields;
    for (double y : { 40, 100, 160 }) {
        fields.push_back(View::make<TextView>(Rect { 60, y, 200, 30 }));
        s.window->addSubview(fields.back());
    }
    fields[2]->setHidden(true);
    auto back = View::make<Button>(Button::Type::System, Rect { 0, 0, 44, 44 });
    back->setKeyEquivalent(KeyPress::named("escape"));
    int backs = 0, undos = 0;
    back->addAction(ControlEvent::TouchUpInside, [&](Control&) { ++backs; });
    s.window->addSubview(back);
    s.window->setKeyCommandHandler([&](const KeyPress& press) {
        if (press != KeyPress { Key::Character, 'z', KeyModifierControl })
            return false;
        ++undos;
        return true;
    });
    const KeyPress ctrlZ = *KeyPress::named("ctrl+z"), escape { Key::Escape }, tab { Key::Tab }, shiftTab = *KeyPress::named("shift+tab");
    s.window->layoutIfNeeded();

    EXPECT_TRUE(s.window->sendKey(ctrlZ) && undos == 1);
    // Tab and Shift+Tab move among the fields a person can reach, round the ends.
    for (auto [key, field] : { std::pair { tab, 0 }, { tab, 1 }, { tab, 0 }, { shiftTab, 1 } }) { // the hidden field is skipped
        s.window->sendKey(key);
        EXPECT_TRUE(fields[field]->isFirstResponder()) << key.name() << " → " << field;
    }
    // While typing, keys go to the text and shortcuts do not fire; Escape ends the typing only.
    s.window->sendText("ab");
    s.window->sendKey(Key::Backspace);
    EXPECT_FALSE(s.window->sendKey(ctrlZ));
    EXPECT_FALSE(s.window->sendKey(*KeyPress::named("ctrl+backspace"))) << "a command key is no editing key";
    EXPECT_EQ(std::tuple(undos, fields[1]->text()), std::tuple(1, std::string("a")));
    s.window->sendKey(escape);
    EXPECT_TRUE(!fields[1]->isFirstResponder() && backs == 0);
    // Then Escape is the back button's, as long as a finger could press it.
    EXPECT_TRUE(s.window->sendKey(escape) && backs == 1);

    // Of two buttons a finger could press, the one in front answers: a panel's close before the
    // back button behind it.
    auto panel = View::make(Rect { 0, 400, 375, 100 });
    auto close = View::make<Button>(Button::Type::System, Rect { 10, 10, 44, 44 });
    close->setKeyEquivalent(KeyPress { Key::Escape });
    int closes = 0;
    close->addAction(ControlEvent::TouchUpInside, [&](Control&) { ++closes; });
    panel->addSubview(close);
    s.window->addSubview(panel);
    s.window->sendKey(escape);
    EXPECT_EQ(std::pair(closes, backs), std::pair(1, 1));
    panel->removeFromSuperview();

    // A covered or disabled button does not answer.
    auto cover = View::make(Rect { 0, 0, 100, 100 });
    s.window->addSubview(cover);
    EXPECT_FALSE(s.window->sendKey(escape));
    cover->removeFromSuperview();
    back->setEnabled(false);
    EXPECT_FALSE(s.window->sendKey(escape));
    EXPECT_EQ(backs, 1);
}

}
}
