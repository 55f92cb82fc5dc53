#include <TestSupport.h>

#include <hosts/AutomationScript.h>
#include <hosts/HeadlessHost.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/ui/controls/ImageView.h>
#include <platform/ui/controls/Label.h>
#include <platform/ui/controls/TextView.h>
#include <platform/ui/gestures/ForcePressGestureRecognizer.h>
#include <platform/ui/gestures/LongPressGestureRecognizer.h>
#include <platform/ui/gestures/TapGestureRecognizer.h>

#include <array>
#include <chrono>
#include <fstream>
#include <thread>
#include <nlohmann/json.hpp>

namespace vd {
namespace {

TEST(AutomationScript, ParsesCommandsSkipsCommentsAndBlankLinesAndRefusesMalformedLinesWithFileAndLine)
{
    auto script = parseAutomationScript("# a comment\n\n  tap @myButton\r\ntap 10 20\ndrag 1 2 3 4 0.5\ndrag @a -5 7\ntype  Ciao mondo \nkey return\nwait 0.4\n", "s.txt");
    ASSERT_EQ(script.value().size(), 7u);
    EXPECT_EQ((*script)[0].line, 3);
    EXPECT_EQ((*script)[0].arguments, (std::vector<std::string> { "@myButton" }));
    EXPECT_EQ((*script)[3].arguments, (std::vector<std::string> { "@a", "-5", "7" }));
    EXPECT_EQ((*script)[4].arguments, (std::vector<std::string> { "Ciao mondo " })) << "type keeps the rest of the line";

    auto desktop = parseAutomationScript("key ctrl+shift+z\nscroll @grid 0 -40\nscroll 10 20 5 0\ndrop /a.png /b c.jpg\nresize 1200 700\n", "d.txt");
    ASSERT_TRUE(desktop) << desktop.error().message;
    EXPECT_EQ((*desktop)[3].arguments, (std::vector<std::string> { "/a.png", "/b", "c.jpg" }));

    // One script for both devices: a line for the other device is not a command at all.
    const std::string both = "tap 1 2\nphone: tap @a\ntablet: drag 1 2 3 4\n";
    auto tablet = parseAutomationScript(both, "b.txt", "tablet");
    ASSERT_EQ(tablet.value().size(), 2u);
    EXPECT_EQ((*tablet)[1].name, "drag");
    EXPECT_EQ((*tablet)[1].line, 3);
    EXPECT_EQ(parseAutomationScript(both, "b.txt", "phone").value()[1].arguments, (std::vector<std::string> { "@a" }));
    EXPECT_FALSE(parseAutomationScript("watch: tap 1 2\n", "b.txt"));

    // A malformed line is refused, naming the file and the line: here line 3, after a blank line and a comment.
    for (const char* line : { "TAP @a", "tap 10", "tap", "wait", "wait soon", "tap @", "long-press @a", "drag 1 2 3", "pinch @a", "screenshot", "wait nan",
             "scroll @a 5", "drop", "resize 1200", "wait-for 10 10", "background now", "release 10 10" }) {
        auto refused = parseAutomationScript("\n# a comment\n" + std::string(line) + "\n", "s.txt");
        ASSERT_FALSE(refused) << line;
        EXPECT_NE(refused.error().message.find("s.txt:3"), std::string::npos) << line << " → " << refused.error().message;
    }
}

TEST(KeyPress, NamesWithModifiersReadBackAndAnythingElseIsRefused)
{
    EXPECT_EQ(KeyPress::named("Ctrl+Shift+Z"), (KeyPress { Key::Character, 'z', KeyModifierControl | KeyModifierShift }));
    EXPECT_EQ(KeyPress::named("shift+tab"), (KeyPress { Key::Tab, 0, KeyModifierShift }));
    EXPECT_EQ(KeyPress::named("enter"), (KeyPress { Key::Return }));
    for (const char* name : { "ctrl+y", "alt+shift+left", "escape" })
        EXPECT_EQ(KeyPress::named(name)->name(), name);
    for (const char* bad : { "", "ctrl+", "+z", "hyper+z", "ctrl+zz", "f13", "ctrl++" })
        EXPECT_FALSE(KeyPress::named(bad)) << bad;
}

TEST(ScreenFit, TheScreenFillsTheWindowInProportionCentredAndOpensWithinTheDisplay)
{
    const Size phone { 390, 844 };
    // In proportion, centred across a wide window and down a tall one; points and pixels convert both ways.
    const ScreenFit wide = fitScreen(phone, { 1200, 1688 }), tall = fitScreen(phone, { 780, 4000 });
    EXPECT_EQ(std::tuple(wide.scale, wide.origin, tall.scale, tall.origin), std::tuple(2.0, Point { 210, 0 }, 2.0, Point { 0, 1156 }));
    EXPECT_EQ(wide.toPoints(wide.toPixels({ 120, 33 })), (Point { 120, 33 }));

    // A laptop's 768 rows (less a panel) hold the phone at 90 %; a large display keeps one unit a
    // point; a forced scale is the scale.
    const Size laptop = initialWindowSize(phone, { 1366, 740 }, std::nullopt);
    EXPECT_LE(laptop.height, 0.9 * 740);
    EXPECT_NEAR(laptop.width / laptop.height, 390.0 / 844, 0.01);
    EXPECT_EQ(initialWindowSize(phone, { 2560, 1400 }, std::nullopt), phone);
    EXPECT_EQ(initialWindowSize(phone, { 1366, 740 }, 2.0), (Size { 780, 1688 }));
}

class HeadlessHostTest : public test::VirtualClockWindowTest {
protected:
    HeadlessHostTest() : VirtualClockWindowTest({ 300, 300 }) { }
    // A button-like view that counts taps, double taps and presses, and a field.
    void SetUp() override
    {
        VirtualClockWindowTest::SetUp();
        button = View::make(Rect(100, 100, 80, 40));
        button->setName("myButton");
        button->setBackgroundColor(Color::rgba(0, 0, 1));
        window->addSubview(button);
        auto doubleTap = std::make_shared<TapGestureRecognizer>([this](GestureRecognizer&) { ++doubleTaps; });
        doubleTap->setNumberOfTapsRequired(2);
        button->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([this](GestureRecognizer&) { ++taps; }));
        button->addGestureRecognizer(doubleTap);
        button->addGestureRecognizer(std::make_shared<LongPressGestureRecognizer>([this](GestureRecognizer& r) { presses += r.state() == GestureRecognizer::State::Began; }));
        field = View::make<TextView>(Rect(0, 0, 100, 30));
        field->setName("myField");
        window->addSubview(field);
        field->becomeFirstResponder();
    }

