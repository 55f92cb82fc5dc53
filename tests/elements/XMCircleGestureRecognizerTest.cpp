#include <TestSupport.h>

#include <elements/ViewRotation.h>
#include <elements/XMCircleGestureRecognizer.h>
#include <platform/foundation/RunLoop.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/ui/window/Window.h>

#include <gtest/gtest.h>
#include <numbers>

namespace vd {
namespace {

constexpr double kPi = std::numbers::pi;
using State = GestureRecognizer::State;

struct Reading {
    State state;
    std::optional<double> angle, rotation, distance;
};

class CircleTest : public test::VirtualClockWindowTest {
protected:
    void SetUp() override
    {
        VirtualClockWindowTest::SetUp();
        view = View::make(Rect(0, 0, 400, 400));
        window->addSubview(view);
        circle = std::make_shared<XMCircleGestureRecognizer>(Point { 200, 200 }, [this](GestureRecognizer& r) {
            auto& c = static_cast<XMCircleGestureRecognizer&>(r);
            readings.push_back({ r.state(), c.angle(), c.rotation(), c.distance() });
        });
        view->addGestureRecognizer(circle);
    }

    std::shared_ptr<View> view;
    std::shared_ptr<XMCircleGestureRecognizer> circle;
    std::vector<Reading> readings;
};

TEST_F(CircleTest, AnglesAreMeasuredClockwiseOnScreenInSinglePrecision)
{
    // On the positive x axis the float π/2 overshoots the double one, so the angle comes out just
    // below 2π rather than 0.
    EXPECT_LT(circle->angleForPoint({ 250, 200 }), 2 * kPi);
    for (const auto& [point, angle] : { std::pair { Point { 250, 200 }, 2 * kPi }, { { 200, 260 }, kPi / 2 }, { { 200, 140 }, 3 * kPi / 2 }, { { 150, 200 }, kPi }, { { 250, 250 }, kPi / 4 } })
        EXPECT_NEAR(circle->angleForPoint(point), angle, 1e-6) << point.x << "," << point.y;
    EXPECT_NEAR(circle->angleBetween({ 250, 250 }, { 200, 260 }), -kPi / 4, 1e-6) << "not wrapped";
    EXPECT_NEAR(circle->angleBetween({ 200, 260 }, { 250, 200 }), kPi / 2 - 2 * kPi, 1e-6);
    EXPECT_DOUBLE_EQ(circle->distanceBetween({ 0, 0 }, { 3, 4 }), 5);
}

TEST_F(CircleTest, TheRingDecidesAtTheFirstTouchOnly)
{
    circle->setInnerRadius(50);
    circle->setOuterRadius(100);
    // On either radius a touch begins, just inside or outside the ring it fails. A begun touch is
    // not tested again when it leaves the ring, nor a failed one revived when it enters it; a
    // failed touch reports nothing and resets when it ends.
    for (const auto& [x, state] : { std::pair { 250.0, State::Began }, { 249.9999, State::Failed }, { 300.0, State::Began }, { 300.001, State::Failed } }) {
        readings.clear();
        window->sendTouches(TouchPhase::Began, { { 1, { x, 200 } } });
        EXPECT_EQ(circle->state(), state) << x;
        const Point to { state == State::Began ? 390.0 : 280.0, 200 };
        window->sendTouches(TouchPhase::Moved, { { 1, to } });
        EXPECT_EQ(circle->state(), state == State::Began ? State::Changed : State::Failed) << x;
        window->sendTouches(TouchPhase::Ended, { { 1, to } });
        if (state == State::Failed) {
            EXPECT_EQ(std::tuple(readings.size(), circle->state()), std::tuple(0uz, State::Possible)) << x;
        }
    }

    circle->setInnerRadius(std::nullopt);
    circle->setOuterRadius(std::nullopt);
    window->sendTouches(TouchPhase::Began, { { 1, { 200, 200 } } });
    EXPECT_EQ(circle->state(), State::Began) << "no ring: any touch, even the centre";
    window->sendTouches(TouchPhase::Ended, { { 1, { 200, 200 } } });
}

TEST_F(CircleTest, RotationWrapsAcrossThePositiveXAxisAndReadingsEndAbsent)
{
    window->sendTouches(TouchPhase::Began, { { 1, { 300, 190 } } }); // just above the x axis
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].state, State::Began);
    EXPECT_FALSE(readings[0].rotation) << "no previous point yet";
    EXPECT_NEAR(*readings[0].distance, std::hypot(100, 10), 1e-4);

