#include <TestSupport.h>

#include <platform/ui/controls/ProgressView.h>
#include <platform/ui/controls/SegmentedControl.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/controls/Stepper.h>

#include <nlohmann/json.hpp>

namespace vd {
namespace {

nlohmann::json automationValues(const View& view)
{
    nlohmann::json values;
    view.automationValues(values);
    return values;
}

TEST(Slider, DraggingTheThumbChangesTheValueWithinTheRange)
{
    auto window = View::make<Window>(Size { 400, 200 });
    auto slider = View::make<Slider>(Rect { 50, 50, 228, 31 });
    slider->setMinimumValue(0), slider->setMaximumValue(1), slider->setValue(0.5);
    std::vector<double> seen;
    slider->addAction(ControlEvent::ValueChanged, [&](Control& c) { seen.push_back(static_cast<Slider&>(c).value()); });
    window->addSubview(slider);

    // The thumb (28 wide) travels 200 points, so 50 points of drag are a quarter of the range.
    const Point thumb = slider->convertPointToView(slider->thumbRect().center(), nullptr);
    test::drag(*window, thumb, thumb + Point { 50, 0 }, 8);
    EXPECT_TRUE(std::abs(slider->value() - 0.75) < 1e-9 && seen.size() == 8u) << "a continuous slider reports every move";
    test::drag(*window, thumb, thumb + Point { 400, 30 });
    EXPECT_EQ(slider->value(), 1) << "dragging past the end stops at the maximum";

    // A finger landing on the track brings the thumb there.
    test::tap(*window, { 50 + 14, 65 });
    EXPECT_EQ(slider->value(), 0);

    for (double outside : { 7.0, std::nan("") })
        slider->setValue(outside);
    EXPECT_EQ(std::tuple(slider->value(), automationValues(*slider)["value"]), std::tuple(1.0, nlohmann::json(1.0)));
}

TEST(Stepper, StepsWithinItsLimitsAndRepeatsWhileHeld)
{
    test::useVirtualClock();
    auto window = View::make<Window>(Size { 300, 100 });
    auto stepper = View::make<Stepper>();
    stepper->setCenter({ 150, 50 });
    stepper->setMinimumValue(10), stepper->setMaximumValue(30), stepper->setStepValue(5), stepper->setValue(20);
    int events = 0;
    stepper->addAction(ControlEvent::ValueChanged, [&](Control&) { ++events; });
    window->addSubview(stepper);
    const Point minus = stepper->convertPointToView({ 20, 15 }, nullptr);
    const Point plus = stepper->convertPointToView({ 74, 15 }, nullptr);

    for (auto [at, count, value, total] : { std::tuple { plus, 1, 25.0, 1 }, { plus, 2, 30.0, 2 }, { minus, 5, 10.0, 6 } }) { // no event when a limit holds the value
        for (int i = 0; i < count; ++i)
            test::tap(*window, at);
        EXPECT_EQ(std::pair(stepper->value(), events), std::pair(value, total));
    }

    // Holding plus: one step at once, then ten a second after half a second.
    std::vector<double> held;
    window->sendTouches(TouchPhase::Began, { { 1, plus } });
    for (double seconds : { 0.0, 0.75, 0.3 })
        RunLoop::main().advance(seconds), held.push_back(stepper->value());
    EXPECT_EQ(held, (std::vector<double> { 15, 25, 30 }));
    window->sendTouches(TouchPhase::Ended, { { 1, plus } });
    stepper->setValue(10);
    RunLoop::main().advance(1);
    EXPECT_EQ(stepper->value(), 10) << "lifting the finger stops the repeating";
}

TEST(SegmentedControl, TapSelectsASegmentOnce)
{
    auto window = View::make<Window>(Size { 300, 100 });
    auto control = View::make<SegmentedControl>(std::vector<std::string> { "Sinistra", "Centro", "Destra" });
    control->setFrame({ 0, 0, 300, 29 });
    std::vector<int> seen;
    control->addAction(ControlEvent::ValueChanged, [&](Control& c) { seen.push_back(static_cast<SegmentedControl&>(c).selectedSegmentIndex()); });
    window->addSubview(control);
    EXPECT_EQ(control->selectedSegmentIndex(), SegmentedControl::NoSegment);
    for (double x : { 150, 150, 290 })
        test::tap(*window, { x, 15 });
    EXPECT_EQ(seen, (std::vector<int> { 1, 2 })) << "tapping the selected segment again says nothing";
    control->setSelectedSegmentIndex(7);
    EXPECT_EQ(control->selectedSegmentIndex(), SegmentedControl::NoSegment);
    control->setSelectedSegmentIndex(0);
    control->insertSegment("Giustificato", 0);
    EXPECT_EQ(std::tuple(control->selectedSegmentIndex(), control->automationText()), std::tuple(1, std::string("Sinistra"))) << "the selection stays with its segment";
}

TEST(ProgressView, SlidesWhenAnimated)
{
    test::useVirtualClock();
    auto window = View::make<Window>(Size { 300, 100 });
    auto bar = View::make<ProgressView>(Rect { 0, 0, 200, 4 });
    window->addSubview(bar);
    bar->setProgress(0.4, true);
    auto fill = bar->viewNamed("progressFill");
    ASSERT_TRUE(fill);
    RunLoop::main().advance(0.125);
    const double halfway = fill->presentationBounds().width();
    RunLoop::main().advance(0.2);
    EXPECT_TRUE(halfway > 10 && halfway < 70 && std::abs(fill->presentationBounds().width() - 80) < 1e-6) << halfway;
    bar->setProgress(3);
    EXPECT_EQ(std::pair(bar->progress(), fill->bounds().width()), std::pair(1.0, 200.0));
}

}
}