    int run(const std::string& text)
    {
        auto script = parseAutomationScript(text, "test.txt");
        EXPECT_TRUE(script) << script.error().message;
        HeadlessHost host(*script, "test.txt", folder / "out", 2);
        return host.run(window);
    }

    test::TemporaryFolder folder;
    std::shared_ptr<View> button;
    std::shared_ptr<TextView> field;
    int taps = 0, doubleTaps = 0, presses = 0;
};

// Taps, presses and typing reach their views; a missing name or key, or a finger moved unpressed
// or pressed twice, stops the run with status 2, after what came before it; an output folder that
// cannot be made fails it. A force press is a firm touch held (half a second unless told) and lifted.
TEST_F(HeadlessHostTest, TapsPressesAndTypingReachTheirViewsAndAMissingNameStopsTheRun)
{
    std::vector<double> forces;
    button->addGestureRecognizer(std::make_shared<ForcePressGestureRecognizer>([&](GestureRecognizer& r) {
        if (r.state() == GestureRecognizer::State::Began)
            forces.push_back(RunLoop::main().now());
    }));
    // Each script, the status it ends with, and the taps, double taps and presses it made.
    const std::tuple<const char*, int, std::array<int, 3>> scripts[] { { "tap @myButton\nwait 0.5\ntap 140 120\nwait 0.5\n", 0, { 2, 0, 0 } },
        { "double-tap @myButton\nwait 0.5\n", 0, { -1, 1, 0 } }, { "long-press @myButton 0.3\nlong-press @myButton 0.8\n", 0, { -1, 0, 1 } },
        { "force-press @myButton\nforce-press 140 120 1.5\n", 0, { 0, 0, 0 } }, { "tap @myButton\nwait 0.5\ntap @nobody\ntap @myButton\nwait 0.5\n", 2, { 1, 0, 0 } },
        { "force-press @nobody\n", 2, {} }, { "key hyperspace\n", 2, {} }, { "move-to 10 10\n", 2, {} }, { "press 10 10\npress 20 20\n", 2, {} } };
    for (const auto& [script, status, counts] : scripts) {
        taps = doubleTaps = presses = 0;
        EXPECT_EQ(run(script), status) << script;
        EXPECT_TRUE((counts[0] < 0 || taps == counts[0]) && doubleTaps == counts[1] && presses == counts[2]) << script << taps << doubleTaps << presses;
    }
    ASSERT_EQ(forces.size(), 2u);
    EXPECT_NEAR(forces[1] - forces[0], 0.5 + 1.0 / 60, 1e-6) << "the first press held half a second";
    EXPECT_EQ(run("type Ciao mondo\nkey backspace\n"), 0);
    EXPECT_EQ(field->text(), "Ciao mond");
    std::ofstream(folder / "file") << "x";
    EXPECT_EQ(HeadlessHost(*parseAutomationScript("dump x\n", "test.txt"), "test.txt", folder / "file" / "out", 2).run(window), 1);
}

TEST_F(HeadlessHostTest, WaitMovesTheVirtualClockLetsResultsInAndDumpsShowTheEndState)
{
    const double start = RunLoop::main().now();
    View::animate(0.4, [&] { button->setCenter({ 50, 250 }); });
    // A wait also lets results posted from other threads arrive.
    std::thread worker([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        RunLoop::main().post([this] { button->setTag(42); });
    });
    EXPECT_EQ(run("wait 0.4\ndump moved\nscreenshot moved\n"), 0);
    worker.join();
    EXPECT_EQ(button->tag(), 42);
    EXPECT_NEAR(RunLoop::main().now() - start, 0.4, 1e-6);
    const auto node = nlohmann::json::parse(std::ifstream(folder / "out/moved.json"))["subviews"][0];
    EXPECT_EQ(std::tuple(node["name"], node["frame"]), std::tuple(nlohmann::json("myButton"), nlohmann::json({ 10, 230, 80, 40 })));
    auto shot = decodeImageFile(folder / "out/moved.png");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelAt(100, 500), 0xff0000ffu) << "drawn blue at its end place";
}

