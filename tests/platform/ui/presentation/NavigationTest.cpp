#include <TestSupport.h>

#include <platform/ui/controls/Button.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/Switch.h>
#include <platform/ui/lists/CollectionView.h>
#include <platform/ui/presentation/InterfaceDescription.h>
#include <platform/ui/presentation/NavigationController.h>

namespace vd {
namespace {

// A screen that writes its lifecycle into a shared journal.
class Journaled : public ViewController {
public:
    Journaled(std::string name, std::vector<std::string>& journal) : m_name(std::move(name)), m_journal(journal) { }
    ~Journaled() override { m_journal.push_back(m_name + " dealloc"); }
    std::string className() const override { return "Journaled"; }
    void viewDidLoad() override { m_journal.push_back(m_name + " load"); }
    void viewWillAppear(bool animated) override { m_journal.push_back(m_name + " willAppear" + (animated ? "+" : "")); }
    void viewDidAppear(bool) override { m_journal.push_back(m_name + " didAppear"); }
    void viewWillDisappear(bool) override { m_journal.push_back(m_name + " willDisappear"); }
    void viewDidDisappear(bool) override { m_journal.push_back(m_name + " didDisappear"); }

private:
    std::string m_name;
    std::vector<std::string>& m_journal;
};

// The journal outlives the window, whose screens write to it as they go.
struct NavigationFixture : ::testing::Test {
    bool virtualClock = (test::useVirtualClock(), true);
    std::shared_ptr<Journaled> screen(const std::string& name) { return std::make_shared<Journaled>(name, journal); }
    std::vector<std::string> take() { return std::exchange(journal, {}); }
    std::vector<std::string> journal;
    std::shared_ptr<Window> window = std::make_shared<Window>(Size { 320, 480 });
};

using Lines = std::vector<std::string>;

TEST_F(NavigationFixture, PushAndPopRunTheLifecycleInOrderReleasePoppedScreensAndPopToAnIndexOrTheRoot)
{
    auto navigation = std::make_shared<NavigationController>(screen("home"));
    ViewController::installAsRoot(navigation, *window);
    EXPECT_EQ(take(), (Lines { "home load", "home willAppear", "home didAppear" }));

    navigation->pushViewController(screen("editor"), true);
    EXPECT_EQ(take(), (Lines { "editor load", "home willDisappear", "editor willAppear+" }));
    auto editor = navigation->topViewController();
    EXPECT_TRUE(navigation->isTransitioning() && editor->view()->superview() == navigation->view());
    RunLoop::main().advance(NavigationController::kTransitionDuration + 0.01);
    EXPECT_EQ(take(), (Lines { "home didDisappear", "editor didAppear" }));
    EXPECT_EQ(std::tuple(editor->view()->frame(), editor->navigationController()), std::tuple(window->bounds(), navigation));
    EXPECT_EQ(navigation->viewControllers().front()->view()->superview(), nullptr) << "the covered screen leaves the tree";

    std::weak_ptr<ViewController> weakEditor = editor;
    editor.reset();
    auto popped = navigation->popViewController(false);
    EXPECT_EQ(take(), (Lines { "editor willDisappear", "home willAppear", "editor didDisappear", "home didAppear" }));
    ASSERT_TRUE(popped && !popped->navigationController());
    popped.reset();
    EXPECT_TRUE(weakEditor.expired() && take() == Lines { "editor dealloc" });
    EXPECT_EQ(navigation->popViewController(true), nullptr) << "the root stays";

    // Popping to an index, or to the root.
    for (auto name : { "1", "2", "3", "4" })
        navigation->pushViewController(screen(name), false);
    take();
    auto two = navigation->viewControllers()[2];
    auto above = navigation->popToIndex(2, true);
    ASSERT_EQ(std::tuple(above.size(), navigation->topViewController()), std::tuple(2uz, two));
    RunLoop::main().advance(1);
    above.clear();
    EXPECT_EQ(take(), (Lines { "4 willDisappear", "2 willAppear+", "4 didDisappear", "2 didAppear", "3 dealloc", "4 dealloc" }));

    EXPECT_TRUE(navigation->popToIndex(7, false).empty()) << "an index past the top pops nothing";
    EXPECT_EQ(navigation->popToIndex(1, false).size(), 1u);
    navigation->pushViewController(screen("5"), true);
    // A pop during the push's animation first completes it.
    EXPECT_EQ(navigation->popToRootViewController(false).size(), 2u);
    EXPECT_TRUE(!navigation->isTransitioning() && navigation->viewControllers().size() == 1u);
    EXPECT_EQ(navigation->view()->subviews(), std::vector { navigation->topViewController()->view() });
}

TEST_F(NavigationFixture, ReplacingTheStackKeepsWhatStaysAndReleasesTheRest)
{
    auto navigation = std::make_shared<NavigationController>(screen("home"));
    ViewController::installAsRoot(navigation, *window);
    navigation->pushViewController(screen("gallery"), false);
    navigation->pushViewController(screen("preview"), false);
    auto home = navigation->viewControllers()[0];
    take();

    // As the saved-logo preview does: back to the home screen with a new editor on top.
    auto editor = screen("editor");
    navigation->setViewControllers({ home, editor }, false);
    EXPECT_EQ(navigation->viewControllers(), (std::vector<std::shared_ptr<ViewController>> { home, editor }));
    EXPECT_EQ(take(), (Lines { "editor load", "preview willDisappear", "editor willAppear", "preview didDisappear", "editor didAppear", "gallery dealloc", "preview dealloc" }));
    EXPECT_TRUE(navigation->visibleViewController() == editor && editor->navigationController() == navigation);

    auto sheet = screen("sheet");
    sheet->setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    editor->presentViewController(sheet, false);
    EXPECT_EQ(navigation->visibleViewController(), sheet) << "what the top screen presents";
    navigation->pushViewController(editor, false);
    EXPECT_EQ(navigation->viewControllers().size(), 2u) << "a screen on the stack is not pushed twice";
}

TEST_F(NavigationFixture, ModalScreensCoverAndReturn)
{
    auto home = screen("home");
    ViewController::installAsRoot(home, *window);
    take();
    auto sheet = screen("sheet");
    bool presented = false;
    home->presentViewController(sheet, true, [&] { presented = true; });
    EXPECT_EQ(take(), (Lines { "sheet load", "home willDisappear", "sheet willAppear+" }));
    RunLoop::main().advance(0.5);
    EXPECT_EQ(take(), (Lines { "sheet didAppear", "home didDisappear" }));
    EXPECT_TRUE(presented && home->presentedViewController() == sheet && sheet->presentingViewController() == home);
    EXPECT_TRUE(sheet->view()->window() == window.get() && home->view()->isHidden());

    home->presentViewController(screen("second"), false);
    EXPECT_EQ(home->presentedViewController(), sheet) << "one presentation at a time";
    take();

    sheet->dismissViewController(false);
    EXPECT_EQ(take(), (Lines { "sheet willDisappear", "home willAppear", "sheet didDisappear", "home didAppear" }));
    EXPECT_TRUE(!sheet->view()->superview() && !home->view()->isHidden() && window->subviews().size() == 1u);

    sheet->setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    home->presentViewController(sheet, false);
    EXPECT_EQ(take(), (Lines { "sheet willAppear", "sheet didAppear" })) << "the screen below stays";
}

TEST(InterfaceDescription, BuildsViewsListsAndControlsBindsThemToFieldsAndSendsTheirActions)
{
    class Screen : public ViewController {
    public:
        Screen()
        {
            bind("myImageSnap", myImageSnap);
            bind("myViewBg", myViewBg);
            bind("myLabelTitolo", myLabelTitolo);
            bind("myButtonOk", myButtonOk);
            bind("mySwitchOpzione", mySwitchOpzione);
            action("myButtonOkACTION", [this] { ++presses; });
            action("mySwitchOpzioneACTION", [this] { ++switched; });
        }
        std::string className() const override { return "Screen"; }
        std::shared_ptr<ImageView> myImageSnap;
        std::shared_ptr<View> myViewBg;
        std::shared_ptr<Label> myLabelTitolo;
        std::shared_ptr<Button> myButtonOk;
        std::shared_ptr<Switch> mySwitchOpzione;
        int presses { 0 }, switched { 0 };
    };
    test::useVirtualClock();
    auto description = InterfaceDescription::parse(R"({
        "controller": "Screen",
        "view": { "frame": [0, 0, 320, 480], "backgroundColor": "#102030",
          "subviews": [
            { "class": "View", "name": "myViewBg", "frame": [10, 20, 300, 100], "autoresizingMask": ["flexibleWidth", "flexibleBottomMargin"],
              "alpha": 0.5, "tag": 7, "cornerRadius": 6, "borderColor": "#ff000080", "hidden": true,
              "subviews": [ { "class": "ImageView", "name": "myImageSnap", "frame": [0, 0, 50, 50], "contentMode": "scaleAspectFit" } ] },
            { "class": "ScrollView", "frame": [0, 120, 320, 360], "contentSize": [320, 900],
              "minimumZoomScale": 1, "maximumZoomScale": 3, "scrollEnabled": false },
            { "class": "CollectionView", "scrollDirection": "horizontal", "itemSize": [80, 80], "contentInset": [0, 5, 0, 5] },
            { "class": "Label", "name": "myLabelTitolo", "frame": [10, 10, 280, 40], "fontName": "GillSans-Bold", "fontSize": 22,
              "textColor": "#ff0000", "textAlignment": "center", "numberOfLines": 2 },
            { "class": "Button", "name": "myButtonOk", "frame": [100, 300, 100, 50], "title": "OK", "titleColor": "#00ff00",
              "fontSize": 19, "image": "buttonDone", "action": "myButtonOkACTION", "keyEquivalent": "Ctrl+S" },
            { "class": "Switch", "name": "mySwitchOpzione", "frame": [20, 200, 51, 31], "on": true, "onTintColor": "#ff8800",
              "action": "mySwitchOpzioneACTION" }
          ] } })", "screen.json");
    ASSERT_TRUE(description) << description.error().message;
    auto screen = std::make_shared<Screen>();
    auto view = description->instantiate(*screen).value();
    ASSERT_TRUE(screen->myViewBg && screen->myImageSnap && screen->myLabelTitolo && screen->myButtonOk && screen->mySwitchOpzione);
    EXPECT_EQ(std::tuple(screen->myViewBg->frame(), screen->myViewBg->autoresizingMask(), screen->myImageSnap->superview(), screen->myImageSnap->contentMode()), std::tuple(Rect(10, 20, 300, 100), unsigned(FlexibleWidth | FlexibleBottomMargin), screen->myViewBg, ContentMode::ScaleAspectFit));
    auto strip = std::dynamic_pointer_cast<CollectionView>(view->subviews()[2]);
    ASSERT_TRUE(strip);
    EXPECT_EQ(std::tuple(strip->layout().itemSize, strip->contentInset().left), std::tuple(Size { 80, 80 }, 5.0)) << "scroll view properties are inherited";
    EXPECT_EQ(std::tuple(screen->myLabelTitolo->fontName(), screen->myLabelTitolo->textAlignment(), screen->myLabelTitolo->textColor()), std::tuple(std::string("GillSans-Bold"), TextAlignment::Center, Color::rgba(1, 0, 0)));

