#include <TestSupport.h>

#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>

#include <functional>
#include <nlohmann/json.hpp>

namespace vd {
namespace {

// How many pixels of a picture are of the kind asked, and how many of those lie left of x = left.
std::pair<int, int> count(const Image& image, const std::function<bool(Rgba8)>& kind, int left = 0)
{
    std::pair<int, int> found;
    for (int x = 0; x < image.pixelWidth(); ++x)
        for (int y = 0; y < image.pixelHeight(); ++y)
            if (kind(unpremultiply(image.pixelAt(x, y))))
                ++found.first, found.second += x < left;
    return found;
}

TEST(Label, FitsItsTextOnOneOrManyLinesDrawsInItsColourAndReportsItsStyle)
{
    auto label = View::make<Label>(Rect { 0, 0, 200, 60 });
    label->setFont("Helvetica", 17);
    label->setText("Crea e gestisci i tuoi loghi");
    const Size oneLine = label->sizeThatFits({ 100, 0 });
    EXPECT_TRUE(oneLine.width > 150 && oneLine.height < 30) << "a single line ignores the width offered";

    label->setNumberOfLines(0);
    const Size wrapped = label->sizeThatFits({ 100, 0 });
    EXPECT_TRUE(wrapped.width <= 100 && wrapped.height > oneLine.height * 2) << "the text breaks into several lines";

    label->setText("");
    EXPECT_EQ(label->sizeThatFits({ 100, 0 }), Size {});

    // Drawn in its colour and font, centred.
    auto window = View::make<Window>(Size { 200, 60 });
    label->setText("MMMM");
    label->setFont("GillSans-UltraBold", 40);
    label->setTextColor(Color::rgba(1, 0, 0));
    label->setTextAlignment(TextAlignment::Center);
    window->addSubview(label);
    const auto [red, leftInk] = count(test::renderWindow(*window), [](Rgba8 p) { return p.a > 200 && p.r > 200 && p.g < 60; }, 30);
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
    EXPECT_EQ(std::tuple(button->isHighlighted(), button->state()), std::tuple(true, ControlStateHighlighted));
    window->sendTouches(TouchPhase::Moved, { { 1, { 180, 70 } } });
    EXPECT_TRUE(button->isHighlighted()) << "30 points outside is still inside";
    window->sendTouches(TouchPhase::Ended, { { 1, { 180, 70 } } });
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_EQ(std::pair(taps.down, taps.inside), std::pair(1, 1));

    test::drag(*window, { 100, 70 }, { 350, 350 });
    EXPECT_EQ(std::pair(taps.inside, taps.outside), std::pair(1, 1));

    window->sendTouches(TouchPhase::Began, { { 1, { 100, 70 } } });
    window->sendTouches(TouchPhase::Cancelled, { { 1, { 100, 70 } } });
    EXPECT_TRUE(!button->isHighlighted() && taps.inside == 1);

    // Disabled, it ignores touches.
    taps = {};
    button->setEnabled(false);
    test::tap(*window, { 100, 70 });
    nlohmann::json values;
    button->automationValues(values);
    EXPECT_EQ(std::tuple(taps.down + taps.inside, values["enabled"]), std::tuple(0, nlohmann::json(false)));

    // Its action may remove it, the last owner gone.
    button->setEnabled(true);
    button->addAction(ControlEvent::TouchUpInside, [&](Control& control) { control.removeFromSuperview(); });
    button.reset();
    test::tap(*window, { 100, 70 });
    EXPECT_TRUE(taps.inside == 1 && window->subviews().empty());
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
    EXPECT_GT(count(test::renderWindow(*window), [](Rgba8 p) { return p.a > 200 && p.b > 200 && p.r < 50; }).first, 80);
}

}
}
