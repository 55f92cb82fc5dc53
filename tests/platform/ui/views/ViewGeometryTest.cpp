#include <platform/ui/views/View.h>
#include <platform/ui/window/Window.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <numbers>

namespace vd {
namespace {

constexpr double kPi = std::numbers::pi;

void expectRect(const Rect& r, double x, double y, double w, double h)
{
    EXPECT_LT(std::max({ std::abs(r.x() - x), std::abs(r.y() - y), std::abs(r.width() - w), std::abs(r.height() - h) }), 1e-9) << r.x() << ", " << r.y() << ", " << r.width() << " × " << r.height();
}

void expectPoint(Point p, double x, double y) { EXPECT_LT(std::hypot(p.x - x, p.y - y), 1e-9) << p.x << ", " << p.y; }

// The frame of a turned or scaled view is its bounding box about the centre; the bounds' origin
// shifts the children; points convert through transforms; children follow their parent's size.
TEST(ViewGeometry, FramesPointsAndAutoresizingThroughTransformsAndBoundsOrigins)
{
    auto view = View::make(Rect(10, 20, 100, 50));
    view->setTransform(AffineTransform::rotation(kPi / 2));
    expectRect(view->frame(), 35, -5, 50, 100);
    EXPECT_EQ(view->center(), (Point { 60, 45 })) << "a transform turns about the centre";
    view->setTransform({});

    auto parent = View::make(Rect(0, 0, 200, 200));
    auto child = View::make(Rect(50, 50, 10, 10));
    parent->addSubview(child);
    parent->setBounds({ 20, 30, 200, 200 });
    auto window = std::make_shared<Window>(Size { 400, 400 });
    window->addSubview(parent);
    EXPECT_EQ(child->convertPointToView({ 0, 0 }, nullptr), (Point { 30, 20 }));
    auto inner = View::make(Rect(0, 0, 20, 20));
    view->setFrame({ 100, 100, 100, 100 });
    window->addSubview(view);
    view->addSubview(inner);
    view->setTransform(AffineTransform::rotation(kPi / 2));
    // The view's top-left corner turns to its top-right on screen.
    const Point corner = view->convertPointToView({ 0, 0 }, nullptr);
    expectPoint(corner, 200, 100);
    expectPoint(view->convertPointFromView(corner, nullptr), 0, 0);
    expectRect(inner->convertRectToView(inner->bounds(), nullptr), 180, 100, 20, 20);

    parent->setBounds({ 0, 0, 100, 100 });
    auto stretchy = View::make(Rect(10, 10, 80, 80)), topRight = View::make(Rect(72, 0, 28, 28)), shared = View::make(Rect(25, 0, 50, 10));
    auto rotated = View::make(Rect(40, 40, 20, 10));
    stretchy->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    topRight->setAutoresizingMask(FlexibleLeftMargin | FlexibleBottomMargin);
    shared->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
    rotated->setAutoresizingMask(FlexibleLeftMargin);
    rotated->setTransform(AffineTransform::rotation(0.3));
    for (auto& v : { stretchy, topRight, shared, rotated })
        parent->addSubview(v);
    parent->setBounds({ 0, 0, 200, 150 });
    EXPECT_EQ(std::tuple(child->frame(), stretchy->frame(), topRight->frame(), shared->frame()), std::tuple(Rect(50, 50, 10, 10), Rect(10, 10, 180, 130), Rect(172, 0, 28, 28), Rect(75, 0, 50, 10)));
    EXPECT_EQ(std::tuple(rotated->center(), rotated->transform()), std::tuple(Point { 150, 45 }, AffineTransform::rotation(0.3)));
}

// A view that builds its children in its constructor, before anything owns it.
class SelfBuilt : public View {
public:
    SelfBuilt()
    {
        child->setName("myButtonSalva");
        addSubview(child);
    }
    std::shared_ptr<View> child { View::make() };
};

TEST(ViewHierarchy, OrderOfSubviewsParentsWindowAndLookUpByName)
{
    using Views = std::vector<std::shared_ptr<View>>;
    auto parent = View::make<SelfBuilt>();
    auto a = parent->child, b = View::make(), c = View::make();
    EXPECT_EQ(std::tuple(a->superview(), a->window()), std::tuple(parent, nullptr)) << "a child added in a constructor knows its parent once made";
    parent->addSubview(b);
    parent->insertSubviewAtIndex(c, 1);
    parent->addSubview(a);
    EXPECT_EQ(parent->subviews(), (Views { c, b, a })) << "adding it again moves it to the front, never a second copy";

    auto window = std::make_shared<Window>(Size { 100, 100 });
    window->addSubview(parent);
    EXPECT_EQ(std::tuple(a->window(), window->viewNamed("myButtonSalva"), window->viewNamed("absent")), std::tuple(window.get(), a, nullptr));
    parent->removeFromSuperview();
    auto other = View::make();
    other->addSubview(c);
    EXPECT_EQ(std::tuple(parent->subviews(), c->superview()), std::tuple(Views { b, a }, other)) << "adding to another parent moves the view";

    // A view cannot become its own ancestor.
    a->addSubview(parent);
    EXPECT_TRUE(parent->superview() == nullptr && a->subviews().empty());

    // Removing a view inside its own callback is safe.
    struct SelfRemoving : View {
        void didMoveToWindow() override
        {
            if (window())
                removeFromSuperview();
        }
    };
    window->addSubview(std::make_shared<SelfRemoving>());
    EXPECT_TRUE(window->subviews().empty());
}

TEST(ViewHitTesting, DeepestInteractiveViewUnderThePointThroughTransforms)
{
    auto window = std::make_shared<Window>(Size { 400, 400 });
    auto box = View::make(Rect(100, 100, 200, 40));
    box->setTransform(AffineTransform::rotation(kPi / 2)); // now a tall 40 × 200 bar at x 180…220
    window->addSubview(box);
    auto knob = View::make(Rect(0, 0, 20, 40)); // the bar's top end on screen
    box->addSubview(knob);

    EXPECT_EQ(window->hitTest({ 200, 210 }), box);
    EXPECT_EQ(window->hitTest({ 120, 120 }), window) << "outside the rotated bar";
    EXPECT_EQ(window->hitTest({ 200, 25 }), knob);

    knob->setAlpha(0.005);
    EXPECT_EQ(window->hitTest({ 200, 25 }), box) << "a nearly transparent view takes no touches";
    knob->setAlpha(1);
    knob->setHidden(true);
    EXPECT_EQ(window->hitTest({ 200, 25 }), box) << "nor a hidden one";
    knob->setHidden(false);
    knob->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({ 200, 25 }), box) << "nor one that takes none";
    box->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({ 200, 25 }), window) << "nor do the children of a view that takes none";

    // Children outside their parent's bounds are not reached, as on the toolkit.
    auto parent = View::make(Rect(0, 300, 50, 50));
    auto outside = View::make(Rect(60, 0, 20, 20));
    parent->addSubview(outside);
    window->addSubview(parent);
    EXPECT_EQ(window->hitTest({ 70, 310 }), window);
}

}
}
