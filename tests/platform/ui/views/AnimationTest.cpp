#include <TestSupport.h>

#include <algorithm>
#include <numbers>

namespace vd {
namespace {

// A turn about the centre every `seconds`, for ever, as the decorations turn.
BasicAnimation turningForever(double seconds)
{
    return { .keyPath = "transform.rotation.z", .toValue = 2 * std::numbers::pi, .duration = seconds, .repeatCount = BasicAnimation::kForever, .cumulative = true };
}

class AnimationTest : public test::VirtualClockWindowTest {
protected:
    void SetUp() override
    {
        VirtualClockWindowTest::SetUp();
        view = View::make(Rect(0, 0, 100, 100));
        window->addSubview(view);
    }

    std::shared_ptr<View> view;
};

TEST_F(AnimationTest, ModelValueIsTheEndAtOnceWhileTheDrawnValueMovesFromWhereItIsDrawn)
{
    int completions = 0;
    bool finished = false;
    View::animate(1.0, 0, { AnimationCurve::Linear }, [&] {
        view->setCenter({ 150, 50 });
        view->setAlpha(0);
        view->setBackgroundColor(Color::rgba(1, 0, 0));
    }, [&](bool done) { ++completions, finished = done; });
    EXPECT_TRUE(view->center() == (Point { 150, 50 }) && view->alpha() == 0) << "the model holds the end at once";
    EXPECT_TRUE(view->presentationCenter() == (Point { 50, 50 }) && window->isAnimating());

    RunLoop::main().advance(0.5);
    EXPECT_NEAR(view->presentationCenter().x, 100, 1e-9);
    EXPECT_NEAR(view->presentationAlpha(), 0.5, 1e-9);
    EXPECT_NEAR(view->presentationBackgroundColor()->alpha, 0.5, 1e-9);
    EXPECT_EQ(completions, 0);

    RunLoop::main().advance(0.6);
    window->prepareFrame();
    EXPECT_TRUE(view->presentationCenter() == (Point { 150, 50 }) && !window->isAnimating());
    EXPECT_TRUE(completions == 1 && finished) << "once, at the end";

    // A new animation starts from the drawn value; a change outside an animation jumps.
    View::animate(1.0, 0, { AnimationCurve::Linear }, [&] { view->setCenter({ 50, 50 }); });
    RunLoop::main().advance(0.5);
    View::animate(1.0, 0, { AnimationCurve::Linear }, [&] { view->setCenter({ 0, 150 }); });
    EXPECT_LT(std::hypot(view->presentationCenter().x - 100, view->presentationCenter().y - 50), 1e-9);
    RunLoop::main().advance(0.5);
    EXPECT_NEAR(view->presentationCenter().y, 100, 1e-9);
    view->setCenter({ 0, 0 });
    EXPECT_EQ(view->presentationCenter(), (Point { 0, 0 }));
    RunLoop::main().advance(1);

    // With no duration the change shows at once and completes on the next turn.
    View::animate(0, [&] { view->setAlpha(0.3); }, [&](bool) { ++completions; });
    EXPECT_EQ(std::tuple(view->presentationAlpha(), completions), std::tuple(0.3, 1));
    RunLoop::main().runPending();
    EXPECT_EQ(completions, 2);
}

TEST_F(AnimationTest, CurvesDelaysFramesTransformsAndKeyedTurns)
{
    View::animate(1.0, 0.5, { AnimationCurve::EaseInOut }, [&] {
        view->setFrame({ 100, 100, 200, 50 });
        view->setTransform(AffineTransform::rotation(std::numbers::pi / 2));
    });
    RunLoop::main().advance(0.25);
    EXPECT_EQ(view->presentationCenter(), (Point { 50, 50 })) << "still in its delay";
    RunLoop::main().advance(0.5); // a quarter of the way: ease-in-out is slower than linear
    const double x = view->presentationCenter().x;
    EXPECT_TRUE(x > 50 && x < 50 + 150 * 0.25) << x;
    RunLoop::main().advance(0.25); // half way
    EXPECT_NEAR(view->presentationCenter().x, 125, 1e-9);
    EXPECT_NEAR(view->presentationBounds().width(), 150, 1e-9);
    // The transform turns through 45°, it is not a blend of the matrices.
    const AffineTransform t = view->presentationTransform();
    EXPECT_LT(std::max(std::abs(t.angle() - std::numbers::pi / 4), std::abs(std::hypot(t.a, t.b) - 1)), 1e-9);
    RunLoop::main().advance(1);
    EXPECT_EQ(view->presentationTransform(), view->transform());

    // A keyed turn for ever repeats cumulatively over the model, which it leaves alone.
    view->setTransform({});
    view->layer().addAnimation(turningForever(4), "spin");
    RunLoop::main().advance(1);
    EXPECT_NEAR(view->presentationTransform().angle(), std::numbers::pi / 2, 1e-9);
    RunLoop::main().advance(4);
    window->prepareFrame();
    EXPECT_NEAR(view->presentationTransform().angle(), std::numbers::pi / 2, 1e-9) << "still turning after a full turn";
    EXPECT_TRUE(window->isAnimating() && view->transform() == AffineTransform::identity()) << "the model is untouched";
    view->layer().removeAnimationForKey("spin");
    EXPECT_TRUE(view->presentationTransform() == AffineTransform::identity() && !window->isAnimating());
}

// The window host keeps its picture and repaints only the dirty area of each frame. Whatever moves,
// fades, turns, hides or leaves mid-animation (a view taken away while its subview moves from far
// away too), that picture equals a full drawing of the same moment.
TEST_F(AnimationTest, RepaintingOnlyTheDirtyAreaShowsWhatAFullDrawingShows)
{
    window->setBackgroundColor(Color::whiteColor());
    auto panel = View::make(Rect(50, 150, 200, 120)), child = View::make(Rect(10, 10, 40, 40)), spinner = View::make(Rect(300, 300, 60, 20));
    for (auto [v, colour] : { std::pair { view, Color::rgba(1, 0, 0) }, { panel, Color::rgba(0, 0, 1) }, { child, Color::rgba(0, 1, 0) }, { spinner, Color::black() } })
        v->setBackgroundColor(colour);
    panel->addSubview(child);
    window->addSubview(panel);
    window->addSubview(spinner);
    spinner->layer().addAnimation(turningForever(2), "spin");

    DrawingContext kept(window->bounds().size, DrawingContext::Opacity::Opaque, 1);
    int frameNumber = 0;
    auto frames = [&](int count, const std::string& what) {
        for (int i = 0; i < count; ++i, ++frameNumber) {
            RunLoop::main().advance(1.0 / 60);
            window->prepareFrame();
            if (auto dirty = window->dirtyRect(); dirty && !dirty->isEmpty()) {
                kept.fill(*dirty, Color::whiteColor());
                window->render(kept.painter(), *dirty);
            }
            window->clearDirty();
            DrawingContext full(window->bounds().size, DrawingContext::Opacity::Opaque, 1);
            full.fill(window->bounds(), Color::whiteColor());
            window->render(full.painter());
            const Image shown = kept.takeImage(), held = full.takeImage();
            int wrong = 0;
            for (int y = 0; y < held.pixelHeight(); ++y)
                for (int x = 0; x < held.pixelWidth(); ++x)
                    wrong += shown.pixelAt(x, y) != held.pixelAt(x, y);
            ASSERT_EQ(wrong, 0) << what << ", frame " << frameNumber << ": pixels the window would show wrongly";
        }
    };
    frames(2, "at rest");
    View::animate(0.3, [&] { panel->setCenter({ 4 * 200, 210 }); });
    frames(25, "a panel sliding out");
    View::animate(0.3, [&] { panel->setCenter({ 150, 210 }), child->setCenter({ 170, 90 }), panel->setAlpha(0.5); });
    frames(25, "a panel sliding back and fading while its child moves");
    spinner->layer().removeAnimationForKey("spin");
    frames(3, "a turning view stopped");
    auto far = View::make(Rect(0, 250, 40, 40)); // drawn far below its parent, which stays
    far->setBackgroundColor(Color::rgba(1, 1, 0));
    view->addSubview(far);
    View::animate(0.5, [&] { far->setCenter({ 50, 50 }); });
    frames(10, "a subview moving back into its parent");
    RunLoop::main().advance(0.2); // the subview is no longer where the last frame drew it
    view->removeFromSuperview();
    frames(5, "a view removed while its subview moved");
    View::animate(0.5, [&] { panel->setCenter({ 150, 380 }); });
    frames(10, "a panel moving down");
    panel->setHidden(true);
    frames(5, "a panel hidden while it moved");
}

}
}