    window->sendTouches(TouchPhase::Moved, { { 1, { 300, 210 } } }); // just below it
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[1].state, State::Changed);
    EXPECT_NEAR(*readings[1].rotation, 2 * std::atan(0.1), 1e-6) << "a small clockwise turn, not −2π";
    EXPECT_NEAR(*readings[1].angle, std::atan(0.1), 1e-6);

    window->sendTouches(TouchPhase::Moved, { { 1, { 300, 190 } } });
    EXPECT_NEAR(*readings[2].rotation, -2 * std::atan(0.1), 1e-6);

    window->sendTouches(TouchPhase::Ended, { { 1, { 300, 190 } } });
    ASSERT_EQ(readings.size(), 4u);
    EXPECT_EQ(std::tuple(readings[3].state, readings[3].angle, readings[3].rotation, readings[3].distance, circle->currentPoint()), std::tuple(State::Ended, std::nullopt, std::nullopt, std::nullopt, std::nullopt));
}

TEST_F(CircleTest, PointsAreInTheRecognizersViewCoordinates)
{
    view->setCenter({ 250, 200 }); // the view moves 50 to the right
    window->sendTouches(TouchPhase::Began, { { 1, { 350, 200 } } });
    EXPECT_NEAR(*circle->distance(), 100, 1e-6);
    window->sendTouches(TouchPhase::Ended, { { 1, { 350, 200 } } });
}

TEST(ZRotation, SpinsEndlesslyOnceAndSnapsBackWhenStopped)
{
    RunLoop::main().setClock(RunLoop::Clock::Virtual);
    auto window = std::make_shared<Window>(Size { 200, 200 });
    auto circle = View::make(Rect(50, 50, 100, 100));
    window->addSubview(circle);
    auto turn = [&] { return circle->layer().animationForKey(kZRotationKey) ? circle->layer().animationForKey(kZRotationKey)->toValue : 0.0; };
    startZRotationWithDuration(*circle, 24, BasicAnimation::kForever, false);
    EXPECT_DOUBLE_EQ(turn(), -2 * kPi);
    RunLoop::main().advance(6);
    EXPECT_NEAR(circle->presentationTransform().angle(), -kPi / 2, 1e-9);
    // Starting again leaves the running animation as it is; it runs on for ever.
    startZRotationWithDuration(*circle, 5, 1, true);
    EXPECT_DOUBLE_EQ(turn(), -2 * kPi);
    RunLoop::main().advance(24 * 10);
    window->prepareFrame();
    EXPECT_NEAR(circle->presentationTransform().angle(), -kPi / 2, 1e-6) << "ten turns later";

    stopZRotation(*circle);
    EXPECT_EQ(circle->presentationTransform(), AffineTransform::identity());
    startZRotationReverseWithDuration(*circle, 24, BasicAnimation::kForever, true);
    EXPECT_DOUBLE_EQ(turn(), -2 * kPi) << "reverse ignores clockwise";
    stopZRotation(*circle);
    startZRotationWithDuration(*circle, 24, BasicAnimation::kForever, true);
    EXPECT_DOUBLE_EQ(turn(), 2 * kPi);
    circle->removeFromSuperview();
    EXPECT_EQ(turn(), 0) << "ends when the view leaves the screen";
}

}
}
