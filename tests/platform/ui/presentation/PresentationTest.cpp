#include <TestSupport.h>

#include <platform/foundation/RunLoop.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/presentation/Popover.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

TEST(AlertController, ModalUntilAButtonRunsItsHandler)
{
    Screen s;
    std::vector<std::string> ran;
    auto alert = AlertController::make("Vardenico", "Vuoi eliminare il logo?");
    alert->addAction("Ok", AlertController::ActionStyle::Default, [&] { ran.push_back("ok"); });
    alert->addAction("Annulla", AlertController::ActionStyle::Cancel, [&] { ran.push_back("cancel"); });
    alert->present(*s.window);
    s.window->layoutIfNeeded();

    test::tap(*s.window, { 70, 322 });
    EXPECT_EQ(s.underTaps, 0) << "nothing under the alert takes touches";
    EXPECT_TRUE(alert->isPresented());

    auto ok = s.window->viewNamed("alertAction0");
    auto cancel = s.window->viewNamed("alertAction1");
    ASSERT_TRUE(ok && cancel);
    EXPECT_LT(cancel->frame().x(), ok->frame().x()) << "the cancel button sits on the left";
    EXPECT_EQ(ok->frame().y(), cancel->frame().y());

    nlohmann::json values;
    alert->automationValues(values);
    EXPECT_EQ(values["message"], "Vuoi eliminare il logo?");
    EXPECT_EQ(values["actions"][1]["style"], "cancel");

    test::tap(*s.window, test::centerInWindow(*cancel));
    EXPECT_EQ(ran, std::vector<std::string> { "cancel" });
    EXPECT_FALSE(alert->isPresented());
    test::tap(*s.window, { 70, 322 });
    EXPECT_EQ(s.underTaps, 1);
}

TEST(AlertController, KeysChooseTheDefaultOrTheCancelAction)
{
    Screen s;
    int ok = 0, cancelled = 0;
    auto alert = AlertController::make("Vardenico", "");
    alert->addAction("Ok", AlertController::ActionStyle::Default, [&] { ++ok; });
    alert->addAction("Annulla", AlertController::ActionStyle::Cancel, [&] { ++cancelled; });
    alert->addAction("Altro", AlertController::ActionStyle::Destructive);
    alert->present(*s.window);
    s.window->layoutIfNeeded();
    EXPECT_LT(s.window->viewNamed("alertAction2")->frame().y(), s.window->viewNamed("alertAction1")->frame().y()) << "three actions stack, cancel last";
    s.window->sendKey(Key::Escape);
    EXPECT_EQ(cancelled, 1);
    s.window->sendKey(Key::Return);
    EXPECT_EQ(ok, 0) << "a dismissed alert takes no keys";
    alert->present(*s.window);
    s.window->sendKey(Key::Return);
    EXPECT_EQ(ok, 1);
}

TEST(Popover, HangsBelowItsSourceAndATapOutsideDismisses)
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

    EXPECT_EQ(popover->arrowDirection(), Popover::ArrowUp);
    const Rect box = popover->boxFrame();
    EXPECT_EQ(box.y(), 344);
    EXPECT_EQ(content->convertRectToView(content->bounds(), nullptr), Rect(10, 357, 325, 200)) << "clamped 10 points from the right edge";

    test::tap(*s.window, test::centerInWindow(*inside));
    EXPECT_EQ(insideTaps, 1);
    EXPECT_TRUE(popover->isPresented());
    test::tap(*s.window, { 300, 100 });
    EXPECT_FALSE(popover->isPresented());
    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(s.underTaps, 0) << "the dismissing tap goes no further";
}

TEST(Popover, ShrinksToTheRoomBelowWhenOnlyUpIsPermitted)
{
    Screen s;
    s.under->setFrame({ 20, 560, 100, 44 });
    auto popover = View::make<Popover>(View::make());
    popover->setPreferredContentSize({ 200, 300 });
    popover->setSourceView(s.under);
    popover->present(*s.window);
    s.window->layoutIfNeeded();
    EXPECT_EQ(popover->arrowDirection(), Popover::ArrowUp);
    EXPECT_EQ(popover->contentView()->bounds().height(), 667 - 10 - 604 - 13);

    popover->setPermittedArrowDirections(Popover::ArrowAny);
    s.window->layoutIfNeeded();
    EXPECT_EQ(popover->arrowDirection(), Popover::ArrowDown);
    EXPECT_EQ(popover->contentView()->frame().height(), 300);
}

}
}
