#include <TestSupport.h>

#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>

#include <nlohmann/json.hpp>

namespace vd {
namespace {

TEST(Label, FitsItsTextOnOneOrManyLines)
{
    Label label;
    label.setFont("Helvetica", 17);
    label.setText("Crea e gestisci i tuoi loghi");
    const Size oneLine = label.sizeThatFits({ 100, 0 });
    EXPECT_TRUE(oneLine.width > 150 && oneLine.height < 30) << "a single line ignores the width offered";

    label.setNumberOfLines(0);
    const Size wrapped = label.sizeThatFits({ 100, 0 });
    EXPECT_TRUE(wrapped.width <= 100 && wrapped.height > oneLine.height * 2) << "the text breaks into several lines";

    label.setText("");
    EXPECT_EQ(label.sizeThatFits({ 100, 0 }), Size {});
}

TEST(Label, DrawsInItsColourAndReportsItsStyle)
{
    auto window = View::make<Window>(Size { 200, 60 });
    auto label = View::make<Label>(Rect { 0, 0, 200, 60 });
    label->setText("MMMM");
    label->setFont("GillSans-UltraBold", 40);
    label->setTextColor(Color::rgba(1, 0, 0));
    label->setTextAlignment(TextAlignment::Center);
    window->addSubview(label);
    const Image image = test::renderWindow(*window);
    int red = 0, leftInk = 0;
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 60; ++y) {
            const Rgba8 p = unpremultiply(image.pixelAt(x, y));
            const bool ink = p.a > 200 && p.r > 200 && p.g < 60;
            red += ink, leftInk += ink && x < 30;
        }
    EXPECT_GT(red, 300);
    EXPECT_EQ(leftInk, 0) << "centred text leaves the left edge empty";

    nlohmann::json values;
    label->automationValues(values);
    EXPECT_EQ(values["font"].get<std::string>() + values["textColor"].get<std::string>(), "GillSans-UltraBold#ff0000ff");
    EXPECT_EQ(label->automationText(), "MMMM");
}

TEST(Button, TouchUpInsideOnlyWhenTheFingerLiftsNearTheEnabledButton)
{
    auto window = View::make<Window>(Size { 400, 400 });
    struct { int down = 0, inside = 0, outside = 0; } taps;
    auto button = View::make<Button>(Button::Type::System, Rect { 50, 50, 100, 40 });
    button->setTitle("Salva");
    button->addAction(ControlEvent::TouchDown, [&](Control&) { ++taps.down; });
    button->addAction(ControlEvent::TouchUpInside, [&](Control&) { ++taps.inside; });
    button->addAction(ControlEvent::TouchUpOutside, [&](Control&) { ++taps.outside; });
    window->addSubview(button);

    window->sendTouches(TouchPhase::Began, { { 1, { 100, 70 } } });
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_EQ(button->state(), ControlStateHighlighted);
    window->sendTouches(TouchPhase::Moved, { { 1, { 180, 70 } } });
    EXPECT_TRUE(button->isHighlighted()) << "30 points outside is still inside";
    window->sendTouches(TouchPhase::Ended, { { 1, { 180, 70 } } });
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_EQ(std::pair(taps.down, taps.inside), std::pair(1, 1));

    test::drag(*window, { 100, 70 }, { 350, 350 });
    EXPECT_EQ(std::pair(taps.inside, taps.outside), std::pair(1, 1));

    window->sendTouches(TouchPhase::Began, { { 1, { 100, 70 } } });
    window->sendTouches(TouchPhase::Cancelled, { { 1, { 100, 70 } } });
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_EQ(taps.inside, 1);

    // Disabled, it ignores touches and shows its disabled title.
    taps = {};
    button->setTitle("Non disponibile", ControlStateDisabled);
    button->setEnabled(false);
    test::tap(*window, { 100, 70 });
    EXPECT_EQ(taps.down + taps.inside, 0);
    EXPECT_EQ(button->currentTitle(), "Non disponibile");
    nlohmann::json values;
    button->automationValues(values);
    EXPECT_EQ(values["enabled"], false);

    button->setEnabled(true);
    EXPECT_EQ(button->currentTitle(), "Salva");
    EXPECT_EQ(button->titleForState(ControlStateHighlighted), "Salva") << "a state without its own title falls back to normal";
}

TEST(Button, ActionMayRemoveTheButton)
{
    auto window = View::make<Window>(Size { 400, 400 });
    auto button = View::make<Button>(Button::Type::Custom, Rect { 0, 0, 50, 50 });
    int runs = 0;
    button->addAction(ControlEvent::TouchUpInside, [&](Control& control) { ++runs, control.removeFromSuperview(); });
    window->addSubview(button);
    button.reset();
    test::tap(*window, { 25, 25 });
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(window->subviews().empty());
}

TEST(Button, FitsTitleAndImageAndDrawsTheTitleInTheTint)
{
    auto window = View::make<Window>(Size { 200, 60 });
    auto button = View::make<Button>(Button::Type::System);
    button->setTitle("MMMMM");
    button->setFont("Helvetica-Bold", 30);
    button->setContentEdgeInsets({ 5, 10, 5, 10 });
    button->sizeToFit();
    EXPECT_TRUE(button->bounds().width() > 100 && button->bounds().height() >= 40);
    button->setTintColor(Color::rgba(0, 0, 1));
    window->addSubview(button);
    const Image image = test::renderWindow(*window);
    int blue = 0;
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 60; ++y) {
            const Rgba8 p = unpremultiply(image.pixelAt(x, y));
            blue += p.a > 200 && p.b > 200 && p.r < 50;
        }
    EXPECT_GT(blue, 80);
}

}
}
