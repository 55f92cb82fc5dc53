#include <demos/ControlsDemo.h>

#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/ui/presentation/AlertController.h>
#include <platform/ui/controls/BlurView.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/presentation/PhotoPicker.h>
#include <platform/ui/presentation/Popover.h>
#include <platform/ui/controls/ProgressView.h>
#include <platform/ui/controls/SegmentedControl.h>
#include <platform/ui/presentation/SettingsScreen.h>
#include <platform/ui/presentation/ShareSheet.h>
#include <platform/ui/controls/Slider.h>
#include <platform/ui/controls/Stepper.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/controls/TextView.h>
#include <platform/ui/controls/Toolbar.h>
#include <platform/ui/window/Window.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace vd {

namespace {

constexpr double kPi = std::numbers::pi;
const Color kInk = Color::fromCode("#2b2d42");
const Color kAccent = Color::fromCode("#ef8354");

std::string formatNumber(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Hills under a sky with a sun: enough colour and edges for the blur to show.
Image landscapePicture(Size size)
{
    DrawingContext context(size, DrawingContext::Opacity::Opaque, 2);
    Painter& painter = context.painter();
    Path all;
    all.addRect({ 0, 0, size.width, size.height });
    const GradientStop sky[] = { { 0, Color::rgba(0.31, 0.55, 0.86) }, { 1, Color::rgba(0.98, 0.8, 0.6) } };
    painter.fillPath(all, { 0, 0 }, { 0, size.height }, sky);
    Path sun;
    sun.addCircle({ size.width * 0.78, size.height * 0.3 }, size.height * 0.18);
    painter.fillPath(sun, Color::rgba(1, 0.85, 0.2));
    const Color greens[3] = { Color::rgba(0.27, 0.55, 0.3), Color::rgba(0.18, 0.45, 0.25), Color::rgba(0.1, 0.32, 0.2) };
    for (int i = 0; i < 3; ++i) {
        Path hill;
        hill.moveTo({ 0, size.height });
        for (double x = 0; x <= size.width; x += 4)
            hill.lineTo({ x, size.height * (0.55 + 0.13 * i) + std::sin(x / (40.0 + 25 * i) + i) * size.height * 0.08 });
        hill.lineTo({ size.width, size.height });
        hill.close();
        painter.fillPath(hill, greens[i]);
    }
    return context.takeImage().withName("demoLandscape");
}

// A five-pointed star in black on clear: a template picture for tinting.
Image starPicture(double side, double rotation = 0)
{
    DrawingContext context({ side, side }, DrawingContext::Opacity::Transparent, 2);
    Painter& painter = context.painter();
    painter.translate(side / 2, side / 2);
    painter.rotate(rotation);
    Path star;
    for (int i = 0; i < 10; ++i) {
        const double r = (i % 2 ? 0.2 : 0.48) * side;
        const double a = -kPi / 2 + i * kPi / 5;
        if (i == 0)
            star.moveTo({ r * std::cos(a), r * std::sin(a) });
        else
            star.lineTo({ r * std::cos(a), r * std::sin(a) });
    }
    star.close();
    painter.fillPath(star, Color::black());
    return context.takeImage().withRenderingMode(Image::RenderingMode::Template).withName("demoStar");
}

Image discPicture(double side, const Color& color, const std::string& name)
{
    DrawingContext context({ side, side }, DrawingContext::Opacity::Transparent, 2);
    Painter& painter = context.painter();
    Path disc, ring;
    disc.addCircle({ side / 2, side / 2 }, side / 2 - 1);
    ring.addCircle({ side / 2, side / 2 }, side / 2 - 4);
    painter.fillPath(disc, color);
    painter.strokePath(ring, Color::whiteColor(), { .width = 3 });
    return context.takeImage().withName(name);
}

std::shared_ptr<Label> makeLabel(const std::string& name, const std::string& text, double size = 14, TextAlignment alignment = TextAlignment::Left)
{
    auto label = View::make<Label>();
    label->setName(name);
    label->setText(text);
    label->setFont("Helvetica", size);
    label->setTextColor(kInk);
    label->setTextAlignment(alignment);
    return label;
}

std::shared_ptr<Button> makeButton(const std::string& name, const std::string& title)
{
    auto button = View::make<Button>(Button::Type::System);
    button->setName(name);
    button->setTitle(title);
    button->setFont("Helvetica-Bold", 15);
    button->layer().setCornerRadius(8);
    button->layer().setBorderWidth(1);
    button->layer().setBorderColor(kAccent);
    button->setTintColor(kAccent);
    return button;
}

// The gallery's state, shared by the actions.
struct Gallery : TextViewDelegate {
    Window* window { nullptr };
    bool tablet { false };
    int taps { 0 };
    std::shared_ptr<Label> result, taps_, textSize, sliderValue, verticalValue, stepperValue, segmentValue;
    std::shared_ptr<TextView> text;
    std::shared_ptr<ProgressView> progress;
    std::shared_ptr<ImageView> animated;
    std::shared_ptr<Button> shareButton;

    void report(const std::string& what) { result->setText(what); }

    void textViewDidBeginEditing(TextView&) override { report("Editing began"); }
    void textViewDidEndEditing(TextView& view) override { report("Editing ended: " + std::to_string(view.text().size()) + " bytes"); }
    void textViewDidChange(TextView& view) override
    {
        // The size the text needs at the view's width: what a text layer is fitted to.
        const Size fitted = view.sizeThatFits({ view.bounds().width(), 0 });
        textSize->setText("Fits " + formatNumber("%.0f", fitted.width) + " × " + formatNumber("%.0f", fitted.height));
    }
};

// Lays views out top to bottom in a column.
struct Column {
    double x, y, width;
    double gap;
    Rect next(double height)
    {
        const Rect r { x, y, width, height };
        y += height + gap;
        return r;
    }
};

}

void installControlsDemo(Window& window)
{
    const Size screen = window.bounds().size;
    const bool tablet = screen.width >= 700;
    auto gallery = std::make_shared<Gallery>();
    // The controls' actions share the gallery, which holds the controls: the demo's state lives
    // as long as the program, kept here rather than only by that circle of references.
    static auto* galleries = new std::vector<std::shared_ptr<Gallery>>; // never destroyed
    galleries->push_back(gallery);
    gallery->window = &window;
    gallery->tablet = tablet;
    window.setBackgroundColor(Color::fromCode("#f4f1ec"));
    const double margin = tablet ? 48 : 16;
    const double gap = tablet ? 22 : 10;
    const double columnWidth = tablet ? (screen.width - 3 * margin) / 2 : screen.width - 2 * margin;
    Column left { margin, tablet ? 72.0 : 44.0, columnWidth, gap };

    auto title = makeLabel("myLabelTitle", "Controls", tablet ? 34 : 26);
    title->setFont("GillSans-UltraBold", tablet ? 34 : 26);
    title->setFrame(left.next(tablet ? 44 : 32));
    window.addSubview(title);
    Column right { tablet ? 2 * margin + columnWidth : margin, tablet ? left.y : 0, columnWidth, tablet ? 40 : gap };

    // Blur over a picture.
    const Rect pictureFrame = left.next(tablet ? 340 : 92);
    auto picture = View::make<ImageView>(pictureFrame);
    picture->setName("myImageViewBackground");
    picture->setImage(landscapePicture(pictureFrame.size));
    picture->setContentMode(ContentMode::ScaleAspectFill);
    picture->setClipsToBounds(true);
    window.addSubview(picture);
    auto blur = View::make<BlurView>(BlurView::Style::Light);
    blur->setName("myBlurView");
    blur->setFrame({ pictureFrame.midX(), pictureFrame.y(), pictureFrame.width() / 2, pictureFrame.height() });
    window.addSubview(blur);
    auto glassLabel = makeLabel("myLabelBlur", "Blur", tablet ? 28 : 20, TextAlignment::Center);
    glassLabel->setFont("GillSans-UltraBold", tablet ? 28 : 20);
    glassLabel->setFrame(blur->bounds());
    blur->contentView()->addSubview(glassLabel);

    // Labels: alignments, fonts, colours, lines.
    const Rect labelRow = left.next(22);
    const char* alignNames[] = { "Left", "Centre", "Right" };
    for (int i = 0; i < 3; ++i) {
        auto label = makeLabel(std::string("myLabel") + alignNames[i], alignNames[i], 15, i == 0 ? TextAlignment::Left : i == 1 ? TextAlignment::Center : TextAlignment::Right);
        label->setFrame(labelRow);
        if (i == 1) {
            label->setFont("GillSans-UltraBold", 17);
            label->setTextColor(kAccent);
        }
        window.addSubview(label);
    }
    auto lines = makeLabel("myLabelLines", "A label of two lines: the text wraps at word boundaries and ends with an ellipsis when it runs out of room.", 12);
    lines->setNumberOfLines(2);
    lines->setTextColor(Color::white(0.35));
    lines->setFrame(left.next(32));
    window.addSubview(lines);

    // Buttons: a counter, an image button that changes picture when pressed, a disabled one.
    const Rect buttonRow = left.next(36);
    auto tapButton = makeButton("myButtonTap", "Tap me");
    tapButton->setFrame({ buttonRow.x(), buttonRow.y(), 96, 36 });
    window.addSubview(tapButton);
    auto star = View::make<Button>(Button::Type::Custom);
    star->setName("myButtonStar");
    star->setImage(starPicture(30));
    star->setImage(starPicture(30, kPi / 5).withName("demoStarTurned"), ControlStateHighlighted);
    star->setImage(starPicture(30).withName("demoStarSelected"), ControlStateSelected);
    star->setTintColor(kAccent);
    star->setFrame({ buttonRow.x() + 106, buttonRow.y(), 36, 36 });
    window.addSubview(star);
    auto disabled = makeButton("myButtonDisabled", "Disabled");
    disabled->setEnabled(false);
    disabled->layer().setBorderColor(Color::white(0.75));
    disabled->setFrame({ buttonRow.x() + 152, buttonRow.y(), 96, 36 });
    window.addSubview(disabled);
    gallery->taps_ = makeLabel("myLabelTaps", "Taps: 0", 14, TextAlignment::Right);
    gallery->taps_->setFrame({ buttonRow.x() + 252, buttonRow.y(), buttonRow.width() - 252, 36 });
    window.addSubview(gallery->taps_);
    tapButton->addAction(ControlEvent::TouchUpInside, [gallery](Control&) {
        gallery->taps_->setText("Taps: " + std::to_string(++gallery->taps));
        gallery->report("Button tapped");
    });
    star->addAction(ControlEvent::TouchUpInside, [gallery](Control& c) {
        c.setSelected(!c.isSelected());
        c.setTintColor(c.isSelected() ? Color::fromCode("#4f5d75") : kAccent);
        gallery->report(c.isSelected() ? "Star selected" : "Star deselected");
    });

    // The text view, with a Done bar while it is edited.
    gallery->text = View::make<TextView>(left.next(tablet ? 240 : 88));
    gallery->text->setName("myTextView");
    gallery->text->setFont("GillSans-UltraBold", tablet ? 22 : 18);
    gallery->text->setTextColor(kInk);
    gallery->text->setText("Il tuo testo");
    gallery->text->setScrollEnabled(false);
    gallery->text->setClipsToBounds(true);
    gallery->text->layer().setCornerRadius(6);
    gallery->text->layer().setBorderWidth(1);
    gallery->text->layer().setBorderColor(Color::white(0.8));
    gallery->text->setDelegate(std::static_pointer_cast<TextViewDelegate>(gallery));
    std::weak_ptr<TextView> weakText = gallery->text;
    gallery->text->setInputAccessoryView(Toolbar::makeDoneToolbar([weakText] {
        if (auto text = weakText.lock())
            text->resignFirstResponder();
    }));
    window.addSubview(gallery->text);
    const Rect alignRow = left.next(29);
    auto alignment = View::make<SegmentedControl>(std::vector<std::string> { "Left", "Centre", "Right" });
    alignment->setName("mySegmentedAlignment");
    alignment->setFrame({ alignRow.x(), alignRow.y(), std::min(210.0, alignRow.width() / 2), 29 });
    alignment->setSelectedSegmentIndex(0);
    alignment->setTintColor(Color::fromCode("#4f5d75"));
    window.addSubview(alignment);
    gallery->textSize = makeLabel("myLabelTextSize", "", 12, TextAlignment::Right);
    gallery->textSize->setFrame({ alignRow.x() + alignment->bounds().width() + 8, alignRow.y(), alignRow.width() - alignment->bounds().width() - 8, 29 });
    window.addSubview(gallery->textSize);
    alignment->addAction(ControlEvent::ValueChanged, [gallery](Control& c) {
        const int index = static_cast<SegmentedControl&>(c).selectedSegmentIndex();
        gallery->text->setTextAlignment(index == 1 ? TextAlignment::Center : index == 2 ? TextAlignment::Right : TextAlignment::Left);
        gallery->report("Alignment " + static_cast<SegmentedControl&>(c).titleForSegment(static_cast<size_t>(index)));
    });

    // Image views: a tinted template, the same picture filling its bounds, a flip-book.
    Column& media = tablet ? left : right;
    if (!tablet)
        right = left;
    const Rect imageRow = media.next(tablet ? 140 : 56);
    const double side = imageRow.height();
    auto templated = View::make<ImageView>(Rect { imageRow.x(), imageRow.y(), side * 1.6, side });
    templated->setName("myImageViewTemplate");
    templated->setImage(starPicture(40));
    templated->setContentMode(ContentMode::ScaleAspectFit);
    templated->setTintColor(Color::fromCode("#2a9d8f"));
    templated->setBackgroundColor(Color::white(1, 0.7));
    window.addSubview(templated);
    auto filled = View::make<ImageView>(Rect { imageRow.x() + side * 1.6 + 8, imageRow.y(), side * 1.6, side });
    filled->setName("myImageViewFill");
    filled->setImage(starPicture(40));
    filled->setContentMode(ContentMode::ScaleToFill);
    filled->setTintColor(Color::fromCode("#e76f51"));
    filled->setBackgroundColor(Color::white(1, 0.7));
    window.addSubview(filled);
    gallery->animated = View::make<ImageView>(Rect { imageRow.x() + side * 3.2 + 16, imageRow.y(), side, side });
    gallery->animated->setName("myImageViewAnimated");
    gallery->animated->setImage(discPicture(side, Color::white(0.6), "demoStill"));
    gallery->animated->setAnimationImages({ discPicture(side, Color::fromCode("#e63946"), "demoRed"), discPicture(side, Color::fromCode("#2a9d8f"), "demoGreen"), discPicture(side, Color::fromCode("#457b9d"), "demoBlue") });
    gallery->animated->setAnimationDuration(0.9);
    gallery->animated->startAnimating();
    window.addSubview(gallery->animated);
    auto clear = makeButton("myButtonClearAnimation", "Clear");
    clear->setFrame({ imageRow.x() + side * 4.2 + 24, imageRow.y() + (side - 32) / 2, 72, 32 });
    clear->addAction(ControlEvent::TouchUpInside, [gallery](Control&) {
        gallery->animated->setAnimationImages({});
        gallery->report("Animation cleared");
    });
    window.addSubview(clear);
    if (!tablet)
        right = media;

    // Sliders: one lying down, one standing in a container turned by −π/2.
    const double valueWidth = 64;
    const double uprightRoom = tablet ? 60 : 44;
    const Rect sliderRow = right.next(31);
    auto slider = View::make<Slider>(Rect { sliderRow.x(), sliderRow.y(), sliderRow.width() - valueWidth - uprightRoom - 8, 31 });
    slider->setName("mySlider");
    slider->setValue(0.35);
    slider->setMinimumTrackTintColor(kAccent);
    window.addSubview(slider);
    gallery->sliderValue = makeLabel("myLabelSlider", "0.35", 14, TextAlignment::Right);
    gallery->sliderValue->setFrame({ slider->frame().maxX(), sliderRow.y(), valueWidth, 31 });
    window.addSubview(gallery->sliderValue);
    slider->addAction(ControlEvent::ValueChanged, [gallery](Control& c) {
        gallery->sliderValue->setText(formatNumber("%.2f", static_cast<Slider&>(c).value()));
    });
    const double uprightLength = tablet ? 200 : 150;
    auto container = View::make(Rect { 0, 0, uprightLength, 31 });
    container->setName("myViewSliderContainer");
    container->setBackgroundColor(Color::white(1, 0.8));
    container->layer().setCornerRadius(15.5);
    container->setCenter({ sliderRow.maxX() - uprightRoom / 2, sliderRow.y() + uprightLength / 2 });
    container->setTransform(AffineTransform::rotation(-kPi / 2));
    auto upright = View::make<Slider>(Rect { 6, 0, uprightLength - 12, 31 });
    upright->setName("mySliderVertical");
    upright->setThumbImage(discPicture(22, kAccent, "demoThumb"));
    upright->setMinimumTrackTintColor(kAccent);
    upright->setValue(0.5);
    container->addSubview(upright);
    window.addSubview(container);
    gallery->verticalValue = makeLabel("myLabelVertical", "0.50", 12, TextAlignment::Center);
    gallery->verticalValue->setFrame({ sliderRow.maxX() - uprightRoom, sliderRow.y() + uprightLength + 4, uprightRoom, 16 });
    window.addSubview(gallery->verticalValue);
    upright->addAction(ControlEvent::ValueChanged, [gallery](Control& c) {
        gallery->verticalValue->setText(formatNumber("%.2f", static_cast<Slider&>(c).value()));
    });
    const double rowWidth = sliderRow.width() - uprightRoom - 8;

    // Stepper with its readout, as the apply screen's size control.
    const Rect stepperRow = right.next(29);
    auto stepper = View::make<Stepper>();
    stepper->setName("myStepper");
    stepper->setMinimumValue(5);
    stepper->setMaximumValue(50);
    stepper->setStepValue(5);
    stepper->setValue(20);
    stepper->setCenter({ stepperRow.x() + 47, stepperRow.midY() });
    stepper->setTintColor(kAccent);
    window.addSubview(stepper);
    gallery->stepperValue = makeLabel("myLabelStepper", "20 pt", 14);
    gallery->stepperValue->setFrame({ stepperRow.x() + 106, stepperRow.y(), rowWidth - 106, 29 });
    window.addSubview(gallery->stepperValue);
    stepper->addAction(ControlEvent::ValueChanged, [gallery](Control& c) {
        gallery->stepperValue->setText(std::to_string(static_cast<int>(static_cast<Stepper&>(c).value())) + " pt");
    });

    // Segmented control.
    const Rect segmentRow = right.next(29);
    auto segmented = View::make<SegmentedControl>(std::vector<std::string> { "White", "Gray", "Dark" });
    segmented->setName("mySegmented");
    segmented->setFrame({ segmentRow.x(), segmentRow.y(), std::min(240.0, rowWidth - 70), 29 });
    segmented->setTintColor(Color::fromCode("#4f5d75"));
    window.addSubview(segmented);
    gallery->segmentValue = makeLabel("myLabelSegmented", "none", 14, TextAlignment::Right);
    gallery->segmentValue->setFrame({ segmented->frame().maxX(), segmentRow.y(), rowWidth - segmented->bounds().width(), 29 });
    window.addSubview(gallery->segmentValue);
    segmented->addAction(ControlEvent::ValueChanged, [gallery](Control& c) {
        auto& control = static_cast<SegmentedControl&>(c);
        gallery->segmentValue->setText(control.titleForSegment(static_cast<size_t>(control.selectedSegmentIndex())));
    });

    // Progress bar, its button, and a switch.
    const Rect progressRow = right.next(32);
    auto advance = makeButton("myButtonAdvance", "+25%");
    advance->setFrame({ progressRow.x(), progressRow.y(), 64, 32 });
    window.addSubview(advance);
    auto toggle = View::make<Switch>();
    toggle->setName("mySwitch");
    toggle->setFrame({ progressRow.x() + rowWidth - 51, progressRow.y(), 51, 31 });
    window.addSubview(toggle);
    gallery->progress = View::make<ProgressView>(Rect { progressRow.x() + 76, progressRow.midY() - 2, rowWidth - 76 - 63, 4 });
    gallery->progress->setName("myProgress");
    gallery->progress->setProgressTintColor(kAccent);
    gallery->progress->layer().setCornerRadius(2);
    window.addSubview(gallery->progress);
    advance->addAction(ControlEvent::TouchUpInside, [gallery](Control&) {
        const double next = gallery->progress->progress() >= 1 ? 0 : gallery->progress->progress() + 0.25;
        gallery->progress->setProgress(next, true);
        gallery->report("Progress " + std::to_string(static_cast<int>(next * 100)) + "%");
    });
    toggle->addAction(ControlEvent::ValueChanged, [gallery](Control& c) {
        gallery->report(static_cast<Switch&>(c).isOn() ? "Switch on" : "Switch off");
    });
    if (right.y < left.y && !tablet)
        right.y = left.y;
    right.y = std::max(right.y, container->frame().maxY() + 24 - (tablet ? 0 : 0));

    // Presentations.
    const Rect actionRow = right.next(36);
    const double actionWidth = (actionRow.width() - 3 * 8) / 4;
    const char* actionNames[] = { "myButtonAlert", "myButtonPopover", "myButtonShare", "myButtonSettings" };
    const char* actionTitles[] = { "Alert", "Popover", "Share", "Settings" };
    std::shared_ptr<Button> actions[4];
    for (int i = 0; i < 4; ++i) {
        actions[i] = makeButton(actionNames[i], actionTitles[i]);
        actions[i]->setFrame({ actionRow.x() + i * (actionWidth + 8), actionRow.y(), actionWidth, 36 });
        window.addSubview(actions[i]);
    }
    gallery->shareButton = actions[2];
    actions[0]->addAction(ControlEvent::TouchUpInside, [gallery](Control&) {
        auto alert = AlertController::make("Vardenico", "Leave without saving? The changes will be lost.");
        alert->addAction("Ok", AlertController::ActionStyle::Default, [gallery] { gallery->report("Alert: Ok"); });
        alert->addAction("Cancel", AlertController::ActionStyle::Cancel, [gallery] { gallery->report("Alert: Cancel"); });
        alert->present(*gallery->window);
    });
    actions[1]->addAction(ControlEvent::TouchUpInside, [gallery](Control& c) {
        auto content = View::make();
        content->setBackgroundColor(Color::whiteColor());
        const char* codes[] = { "#e63946", "#f4a261", "#e9c46a", "#2a9d8f", "#457b9d", "#1d3557", "#6d597a", "#2b2d42" };
        for (int i = 0; i < 8; ++i) {
            auto swatch = View::make<Button>(Button::Type::Custom, Rect { 12.0 + (i % 4) * 52, 12.0 + (i / 4) * 52, 44, 44 });
            swatch->setName("mySwatch" + std::to_string(i));
            swatch->setBackgroundColor(Color::fromCode(codes[i]));
            swatch->layer().setCornerRadius(4);
            const std::string code = codes[i];
            swatch->addAction(ControlEvent::TouchUpInside, [gallery, code](Control&) { gallery->report("Popover: " + code); });
            content->addSubview(swatch);
        }
        auto popover = View::make<Popover>(content);
        popover->setPreferredContentSize({ 12 + 4 * 52, 12 + 2 * 52 });
        popover->setSourceView(c.shared_from_this());
        popover->setPermittedArrowDirections(Popover::ArrowAny);
        popover->setOnDismiss([gallery] { gallery->report("Popover dismissed"); });
        popover->present(*gallery->window);
    });
    actions[2]->addAction(ControlEvent::TouchUpInside, [gallery](Control& c) {
        const Image picture = starPicture(64);
        auto png = encodePng(picture);
        ShareItems items { png ? std::move(*png) : std::vector<std::uint8_t> {}, "#Vardenico" };
        auto anchor = gallery->tablet ? c.shared_from_this() : nullptr;
        ShareSheet::present(*gallery->window, items, anchor, [gallery](const ShareOutcome& outcome) {
            gallery->report(outcome.savedPicture ? "Shared: " + outcome.savedPicture->filename().string() : "Share: nothing saved");
        });
    });
    actions[3]->addAction(ControlEvent::TouchUpInside, [gallery](Control&) {
        auto page = openSettings(*gallery->window);
        page->setOnClose([gallery] { gallery->report("Settings saved"); });
    });

    // The photo picker, and the picture it handed back.
    const Rect pickRow = right.next(48);
    auto pickButton = makeButton("myButtonPhotos", "Pick a photo");
    pickButton->setFrame({ pickRow.x(), pickRow.y() + 6, std::min(140.0, pickRow.width() / 2), 36 });
    window.addSubview(pickButton);
    auto picked = View::make<ImageView>(Rect { pickRow.maxX() - 64, pickRow.y(), 64, 48 });
    picked->setName("myImageViewPicked");
    picked->setContentMode(ContentMode::ScaleAspectFit);
    picked->setBackgroundColor(Color::white(1, 0.7));
    window.addSubview(picked);
    std::weak_ptr<ImageView> weakPicked = picked;
    pickButton->addAction(ControlEvent::TouchUpInside, [gallery, weakPicked](Control&) {
        presentPhotoPicker(*gallery->window, [gallery, weakPicked](std::optional<PickedPhoto> photo) {
            if (!photo) {
                gallery->report("Picker cancelled");
                return;
            }
            if (auto view = weakPicked.lock())
                view->setImage(photo->image);
            gallery->report("Picked " + photo->asset.localIdentifier + " (" + std::to_string(photo->image.pixelWidth()) + " × " + std::to_string(photo->image.pixelHeight()) + ")");
        });
    });

    gallery->result = makeLabel("myLabelResult", "Ready", 15, TextAlignment::Center);
    gallery->result->setFont("GillSans-UltraBold", 15);
    gallery->result->setFrame(right.next(22));
    window.addSubview(gallery->result);
    gallery->textViewDidChange(*gallery->text);
}

}
