#include <TestSupport.h>

#include <platform/ui/gestures/LongPressGestureRecognizer.h>
#include <platform/ui/gestures/PanGestureRecognizer.h>
#include <platform/ui/gestures/TapGestureRecognizer.h>

namespace vd {
namespace {

using State = GestureRecognizer::State;
using States = std::vector<State>;

// A window on the virtual clock with a 200 × 200 view at its top-left.
class GestureTest : public test::VirtualClockWindowTest {
protected:
    void SetUp() override
    {
        VirtualClockWindowTest::SetUp();
        view = View::make(Rect(0, 0, 200, 200));
        window->addSubview(view);
    }

    void down(std::vector<Window::TouchInput> t) { window->sendTouches(TouchPhase::Began, t); }
    void move(std::vector<Window::TouchInput> t) { window->sendTouches(TouchPhase::Moved, t); }
    void up(std::vector<Window::TouchInput> t) { window->sendTouches(TouchPhase::Ended, t); }
    void wait(double seconds) { RunLoop::main().advance(seconds); }
    void touch(Point p) { down({ { 1, p } }), up({ { 1, p } }); } // at once, with no time to hold
    void drag(Point a, Point b) { test::drag(*window, a, b); }
    void hold(Point p, double seconds) { down({ { 1, p } }), wait(seconds), up({ { 1, p } }); }
    // A recognizer on the view that notes each state it reports, and tells `also` of it.
    template<typename R>
    std::shared_ptr<R> attach(States& states, std::function<void(R&)> also = {})
    {
        auto recognizer = std::make_shared<R>([&states, also](GestureRecognizer& r) {
            states.push_back(r.state());
            if (also)
                also(static_cast<R&>(r));
        });
        view->addGestureRecognizer(recognizer);
        return recognizer;
    }

