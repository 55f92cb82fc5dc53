#include <demos/ViewsDemo.h>

#include <elements/ViewRotation.h>
#include <elements/XMCircleGestureRecognizer.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/TextRenderer.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/gestures/PanGestureRecognizer.h>
#include <platform/ui/gestures/PinchGestureRecognizer.h>
#include <platform/ui/gestures/TapGestureRecognizer.h>
#include <platform/ui/window/Window.h>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace vd {

namespace {

constexpr double kPi = std::numbers::pi;

// A line of text; the demo needs no more than this.
class DemoText : public View {
public:
    DemoText(const Rect& frame, std::string text, double size, TextAlignment alignment = TextAlignment::Center)
        : View(frame)
        , m_text(std::move(text))
    {
        m_style.fontName = "GillSans-UltraBold";
        m_style.fontSize = size;
        m_style.alignment = alignment;
        m_style.numberOfLines = 0;
        m_style.color = Color::fromCode("#2b2d42");
        setUserInteractionEnabled(false);
    }
    std::string className() const override { return "Label"; }
    std::optional<std::string> automationText() const override { return m_text; }
    void setText(std::string text)
    {
        m_text = std::move(text);
        setNeedsDisplay();
    }
    void draw(Painter& painter, const Rect& rect) override { painter.drawText(m_text, m_style, rect); }

private:
    std::string m_text;
    TextStyle m_style;
};

// A ring with twelve ticks, drawn once as a picture so it can spin as an image.
Image ringPicture(double side, const Color& color)
{
    DrawingContext context({ side, side }, DrawingContext::Opacity::Transparent, 2);
    Painter& painter = context.painter();
    const double r = side / 2;
    Path ring;
    ring.addCircle({ r, r }, r - 6);
    painter.strokePath(ring, color, { .width = 4 });
    for (int i = 0; i < 12; ++i) {
        const double a = i * kPi / 6;
        const double inner = r - (i == 0 ? 30 : 18);
        painter.strokeLine({ r + (r - 6) * std::cos(a), r + (r - 6) * std::sin(a) }, { r + inner * std::cos(a), r + inner * std::sin(a) }, color, i == 0 ? 6 : 3);
    }
    return context.takeImage().withName("demoRing");
}

std::string format(const char* pattern, double a, double b = 0, double c = 0)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

// Keeps the pan and the pinch of the draggable view going together.
class Together : public GestureRecognizerDelegate {
public:
    bool shouldRecognizeSimultaneously(GestureRecognizer&, GestureRecognizer&) override { return true; }
};

}

