#include <TestSupport.h>

#include <platform/ui/lists/ScrollView.h>

#include <cmath>

namespace vd {
namespace {

struct Recorder : ScrollViewDelegate {
    std::shared_ptr<View> zoom;
    int scrolls { 0 }, beganDragging { 0 }, endedDragging { 0 }, zooms { 0 };
    bool draggingDuringScroll { false };
    double endZoomScale { 0 };
    void scrollViewDidScroll(ScrollView& s) override { ++scrolls, draggingDuringScroll = draggingDuringScroll || s.isDragging(); }
    void scrollViewWillBeginDragging(ScrollView&) override { ++beganDragging; }
    void scrollViewDidEndDragging(ScrollView&) override { ++endedDragging; }
    std::shared_ptr<View> viewForZoomingInScrollView(ScrollView&) override { return zoom; }
    void scrollViewDidZoom(ScrollView&) override { ++zooms; }
    void scrollViewDidEndZooming(ScrollView&, View*, double scale) override { endZoomScale = scale; }
};

struct ScrollFixture : test::VirtualClockWindowTest {
    ScrollFixture() : VirtualClockWindowTest({ 300, 400 }) { }
    void SetUp() override
    {
        VirtualClockWindowTest::SetUp();
        scroll = View::make<ScrollView>(Rect(0, 0, 300, 400));
        window->addSubview(scroll);
        scroll->setDelegate(recorder);
    }
    std::shared_ptr<ScrollView> scroll;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

TEST_F(ScrollFixture, OffsetStaysWithinTheContentMovesTheChildrenAndArrivesAfterItsAnimation)
{
    scroll->setContentSize({ 600, 1000 });
    auto child = View::make(Rect(100, 500, 10, 10));
    scroll->addSubview(child);

    scroll->setContentOffset({ 50, 450 });
    EXPECT_EQ(std::tuple(scroll->contentOffset(), child->convertPointToView({ 0, 0 }, nullptr)), std::tuple(Point { 50, 450 }, Point { 50, 50 }));

    scroll->setContentOffset({ -20, 5000 });
    EXPECT_EQ(scroll->contentOffset(), (Point { 0, 600 })) << "clamped to 0 … content − bounds";

    scroll->setContentSize({ 300, 500 });
    EXPECT_EQ(scroll->contentOffset(), (Point { 0, 100 })) << "a smaller content pulls the offset back";

    scroll->setContentSize({ 300, 2000 });
    scroll->setContentOffset({ 0, 500 }, Animated::Yes);
    EXPECT_TRUE(scroll->contentOffset().y == 500 && scroll->presentationBounds().y() < 500) << "the model value is the end value at once";
    RunLoop::main().advance(0.5);
    EXPECT_EQ(scroll->presentationBounds().y(), 500);
}

TEST_F(ScrollFixture, AFingerDragsTheContentWhileScrollingIsEnabledAndContentThatFitsLeavesItToTheViewsBelow)
{
    scroll->setContentSize({ 300, 1200 });
    test::drag(*window, { 150, 300 }, { 150, 100 });
    EXPECT_NEAR(scroll->contentOffset().y, 200, 1e-9);
    EXPECT_EQ(scroll->contentOffset().x, 0) << "nothing to scroll sideways";
    EXPECT_EQ(std::tuple(recorder->beganDragging, recorder->endedDragging, recorder->draggingDuringScroll, scroll->isDragging()), std::tuple(1, 1, true, false));

    scroll->setScrollEnabled(false);
    test::drag(*window, { 150, 300 }, { 150, 100 });
    EXPECT_NEAR(scroll->contentOffset().y, 200, 1e-9);
    scroll->setScrollEnabled(true);
    test::drag(*window, { 150, 200 }, { 150, 250 });
    EXPECT_NEAR(scroll->contentOffset().y, 150, 1e-9);

    // Content that fits leaves the drag to the views below.
    struct Catcher : View {
        int seen { 0 };
        void touchesMoved(const TouchSet&, const TouchEvent&) override { ++seen; }
    };
    auto catcher = View::make<Catcher>();
    catcher->setFrame({ 0, 0, 300, 400 });
    scroll->addSubview(catcher);
    scroll->setContentSize({ 300, 400 });
    scroll->setContentOffset({ 0, 0 });
    test::drag(*window, { 100, 100 }, { 100, 300 });
    EXPECT_EQ(std::tuple(scroll->contentOffset().y, catcher->seen), std::tuple(0.0, 10)) << "no recognizer cancelled the view's touches";
}

TEST_F(ScrollFixture, PinchZoomsTheDelegatesViewWithinTheRange)
{
    auto canvas = View::make(Rect(0, 0, 300, 300));
    scroll->addSubview(canvas);
    scroll->setContentSize({ 300, 300 });
    recorder->zoom = canvas;
    scroll->setMinimumZoomScale(1);
    scroll->setMaximumZoomScale(3);

    test::pinch(*window, { 150, 150 }, 100, 200);
    EXPECT_NEAR(scroll->zoomScale(), 2, 1e-6);
    EXPECT_NEAR(scroll->contentSize().width, 600, 1e-6);
    EXPECT_NEAR(scroll->contentOffset().x, 150, 1e-6) << "the point under the fingers stays under them";
    EXPECT_TRUE(std::abs(recorder->endZoomScale - 2) < 1e-6 && recorder->zooms > 0) << "the delegate heard";

    test::pinch(*window, { 150, 150 }, 60, 280);
    EXPECT_NEAR(scroll->zoomScale(), 3, 1e-9) << "capped at the maximum";
    test::pinch(*window, { 150, 150 }, 280, 10);
    EXPECT_NEAR(scroll->zoomScale(), 1, 1e-9) << "held at the minimum";
    EXPECT_NEAR(canvas->frame().width(), 300, 1e-6);

    // Pinning the range to the current zoom stops zooming, as the editor does during a two-finger move.
    scroll->setZoomScale(2);
    scroll->setMinimumZoomScale(2), scroll->setMaximumZoomScale(2);
    test::pinch(*window, { 150, 150 }, 100, 300);
    EXPECT_NEAR(scroll->zoomScale(), 2, 1e-9);
    scroll->setMinimumZoomScale(1), scroll->setMaximumZoomScale(3);

    // A layer deeper inside zooms about its own centre and keeps its rotation; the canvas and
    // the content stay as they are.
    scroll->setZoomScale(1);
    auto sticker = View::make(Rect(100, 100, 80, 40));
    sticker->setTransform(AffineTransform::rotation(0.5));
    canvas->addSubview(sticker);
    recorder->zoom = sticker;
    test::pinch(*window, { 150, 150 }, 100, 150);
    EXPECT_TRUE(std::abs(std::hypot(sticker->transform().a, sticker->transform().b) - 1.5) < 1e-6 && std::abs(sticker->transform().angle() - 0.5) < 1e-9);
    EXPECT_EQ(std::tuple(sticker->center(), scroll->contentSize(), canvas->transform()), std::tuple(Point { 140, 120 }, Size { 300, 300 }, AffineTransform::identity()));
    recorder->zoom = scroll; // not a view inside it
    scroll->setZoomScale(1);
    EXPECT_NEAR(std::hypot(sticker->transform().a, sticker->transform().b), 1.5, 1e-6);
}

}
}