    std::shared_ptr<View> view;
};

TEST_F(GestureTest, TapRecognizesOnLiftAndWaitsForTheDoubleTapToFailOrATouchElsewhere)
{
    States single, twice;
    auto singleTap = attach<TapGestureRecognizer>(single);
    down({ { 1, { 50, 50 } } });
    EXPECT_EQ(singleTap->state(), State::Possible);
    up({ { 1, { 52, 51 } } });
    EXPECT_EQ(std::tuple(single, singleTap->state()), std::tuple(States { State::Ended }, State::Possible)) << "recognized on lift, then reset";
    single.clear();
    drag({ 50, 50 }, { 90, 50 });
    touch({ 300, 300 }); // outside the view
    EXPECT_TRUE(single.empty()) << "a finger that wandered or landed elsewhere is no tap";

    auto doubleTap = attach<TapGestureRecognizer>(twice);
    doubleTap->setNumberOfTapsRequired(2);
    singleTap->requireGestureRecognizerToFail(doubleTap);
    wait(1);
    touch({ 50, 50 });
    EXPECT_TRUE(single.empty()) << "still waiting for a second tap";
    wait(0.5);
    EXPECT_EQ(std::tuple(single, twice), std::tuple(States { State::Ended }, States {}));

    single.clear();
    wait(1);
    touch({ 50, 50 });
    wait(0.1);
    touch({ 52, 50 });
    wait(1);
    EXPECT_EQ(std::tuple(single, twice), std::tuple(States {}, States { State::Ended })) << "the double tap won";

    // A touch elsewhere ends the wait for a second tap (both are ready again).
    twice.clear();
    wait(1);
    touch({ 50, 50 });
    down({ { 1, { 300, 300 } } }); // outside the view, before the double tap gave up
    EXPECT_EQ(single, (States { State::Ended }));
    up({ { 1, { 300, 300 } } });
    wait(1);
    EXPECT_EQ(std::tuple(single, twice), std::tuple(States { State::Ended }, States {}));
}

TEST_F(GestureTest, LongPressBeginsAfterItsDurationThenFollowsTheFinger)
{
    States states;
    auto press = attach<LongPressGestureRecognizer>(states);
    down({ { 1, { 50, 50 } } });
    wait(0.4);
    EXPECT_TRUE(states.empty());
    wait(0.2);
    EXPECT_EQ(states, (States { State::Began }));
    move({ { 1, { 120, 90 } } });
    up({ { 1, { 120, 90 } } });
    EXPECT_EQ(states, (States { State::Began, State::Changed, State::Ended }));
    EXPECT_EQ(press->locationInView(view.get()), (Point { 120, 90 }));

    states.clear();
    hold({ 50, 50 }, 0.2); // lifted too early
    down({ { 1, { 50, 50 } } }); // moved before it was recognized
    move({ { 1, { 80, 50 } } });
    wait(1);
    up({ { 1, { 80, 50 } } });
    EXPECT_TRUE(states.empty());
}

TEST_F(GestureTest, PanReportsTranslationResetsItAndCountsItsTouches)
{
    States states;
    std::vector<Point> translations, inView;
    auto pan = attach<PanGestureRecognizer>(states, [&](auto& p) { translations.push_back(p.translationInView(nullptr)), inView.push_back(p.translationInView(p.view())); });
    down({ { 1, { 20, 20 } } });
    move({ { 1, { 25, 20 } } });
    EXPECT_TRUE(states.empty()) << "within the hysteresis";
    move({ { 1, { 40, 20 } } });
    ASSERT_EQ(states, (States { State::Began })) << "past the hysteresis";
    EXPECT_EQ(translations.back(), (Point { 20, 0 }));
    pan->setTranslation({ 0, 0 }, nullptr);
    move({ { 1, { 45, 30 } } });
    const Point afterReset = translations.back();
    up({ { 1, { 45, 30 } } });
    EXPECT_EQ(std::tuple(states, afterReset), std::tuple(States { State::Began, State::Changed, State::Ended }, Point { 5, 10 }));

    // Translation in a rotated view turns with it.
    view->setTransform(AffineTransform::rotation(std::numbers::pi / 2));
    drag({ 100, 100 }, { 100, 150 });
    EXPECT_EQ(translations.back(), (Point { 0, 50 }));
    EXPECT_LT(std::hypot(inView.back().x - 50, inView.back().y), 1e-9) << "turned a quarter clockwise, the view's x axis points down the screen";

    // With two touches required, one finger moves nothing.
    view->setTransform({});
    states.clear();
    pan->setMinimumNumberOfTouches(2);
    drag({ 20, 20 }, { 120, 20 });
    EXPECT_TRUE(states.empty());
    down({ { 1, { 20, 20 } }, { 2, { 40, 20 } } });
    move({ { 1, { 20, 60 } }, { 2, { 40, 60 } } });
    const Point twoFingers = pan->translationInView(nullptr);
    up({ { 1, { 20, 60 } }, { 2, { 40, 60 } } });
    EXPECT_EQ(std::tuple(states, twoFingers), std::tuple(States { State::Began, State::Ended }, Point { 0, 40 }));
}

TEST_F(GestureTest, OneRecognizerWinsUnlessTheDelegateAllowsBoth)
{
    States panStates, pressStates;
    auto pan = attach<PanGestureRecognizer>(panStates);
    auto press = attach<LongPressGestureRecognizer>(pressStates);
    press->setMinimumPressDuration(0); // it begins as the finger lands, and then acts as a pan
    drag({ 20, 20 }, { 120, 20 });
    EXPECT_TRUE(pressStates.front() == State::Began && pressStates.back() == State::Ended && panStates.empty()) << "the press began first and holds the touches";

    pressStates.clear();
    struct Simultaneous : GestureRecognizerDelegate {
        bool shouldRecognizeSimultaneously(GestureRecognizer&, GestureRecognizer&) override { return true; }
    };
    auto delegate = std::make_shared<Simultaneous>();
    pan->setDelegate(delegate);
    drag({ 20, 20 }, { 120, 20 });
    ASSERT_FALSE(panStates.empty());
    EXPECT_EQ(std::tuple(pressStates.back(), panStates.front(), panStates.back()), std::tuple(State::Ended, State::Began, State::Ended));
}

// A view that records the touch callbacks it gets.
class Recorder : public View {
public:
    using View::View;
    std::vector<std::string> calls;
    bool handles { true };
    void touchesBegan(const TouchSet& t, const TouchEvent& e) override { calls.push_back("began"); if (!handles) View::touchesBegan(t, e); }
    void touchesMoved(const TouchSet& t, const TouchEvent& e) override { calls.push_back("moved"); if (!handles) View::touchesMoved(t, e); }
    void touchesEnded(const TouchSet& t, const TouchEvent& e) override { calls.push_back("ended"); if (!handles) View::touchesEnded(t, e); }
    void touchesCancelled(const TouchSet& t, const TouchEvent& e) override { calls.push_back("cancelled"); if (!handles) View::touchesCancelled(t, e); }
};

TEST_F(GestureTest, TouchesGoToTheHitViewAndUnhandledOnesUpTheChain)
{
    auto parent = std::make_shared<Recorder>(Rect(0, 0, 300, 300));
    auto child = std::make_shared<Recorder>(Rect(100, 100, 50, 50));
    window->addSubview(parent);
    parent->addSubview(child);
    child->handles = false;

    down({ { 1, { 120, 120 } } });
    move({ { 1, { 200, 200 } } });
    up({ { 1, { 200, 200 } } });
    const std::vector<std::string> expected { "began", "moved", "ended" };
    EXPECT_EQ(child->calls, expected) << "the view hit first keeps the touch as it moves away";
    EXPECT_EQ(parent->calls, expected) << "passed up by the child";

    // A recognizer that recognizes cancels the touches of the view.
    child->calls.clear();
    child->handles = true;
    child->addGestureRecognizer(std::make_shared<PanGestureRecognizer>());
    down({ { 1, { 120, 120 } } });
    for (double x : { 121, 160, 170 })
        move({ { 1, { x, 120 } } });
    up({ { 1, { 170, 120 } } });
    EXPECT_TRUE(child->calls == (std::vector<std::string> { "began", "moved", "cancelled" }) && window->activeTouchCount() == 0u);
}

// A list over a grid, as the photo browser's album list lies over its photos: a tap belongs to the
// topmost view the person sees under the finger, and to no view while the list is drawn somewhere
// other than where it is (sliding in or out).
TEST_F(GestureTest, TouchesGoToWhatIsSeenAndNeverThroughAListThatSlides)
{
    std::vector<std::string> taps;
    auto grid = View::make(Rect(0, 0, 400, 400)), list = View::make(Rect(0, 0, 400, 300)), row = View::make(Rect(0, 100, 400, 60));
    list->addSubview(row);
    window->addSubview(grid);
    window->addSubview(list);
    for (auto& [target, name] : { std::pair { grid, "grid" }, std::pair { row, "row" } })
        target->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([&taps, name](GestureRecognizer& r) {
            if (r.state() == GestureRecognizer::Recognized)
                taps.push_back(name);
        }));
    auto tapAt = [&](Point p) { hold(p, 0.05), wait(0.02); };
    tapAt({ 200, 130 });
    tapAt({ 200, 350 });
    EXPECT_EQ(taps, (std::vector<std::string> { "row", "grid" })) << "at rest: the row on top, the grid beside the list";