void installViewsDemo(Window& window)
{
    const double width = window.bounds().width();
    const double column = std::min(width, 390.0);
    const double left = (width - column) / 2;
    window.setBackgroundColor(Color::fromCode("#edf2f4"));

    auto title = std::make_shared<DemoText>(Rect(left + 10, 40, column - 20, 40), "Vardenico views", 28);
    title->setName("myLabelTitolo");
    window.addSubview(title);

    // Transforms: a rotated card with a child, and a scaled one.
    auto card = View::make(Rect(left + 30, 110, 120, 70));
    card->setName("myViewRuotata");
    card->setBackgroundColor(Color::fromCode("#8d99ae"));
    card->layer().setCornerRadius(12);
    card->setTransform(AffineTransform::rotation(kPi / 9));
    auto badge = View::make(Rect(80, 10, 30, 30));
    badge->setBackgroundColor(Color::fromCode("#ef233c"));
    badge->layer().setCornerRadius(15);
    card->addSubview(badge);
    window.addSubview(card);
    auto scaled = View::make(Rect(left + 230, 120, 80, 50));
    scaled->setName("myViewScalata");
    scaled->setBackgroundColor(Color::fromCode("#2b2d42"));
    scaled->layer().setBorderColor(Color::fromCode("#ef233c"));
    scaled->layer().setBorderWidth(3);
    scaled->setTransform(AffineTransform::scale(1.4, 0.8).rotated(-0.2));
    window.addSubview(scaled);

    // The tap counter.
    auto counter = View::make(Rect(left + 30, 220, 150, 60));
    counter->setName("myViewContatore");
    counter->setBackgroundColor(Color::fromCode("#ef233c"));
    counter->layer().setCornerRadius(10);
    auto counterLabel = std::make_shared<DemoText>(Rect(0, 0, 150, 60), "Taps: 0", 20);
    counterLabel->setName("myLabelContatore");
    counter->addSubview(counterLabel);
    window.addSubview(counter);
    auto taps = std::make_shared<int>(0);
    std::weak_ptr<DemoText> weakCounterLabel = counterLabel;
    counter->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([taps, weakCounterLabel](GestureRecognizer&) {
        if (auto label = weakCounterLabel.lock())
            label->setText("Taps: " + std::to_string(++*taps));
    }));

    // The endless rotation.
    auto spinner = std::make_shared<ImageView>(ringPicture(90, Color::fromCode("#2b2d42")));
    spinner->setName("myViewRotante");
    spinner->setCenter({ left + 275, 250 });
    window.addSubview(spinner);
    startZRotationWithDuration(*spinner, 24, BasicAnimation::kForever, true);

    // The draggable, pinchable view, with a dashed guide across the screen at its height.
    auto guide = std::make_shared<ShapeLayer>();
    Path line;
    line.moveTo({ 0, 380 });
    line.lineTo({ width, 380 });
    guide->setPath(line);
    guide->setFillColor(std::nullopt);
    guide->setStrokeColor(Color::fromCode("#8d99ae"));
    guide->setLineDashPattern({ 6, 4 });
    guide->setName("myLineaGuida");
    window.layer().addSublayer(guide);
    auto draggable = View::make(Rect(left + 135, 330, 120, 100));
    draggable->setName("myViewTrascinabile");
    draggable->setBackgroundColor(Color::fromCode("#ffb703"));
    draggable->layer().setCornerRadius(16);
    draggable->layer().setShadowOpacity(0.5);
    draggable->layer().setShadowOffset({ 0, 5 });
    draggable->layer().setShadowRadius(6);
    auto draggableLabel = std::make_shared<DemoText>(Rect(0, 0, 120, 100), "Drag me", 18);
    draggableLabel->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    draggable->addSubview(draggableLabel);
    window.addSubview(draggable);
    std::weak_ptr<View> weakDraggable = draggable;
    auto together = std::make_shared<Together>();
    auto pan = std::make_shared<PanGestureRecognizer>([weakDraggable](GestureRecognizer& r) {
        auto view = weakDraggable.lock();
        auto* p = static_cast<PanGestureRecognizer*>(&r);
        if (!view)
            return;
        auto parent = view->superview();
        const Point t = p->translationInView(parent.get());
        view->setCenter(view->center() + t);
        p->setTranslation({ 0, 0 }, parent.get());
    });
    pan->setMaximumNumberOfTouches(2);
    pan->setDelegate(together);
    draggable->addGestureRecognizer(pan);
    auto pinch = std::make_shared<PinchGestureRecognizer>([weakDraggable, together](GestureRecognizer& r) {
        auto view = weakDraggable.lock();
        auto* p = static_cast<PinchGestureRecognizer*>(&r);
        if (!view)
            return;
        view->setTransform(view->transform().scaled(p->scale(), p->scale()));
        p->setScale(1);
    });
    pinch->setDelegate(together);
    draggable->addGestureRecognizer(pinch);

    // The ring of the circular gesture and its readout.
    const double ringSide = 220;
    auto ring = std::make_shared<ImageView>(ringPicture(ringSide, Color::fromCode("#ef233c")));
    ring->setName("myViewCerchio");
    ring->setUserInteractionEnabled(true);
    ring->setCenter({ width / 2, 600 });
    window.addSubview(ring);
    auto readout = std::make_shared<DemoText>(Rect(left + 10, 730, column - 20, 60), "Turn the ring", 16);
    readout->setName("myLabelCerchio");
    window.addSubview(readout);
    auto turned = std::make_shared<double>(0);
    std::weak_ptr<ImageView> weakRing = ring;
    std::weak_ptr<DemoText> weakReadout = readout;
    auto circle = std::make_shared<XMCircleGestureRecognizer>(Point { ringSide / 2, ringSide / 2 }, [weakRing, weakReadout, turned](GestureRecognizer& r) {
        auto& c = static_cast<XMCircleGestureRecognizer&>(r);
        auto ringView = weakRing.lock();
        auto label = weakReadout.lock();
        if (!ringView || !label)
            return;
        if (auto rotation = c.rotation()) {
            *turned += *rotation;
            ringView->setTransform(AffineTransform::rotation(*turned));
        }
        if (c.angle())
            label->setText(format("angle %.1f°  distance %.0f  turned %.1f°", *c.angle() * 180 / kPi, c.distance().value_or(0), *turned * 180 / kPi));
        else
            label->setText(format("turned %.1f°", *turned * 180 / kPi));
    });
    circle->setInnerRadius(40);
    circle->setOuterRadius(ringSide / 2);
    ring->addGestureRecognizer(circle);
}

}
