#include <TestSupport.h>

#include <platform/ui/controls/BlurView.h>
#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/presentation/InterfaceDescription.h>
#include <platform/ui/presentation/ViewController.h>

namespace vd {
namespace {

class Screen : public ViewController {
public:
    Screen()
    {
        bind("myLabelTitolo", myLabelTitolo);
        bind("myButtonOk", myButtonOk);
        bind("myVisualEffectBg", myVisualEffectBg);
        bind("mySwitchOpzione", mySwitchOpzione);
        action("myButtonOkACTION", [this] { ++presses; });
        action("mySwitchOpzioneACTION", [this] { ++switched; });
    }
    std::string className() const override { return "Screen"; }
    std::shared_ptr<Label> myLabelTitolo;
    std::shared_ptr<Button> myButtonOk;
    std::shared_ptr<BlurView> myVisualEffectBg;
    std::shared_ptr<Switch> mySwitchOpzione;
    int presses { 0 };
    int switched { 0 };
};

TEST(InterfaceControls, LabelsButtonsSwitchesAndBlurViewsAreDescribedAndSendTheirActions)
{
    test::useVirtualClock();
    auto description = InterfaceDescription::parse(R"({ "view": { "frame": [0, 0, 300, 400], "subviews": [
        { "class": "BlurView", "name": "myVisualEffectBg", "frame": [0, 0, 300, 400], "style": "dark", "blurRadius": 4 },
        { "class": "Label", "name": "myLabelTitolo", "frame": [10, 10, 280, 40], "fontName": "GillSans-Bold", "fontSize": 22,
          "textColor": "#ff0000", "textAlignment": "center", "numberOfLines": 2 },
        { "class": "Button", "name": "myButtonOk", "frame": [100, 300, 100, 50], "title": "OK", "titleColor": "#00ff00",
          "fontSize": 19, "image": "buttonDone", "action": "myButtonOkACTION", "keyEquivalent": "Ctrl+S" },
        { "class": "Switch", "name": "mySwitchOpzione", "frame": [20, 200, 51, 31], "on": true, "onTintColor": "#ff8800",
          "action": "mySwitchOpzioneACTION" } ] } })", "controls.json");
    ASSERT_TRUE(description) << description.error().message;
    auto screen = std::make_shared<Screen>();
    auto window = std::make_shared<Window>(Size { 300, 400 });
    screen->setView(*description->instantiate(*screen));
    ViewController::installAsRoot(screen, *window);
    ASSERT_TRUE(screen->myLabelTitolo && screen->myButtonOk && screen->myVisualEffectBg);
    const auto& title = *screen->myLabelTitolo;
    EXPECT_EQ(std::tuple(title.fontName(), title.fontSize(), title.textAlignment(), title.numberOfLines()), std::tuple(std::string("GillSans-Bold"), 22.0, TextAlignment::Center, 2));
    EXPECT_EQ(screen->myLabelTitolo->textColor(), Color::rgba(1, 0, 0));
    const auto& ok = *screen->myButtonOk;
    EXPECT_EQ(std::tuple(ok.currentTitle(), ok.buttonType(), ok.titleStyle().fontSize, bool(ok.imageForState(ControlStateNormal))), std::tuple(std::string("OK"), Button::Type::Custom, 19.0, true));
    EXPECT_EQ(std::pair(screen->myVisualEffectBg->style(), screen->myVisualEffectBg->blurRadius()), std::pair(BlurView::Style::Dark, 4.0));

    test::tap(*window, { 150, 325 });
    test::tap(*window, { 150, 100 });
    EXPECT_EQ(screen->presses, 1) << "a touch elsewhere is not the button";
    EXPECT_TRUE(window->sendKey(KeyPress { Key::Character, 's', KeyModifierControl }));
    EXPECT_EQ(screen->presses, 2) << "the key equivalent does what a tap does";
    EXPECT_FALSE(window->sendKey(KeyPress { Key::Character, 's' }));

    // A switch flipped by a finger sends its action; set in code, it sends nothing.
    ASSERT_TRUE(screen->mySwitchOpzione && screen->mySwitchOpzione->isOn());
    test::tap(*window, { 45, 215 });
    EXPECT_TRUE(!screen->mySwitchOpzione->isOn() && screen->switched == 1);
    screen->mySwitchOpzione->setOn(true);
    EXPECT_EQ(screen->switched, 1);

    for (const auto& [subview, error] : {
             std::pair { R"({ "class": "Label", "textAlignment": "middle" })", "textAlignment: expected left, center, right, justified or natural" },
             { R"({ "class": "Button", "keyEquivalent": "hyper+s" })", "keyEquivalent" }, { R"({ "class": "Switch", "on": "yes" })", "on: expected true or false" } }) {
        auto built = InterfaceDescription::parse(std::string(R"({ "view": { "subviews": [ )") + subview + " ] } }", "bad.json").value().instantiate(*std::make_shared<Screen>());
        ASSERT_FALSE(built) << subview;
        EXPECT_EQ(built.error().message.rfind(std::string("bad.json: view.subviews[0].") + error, 0), 0u) << built.error().message;
    }
}

}
}