    taps.clear();
    View::animate(0.4, [&] { list->setCenter({ 200, 4 * 150 }); });
    wait(0.1);
    tapAt({ 200, 130 });
    EXPECT_TRUE(taps.empty()) << "the list sliding out still covers the grid";
    wait(0.4);
    tapAt({ 200, 130 });
    EXPECT_EQ(taps, (std::vector<std::string> { "grid" })) << "once it has gone, the grid is seen and touched";

    taps.clear();
    View::animate(0.4, [&] { list->setCenter({ 200, 150 }); });
    wait(0.05);
    tapAt({ 200, 130 });
    EXPECT_TRUE(taps.empty()) << "the list sliding in is not there yet, and the grid is about to be covered";
    tapAt({ 200, 350 });
    EXPECT_EQ(taps, (std::vector<std::string> { "grid" })) << "what nothing moves over is touched as ever";
    wait(0.5);
    list->setHidden(true);
    tapAt({ 200, 130 });
    EXPECT_EQ(taps, (std::vector<std::string> { "grid", "grid" })) << "a hidden list takes no touch";
}

TEST_F(GestureTest, AViewMayRemoveAndReleaseItselfFromItsOwnGesture)
{
    view->removeFromSuperview();
    std::weak_ptr<View> watch;
    {
        auto handle = View::make(Rect(10, 10, 28, 28));
        watch = handle;
        handle->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([](GestureRecognizer& r) { r.view()->removeFromSuperview(); }));
        window->addSubview(handle);
    }
    touch({ 20, 20 });
    EXPECT_TRUE(watch.expired() && window->subviews().empty()) << "removed and released";
    touch({ 20, 20 });
    EXPECT_EQ(window->activeTouchCount(), 0u) << "the window goes on working";
}

}
}