// Wait-for follows work longer than a wait and gives up at its limit; it knows an image view by
// the picture it shows, and a path of names reaches inside cells.
TEST_F(HeadlessHostTest, WaitForFollowsWorkLongerThanAWaitAndGivesUpAtItsLimit)
{
    auto label = View::make<Label>(Rect(0, 200, 200, 40));
    label->setName("myLabelStato");
    label->setText("0% ");
    window->addSubview(label);
    button->setAlpha(0);
    // Two cells, each with an image view of the same name: the path names the cell's own.
    std::shared_ptr<ImageView> imageView;
    for (int item = 0; item < 2; ++item) {
        auto cell = View::make<View>(Rect(250, 200 + 50 * item, 40, 40));
        cell->setName("myGrid.0." + std::to_string(item));
        cell->addSubview(imageView = View::make<ImageView>(Rect(0, 0, 40, 40)));
        imageView->setName("myImageViewThumbnail");
        window->addSubview(cell);
    }
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        RunLoop::main().post([&] { label->setText("50% \nancora"); });
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        RunLoop::main().post([&] {
            label->setText("100% \nfatto"), button->setAlpha(1);
            imageView->setImage(Image::fromBuffer({ 4, 4, std::vector<std::uint32_t>(16, 0xff0000ffu), true }).withName("b.jpg"));
        });
    });
    EXPECT_EQ(run("wait-for @myLabelStato 10 50%\ndump half\nwait-for @myButton 10\nwait-for @myGrid.0.1.myImageViewThumbnail 10 b.jpg\n"), 0);
    worker.join();
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(folder / "out/half.json"))["subviews"][2]["text"], "50% \nancora");
    EXPECT_EQ(button->alpha(), 1);
    // Another picture than the one awaited, the first cell's empty view, a third cell that is not there.
    for (const char* script : { "wait-for @myGrid.0.1.myImageViewThumbnail 0.2 a.jpg\n", "wait-for @myGrid.0.0.myImageViewThumbnail 0.2 b.jpg\n", "wait-for @myGrid.0.2.myImageViewThumbnail 0.2\n" })
        EXPECT_NE(run(script), 0) << script;
    button->setHidden(true);
    EXPECT_NE(run("wait-for @myButton 0.2\n"), 0) << "a view that never shows fails the script";
}

// Key commands, dropped files, Ctrl+Q, and screenshots as a window of some size shows the screen.
TEST_F(HeadlessHostTest, KeysWheelDropsQuitAndWindowSizesReachTheScreen)
{
    std::vector<std::string> commands;
    std::vector<std::filesystem::path> dropped;
    window->setKeyCommandHandler([&](const KeyPress& press) { return commands.push_back(press.name()), true; });
    window->setDropHandler([&](const std::vector<std::filesystem::path>& files) { return dropped = files, true; });
    field->resignFirstResponder();
    EXPECT_EQ(run("key ctrl+shift+z\nkey Delete\ndrop /tmp/a.png b.jpg\nkey ctrl+q\nkey escape\n"), 0);
    EXPECT_EQ(commands, (std::vector<std::string> { "ctrl+shift+z", "delete" })) << "nothing after Ctrl+Q";
    EXPECT_EQ(dropped, (std::vector<std::filesystem::path> { "/tmp/a.png", "b.jpg" }));

    EXPECT_EQ(run("resize 150 100\nscreenshot fitted\n"), 0);
    auto picture = decodeImageFile(folder / "out/fitted.png");
    ASSERT_TRUE(picture);
    ASSERT_EQ(std::pair(picture->pixelWidth(), picture->pixelHeight()), std::pair(150, 100));
    // 300 × 300 points in 150 × 100 pixels: a third of a pixel a point, from x = 25, dark margins beside.
    EXPECT_EQ(std::pair(picture->pixelAt(5, 50), picture->pixelAt(145, 50)), std::pair(0xff141418u, 0xff141418u));
    EXPECT_EQ(picture->pixelAt(25 + 140 / 3, 40), 0xff0000ffu) << "the button, scaled";
    EXPECT_EQ(picture->pixelAt(27, 98), 0xffffffffu);
    EXPECT_EQ(run("resize 0 100\n"), 2);
}
}
}