    // On screen the button and the switch send their actions when a finger or a key works them, not when set in code.
    auto window = std::make_shared<Window>(Size { 300, 400 });
    screen->setView(view);
    ViewController::installAsRoot(screen, *window);
    test::tap(*window, { 150, 325 });
    test::tap(*window, { 150, 100 });
    EXPECT_EQ(screen->presses, 1) << "a touch elsewhere is not the button";
    EXPECT_TRUE(window->sendKey(KeyPress { Key::Character, 's', KeyModifierControl }));
    EXPECT_FALSE(window->sendKey(KeyPress { Key::Character, 's' }));
    EXPECT_EQ(screen->presses, 2) << "the key equivalent does what a tap does";
    test::tap(*window, { 45, 215 });
    screen->mySwitchOpzione->setOn(true);
    EXPECT_EQ(screen->switched, 1);

    // Every mistake names the file and the key, and leaves the fields alone.
    auto errorOf = [&](const std::string& text) {
        auto other = std::make_shared<Screen>();
        auto parsed = InterfaceDescription::parse(text, "bad.json");
        if (!parsed)
            return parsed.error().message;
        auto built = parsed->instantiate(*other);
        EXPECT_FALSE(other->myViewBg) << "no field set by a failed build";
        return built ? std::string("built") : built.error().message;
    };
    EXPECT_EQ(errorOf(R"({"view": {"subviews": [{"name": "myViewBg"}, {"name": "myLabelMissing"}]}})"), "bad.json: view.subviews[1].name: Screen has no field \"myLabelMissing\"");
    EXPECT_EQ(errorOf(R"({"view": {"subviews": [{"class": "View", "rowHieght": 3}]}})"), "bad.json: view.subviews[0].rowHieght: unknown property of View");
    EXPECT_EQ(errorOf(R"({"view": {"name": "myImageSnap"}})"), "bad.json: view: myImageSnap is a View, but the field wants another class");
    EXPECT_EQ(errorOf(R"({"controller": "Other", "view": {}})"), "bad.json: controller: describes Other, not Screen");
    EXPECT_EQ(errorOf(R"({"view": {"class": "Label", "textAlignment": "middle"}})"), "bad.json: view.textAlignment: expected left, center, right, justified or natural");
}

}
}
