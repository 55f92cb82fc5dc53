#include <demos/StickerDemo.h>

#include <elements/LDStickerView.h>
#include <platform/foundation/NotificationCenter.h>
#include <platform/graphics/ImageCatalogue.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/gestures/TapGestureRecognizer.h>
#include <platform/ui/window/Window.h>

namespace vd {

namespace {

// A dashed red line across the canvas, kept as a view of its own above the stickers so that a
// dump shows whether it is visible.
std::shared_ptr<View> makeGuide(const Rect& frame, Point from, Point to, const std::string& name)
{
    auto guide = View::make(frame);
    guide->setName(name);
    guide->setUserInteractionEnabled(false);
    auto line = std::make_shared<ShapeLayer>();
    Path path;
    path.moveTo(from);
    path.lineTo(to);
    line->setPath(path);
    line->setStrokeColor(Color::rgba(1, 0, 0));
    line->setFillColor(std::nullopt);
    line->setLineWidth(1.0);
    line->setLineJoin(LineJoin::Round);
    line->setLineDashPattern({ 4, 4 });
    guide->layer().addSublayer(line);
    guide->setHidden(true);
    return guide;
}

// The screen: it owns the guides' observers and lets every recognizer it adds work alongside
// the stickers' own, as the editor does.
class StickerDemoView : public View
    , public GestureRecognizerDelegate {
public:
    explicit StickerDemoView(const Rect& frame)
        : View(frame)
    {
    }
    ~StickerDemoView() override { NotificationCenter::defaultCenter().removeObserver(this); }

    bool shouldRecognizeSimultaneously(GestureRecognizer&, GestureRecognizer&) override { return true; }

    void build()
    {
        const double side = bounds().width();
        auto canvas = View::make(Rect(0, 0, side, side));
        canvas->setName("myViewTemporanea");
        canvas->setBackgroundColor(Color::fromCode("#2b2d42"));
        canvas->setClipsToBounds(true);
        addSubview(canvas);

        // The guides pass through the canvas's centre as its parent reports it.
        const Point c = canvas->center();
        auto horizontal = makeGuide(Rect(0, 0, side, side), { 0, c.y }, { side, c.y }, "lineOrizzontale");
        auto vertical = makeGuide(Rect(0, 0, side, side), { c.x, 0 }, { c.x, side }, "lineVerticale");
        addSubview(horizontal);
        addSubview(vertical);
        auto& centre = NotificationCenter::defaultCenter();
        auto show = [](std::weak_ptr<View> guide, bool visible) {
            return [guide, visible](const Notification&) {
                if (auto view = guide.lock())
                    view->setHidden(!visible);
            };
        };
        centre.addObserver(this, LDStickerView::keyCentroOr, nullptr, show(horizontal, true));
        centre.addObserver(this, LDStickerView::keyNascondiLineaOrizzonale, nullptr, show(horizontal, false));
        centre.addObserver(this, LDStickerView::keyCentroVer, nullptr, show(vertical, true));
        centre.addObserver(this, LDStickerView::keyCentroPerfetto, nullptr, show(horizontal, true));
        centre.addObserver(this, LDStickerView::keyCentroPerfetto, nullptr, show(vertical, true));
        centre.addObserver(this, LDStickerView::keyNascondiLineeGuida, nullptr, show(horizontal, false));
        centre.addObserver(this, LDStickerView::keyNascondiLineeGuida, nullptr, show(vertical, false));

        auto star = View::make<ImageView>(imageNamed("s").withRenderingMode(Image::RenderingMode::Template));
        star->setTintColor(Color::fromCode("#ffb703"));
        auto image = LDStickerView::initWithFrame(Rect(30, 30, 160, 160));
        image->setName("myStickerImmagine");
        image->nomeImmagine = "s";
        image->setContentView(star);
        canvas->addSubview(image);
        image->showEditingHandles();

        auto text = LDStickerView::initWithFrame(Rect(side - 240, side - 100, 210, 70));
        text->setName("myStickerTesto");
        text->nomeImmagine = "testo";
        text->setTextView(false);
        canvas->addSubview(text);
        text->setEnableRotate(true);
        text->setEnableResize(true);
        text->hideEditingHandles();
        std::weak_ptr<LDStickerView> weakText = text;
        auto doubleTap = std::make_shared<TapGestureRecognizer>([weakText](GestureRecognizer& recognizer) {
            auto sticker = weakText.lock();
            if (sticker && recognizer.state() == GestureRecognizer::State::Ended && sticker->myTextField)
                sticker->myTextField->becomeFirstResponder();
        });
        doubleTap->setNumberOfTapsRequired(2);
        doubleTap->setName("doubleTapText");
        doubleTap->setDelegate(std::static_pointer_cast<StickerDemoView>(shared_from_this()));
        text->addGestureRecognizer(doubleTap);

        auto help = View::make<Label>(Rect(20, side + 20, side - 40, 120));
        help->setName("myLabelIstruzioni");
        help->setNumberOfLines(0);
        help->setFont("GillSans-UltraBold", 15);
        help->setTextColor(Color::fromCode("#2b2d42"));
        help->setTextAlignment(TextAlignment::Center);
        help->setText("Drag a sticker to move it: red guides show when it meets the centre lines. "
                      "Bottom left resizes, bottom right rotates, top right deletes. "
                      "Tap shows or hides the handles; double-tap the text to type.");
        addSubview(help);
    }
};

}

void installStickerDemo(Window& window)
{
    window.setBackgroundColor(Color::fromCode("#edf2f4"));
    auto screen = View::make<StickerDemoView>(window.bounds());
    screen->setName("myViewStickerDemo");
    screen->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    window.addSubview(screen);
    screen->build();
}

}
