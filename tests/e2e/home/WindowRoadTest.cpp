#include <E2ESupport.h>

#include <hosts/Host.h>

#include <platform/graphics/ImageCodecs.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <thread>
#include <unistd.h>

namespace vd {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

bool haveTool(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(seconds * 1000))); }

// How far two pictures of one size are apart: the mean over every pixel and colour channel of the
// absolute difference, in levels of 255, and the worst 20 × 20 tile's mean (where a stale panel
// shows even when the rest agrees). Pictures of different sizes are 255 apart.
struct Difference {
    double mean { 255 };
    double worstTile { 255 };
    int tileX { -1 }, tileY { -1 };
};

Difference difference(const Image& a, const Image& b)
{
    Difference result;
    if (a.pixelWidth() != b.pixelWidth() || a.pixelHeight() != b.pixelHeight() || a.pixelWidth() == 0)
        return result;
    constexpr int kTile = 20;
    const int w = a.pixelWidth(), h = a.pixelHeight(), tilesX = (w + kTile - 1) / kTile;
    std::vector<double> tiles(static_cast<size_t>(tilesX) * ((h + kTile - 1) / kTile), 0.0);
    std::vector<int> counts(tiles.size(), 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgba8 p = unpremultiply(a.pixelAt(x, y)), q = unpremultiply(b.pixelAt(x, y));
            const size_t tile = static_cast<size_t>(y / kTile) * tilesX + x / kTile;
            tiles[tile] += (std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b)) / 3.0;
            ++counts[tile];
        }
    }
    result = { std::accumulate(tiles.begin(), tiles.end(), 0.0) / (static_cast<double>(w) * h), 0, -1, -1 };
    for (size_t i = 0; i < tiles.size(); ++i) {
        if (tiles[i] / counts[i] > result.worstTile)
            result = { result.mean, tiles[i] / counts[i], static_cast<int>(i % tilesX) * kTile, static_cast<int>(i / tilesX) * kTile };
    }
    return result;
}

// An X server of its own for one test, optionally with a window manager that honours size hints
// (openbox), and the program on it.
class XSession {
public:
    explicit XSession(const fs::path& folder, const std::string& screen = "1280x1024x24", bool windowManager = false)
        : m_folder(folder)
    {
        m_display = ":" + std::to_string(90 + ::getpid() % 400);
        m_server = output("Xvfb " + m_display + " -screen 0 " + screen + " -nolisten tcp >" + (folder / "xvfb.txt").string() + " 2>&1 & echo $!");
        for (int i = 0; i < 50 && !fs::exists("/tmp/.X11-unix/X" + m_display.substr(1)); ++i)
            pause(0.1);
        if (windowManager && ready()) {
            m_manager = x("openbox --sm-disable >" + (folder / "openbox.txt").string() + " 2>&1 & echo $!");
            for (int i = 0; i < 50 && x("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") == std::string::npos; ++i)
                pause(0.1);
        }
    }
    ~XSession()
    {
        if (!m_program.empty())
            std::system(("kill -9 " + m_program + " 2>/dev/null").c_str());
        if (!m_manager.empty())
            std::system(("kill " + m_manager + " 2>/dev/null").c_str());
        if (!m_server.empty())
            std::system(("kill " + m_server + " 2>/dev/null; sleep 0.2").c_str());
    }
    bool ready() const { return fs::exists("/tmp/.X11-unix/X" + m_display.substr(1)); }
    // Whether the program is still running (an ended one may linger as a zombie).
    bool running() const
    {
        std::ifstream stat("/proc/" + m_program + "/stat");
        std::string pid, name, state;
        return !m_program.empty() && stat >> pid >> name >> state && state != "Z";
    }
    std::string x(const std::string& command) const { return output("DISPLAY=" + m_display + " " + command); }

    // Starts vardenico app in the environment; the window's id, or empty when none came up.
    std::string start(const std::string& environment)
    {
        m_program = output("env DISPLAY=" + m_display + " " + environment + " " + VARDENICO_BINARY + " app >" + (m_folder / "app.txt").string() + " 2>&1 & echo $!");
        return x("timeout 15 xdotool search --sync --onlyvisible --name '^Vardenico$' 2>/dev/null | head -n 1");
    }
    // The pixels of a small square of the window around a point, as the screen shows them now.
    std::string patch(const std::string& window, std::pair<int, int> at) const
    {
        return x("import -window " + window + " -crop 24x24+" + std::to_string(std::max(0, at.first - 12)) + "+" + std::to_string(std::max(0, at.second - 12)) + " +repage ppm:- 2>/dev/null | md5sum");
    }
    // Waits until what is under the point has stopped changing: the animations run on the real
    // clock here, and a transition must have ended before the next click lands.
    void settleAt(const std::string& window, std::pair<int, int> at) const
    {
        pause(0.3);
        std::string last = patch(window, at);
        int still = 0;
        for (int i = 0; i < 60 && still < 2; ++i) {
            pause(0.1);
            const std::string now = patch(window, at);
            still = now == last ? still + 1 : 0;
            last = now;
        }
    }
    // The window's own pixels as the X server shows them now.
    std::optional<Image> capture(const std::string& window, const fs::path& file) const
    {
        x("import -window " + window + " png:" + file.string() + " 2>/dev/null");
        auto image = decodeImageFile(file);
        return image ? std::optional<Image>(std::move(*image)) : std::nullopt;
    }
    // Waits until the whole window has stopped changing (the home's decorations turn for ever:
    // then until it changes by less than a level on average), and its pixels.
    std::optional<Image> settledCapture(const std::string& window, const fs::path& file) const
    {
        pause(0.3);
        std::optional<Image> last = capture(window, file);
        for (int i = 0; i < 30; ++i) {
            pause(0.15);
            std::optional<Image> now = capture(window, file);
            const bool still = last && now && difference(*last, *now).mean < 1.0;
            last = std::move(now);
            if (still)
                break;
        }
        return last;
    }
    // xdotool's words that put the pointer at a point of the window.
    static std::string moveTo(const std::string& window, std::pair<int, int> at) { return " mousemove --window " + window + " " + std::to_string(at.first) + " " + std::to_string(at.second); }
    void click(const std::string& window, std::pair<int, int> at) const
    {
        settleAt(window, at);
        x("xdotool" + moveTo(window, at) + " click 1");
    }
    // A press, a move in steps and a release: a finger dragging across the screen.
    void drag(const std::string& window, std::pair<int, int> from, std::pair<int, int> to) const
    {
        settleAt(window, from);
        x("xdotool" + moveTo(window, from) + " mousedown 1");
        for (int step = 1; step <= 10; ++step) {
            pause(0.03);
            x("xdotool" + moveTo(window, { from.first + (to.first - from.first) * step / 10, from.second + (to.second - from.second) * step / 10 }));
        }
        x("xdotool mouseup 1");
    }
    // A key with its modifiers, as xdotool names it ("Escape", "Return", "ctrl+z").
    void key(const std::string& window, const std::string& name) const
    {
        pause(0.3);
        x("xdotool key --window " + window + " " + name);
    }
    // Wheel steps over a point: positive down, negative up.
    void wheel(const std::string& window, std::pair<int, int> at, int steps) const
    {
        settleAt(window, at);
        x("xdotool" + moveTo(window, at));
        for (int i = 0; i < std::abs(steps); ++i) {
            pause(0.05);
            x(std::string("xdotool click ") + (steps > 0 ? "5" : "4"));
        }
    }
    // The window's client area: x, y, width, height on the screen (xwininfo's absolute place:
    // xdotool counts the frame's offset twice under some window managers).
    std::array<int, 4> geometry(const std::string& window) const
    {
        std::array<int, 4> g { -1, -1, -1, -1 };
        const std::string info = x("xwininfo -id " + window);
        const char* keys[] = { "Absolute upper-left X:", "Absolute upper-left Y:", "Width:", "Height:" };
        for (size_t i = 0; i < 4; ++i)
            if (auto at = info.find(keys[i]); at != std::string::npos)
                g[i] = std::atoi(info.c_str() + at + std::strlen(keys[i]));
        return g;
    }

private:
    fs::path m_folder;
    std::string m_display, m_server, m_manager, m_program;
};

// Polls a condition on the program's files until it holds or the seconds run out.
template<typename Condition>
bool eventually(Condition condition, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        pause(0.1);
    }
    return condition();
}

std::string defaultValue(const fs::path& home, const std::string& key)
{
    try {
        return test::readJson(home / "defaults.json").value(key, "");
    } catch (...) {
        return {}; // not written yet, or being replaced
    }
}

// A library of copies of the sample picture, the same for the headless and the window run.
void makeLibrary(const fs::path& pictures, int count = 4)
{
    fs::create_directories(pictures / "Holidays");
    for (int n = 1; n <= count; ++n)
        fs::copy_file(fs::path(VARDENICO_RESOURCES_DIR) / "samples" / "sample-picture.png", pictures / "Holidays" / ("photo-" + std::to_string(n) + ".png"));
}

// The program in a window beside a headless run of the same steps on scratch copies of its data
// folder and photo library, in a window of the same pixel size: every dump of the headless run
// gets a picture, and tells where the controls are and what the window must show at that state.
struct WindowBesideHeadless {
    test::TemporaryFolder folder;
    const fs::path home = folder / "data", pictures = folder / "Pictures";
    ScreenFit fit;
    std::optional<XSession> session;
    std::string window;

    WindowBesideHeadless(int photos, Size windowPixels)
        : fit(fitScreen(hostScreenSize(HostDevice::Phone), windowPixels))
    {
        fs::create_directories(home);
        fs::create_directories(folder / "scratch");
        makeLibrary(pictures, photos);
        makeLibrary(folder / "scratchPictures", photos);
    }
    // The headless run of a script in which every "dump NAME" is followed by its screenshot.
    test::AppRun runHeadless(const std::string& script, const std::string& options = {})
    {
        std::istringstream lines(script);
        std::ofstream pictured(folder / "script.txt");
        for (std::string line; std::getline(lines, line);) {
            pictured << line << "\n";
            if (line.starts_with("dump "))
                pictured << "screenshot held-" << line.substr(5) << "\n";
        }
        pictured.close();
        return test::runApp("--headless " + options + " --script " + (folder / "script.txt").string() + " --out " + (folder / "dumps").string(), folder.path(),
            "VARDENICO_HOME=" + (folder / "scratch").string() + " VARDENICO_PHOTOS=" + (folder / "scratchPictures").string());
    }
    json dump(const std::string& state) const { return test::readJson(folder / "dumps" / (state + ".json")); }
    // Where a named view of a dump lies in the window, in pixels.
    std::pair<int, int> at(const std::string& state, const std::string& name) const
    {
        const json tree = dump(state);
        const json* node = test::findNamed(tree, name);
        EXPECT_TRUE(node) << name << " is not in the dump " << state;
        const json f = node ? (*node)["frame"] : json { -1, -1, 0, 0 };
        return pixel({ std::trunc(f[0].get<double>() + f[2].get<double>() / 2), std::trunc(f[1].get<double>() + f[3].get<double>() / 2) });
    }
    std::pair<int, int> pixel(Point point) const
    {
        const Point p = fit.toPixels(point);
        return { static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)) };
    }
    // Starts the program in a window on an X server of its own; false when either did not come up.
    bool open(const std::string& screen, bool windowManager)
    {
        session.emplace(folder.path(), screen, windowManager);
        if (session->ready())
            window = session->start("VARDENICO_HOME=" + home.string() + " VARDENICO_PHOTOS=" + pictures.string());
        return !window.empty();
    }
    // What the window shows is what the program holds: once it has settled after a step, its
    // pixels equal the headless picture of the same state (a panel left behind by an animation
    // shows as a tile far apart even when the mean is close; the home's turning circles are never
    // at the same angle, and stay within some 35 levels a tile).
    void shows(const std::string& state)
    {
        if (::testing::Test::HasFailure())
            return; // the states after a wrong one cannot be right: the walk ends quickly
        ASSERT_TRUE(session->running()) << "the program ended before showing " << state;
        const auto held = decodeImageFile(folder / "dumps" / ("held-" + state + ".png"));
        std::optional<Image> shown;
        Difference d;
        // A window still taking its new size, or waiting for pictures read on other threads (a
        // busy machine), is given some seconds to come to the state; a stale one never does.
        const auto same = [&] {
            return shown && held && shown->pixelWidth() == held->pixelWidth() && shown->pixelHeight() == held->pixelHeight();
        };
        eventually([&] {
            shown = session->settledCapture(window, folder / ("shown-" + state + ".png"));
            if (!same())
                return false;
            d = difference(*shown, *held);
            return d.mean <= 3.0 && d.worstTile <= 60.0;
        }, 8);
        ASSERT_TRUE(shown && held) << "no picture of " << state;
        if (!same()) {
            ADD_FAILURE() << state << ": the window shows " << shown->pixelWidth() << " × " << shown->pixelHeight() << " pixels, the headless picture has " << held->pixelWidth() << " × " << held->pixelHeight();
            return;
        }
        // VARDENICO_WINDOW_PICTURES=DIR keeps both pictures of every state for a look.
        if (const char* keep = std::getenv("VARDENICO_WINDOW_PICTURES")) {
            fs::create_directories(keep);
            fs::copy_file(folder / ("shown-" + state + ".png"), fs::path(keep) / ("shown-" + state + ".png"), fs::copy_options::overwrite_existing);
            fs::copy_file(folder / "dumps" / ("held-" + state + ".png"), fs::path(keep) / ("held-" + state + ".png"), fs::copy_options::overwrite_existing);
        }
        EXPECT_LE(d.mean, 3.0) << state << ": the window is " << d.mean << " levels from the headless picture on average";
        EXPECT_LE(d.worstTile, 60.0) << state << ": around (" << d.tileX << ", " << d.tileY << ") the window shows something else (" << d.worstTile << " levels)";
    }
    // The window shows the state, then a click lands on the named view.
    void step(const std::string& state, const std::string& name)
    {
        shows(state);
        session->click(window, at(state, name));
    }
    // Whether `vardenico logos list` finds one logo in the window's data folder, within 20 seconds.
    bool storeHoldsOneLogo() const
    {
        const std::string list = "VARDENICO_HOME=" + home.string() + " " + VARDENICO_BINARY + " logos list 2>/dev/null";
        return eventually([&] { return output(list).starts_with("1 logo in"); }, 20);
    }
};

// The window on a laptop's 1366 × 768 screen with a window manager: it opens inside the screen;
// made 1200 × 700 it shows the screen scaled to fit, centred, and real clicks, drags, keys and the
// wheel take a person from the tutorial through home and the editor to a saved logo and the photo
// browser. Enter answers an alert, Escape closes the colour popover and then goes back as the
// back button does; the editor's keys move, delete, undo, redo and save; the wheel turns the font
// picker and scrolls the photo grid. At every step its pixels are the headless picture of the
// same state at that size.
TEST(WindowRoad, ADesktopWindowOfAnySizeTakesClicksKeysAndTheWheel)
{
    if (!haveTool("Xvfb") || !haveTool("xdotool") || !haveTool("import") || !haveTool("openbox") || !haveTool("xprop") || !haveTool("xwininfo"))
        GTEST_SKIP() << "Xvfb, xdotool, ImageMagick's import, openbox, xprop and xwininfo are not installed";
    WindowBesideHeadless run(40, { 1200, 700 });
    // The same steps headless, in a window of 1200 × 700 pixels.
    const std::vector<std::pair<std::string, std::string>> steps {
        { "tutorial1", "tap @myButtonOk" }, { "tutorial2", "tap @myButtonOk\nwait 0.5" }, { "consent", "tap @alertAction1\nwait 0.5" },
        { "tutorial3", "tap @myButtonOk\nwait 0.5" }, { "notice", "key return\nwait 0.5" }, { "home", "tap @myButtonLogoNew\nwait 0.5" },
        { "revealed", "tap @myButtonCreaLogoProp\nwait 0.8" }, { "editor-tutorial", "tap @myButtonOkTutorial\nwait 0.5" },
        { "editor-icons", "tap @myCollectionForme.0.2\nwait 0.5" }, { "icon", "tap @myCollectionView.0.14\nwait 0.3\ndrag 110 204 80 394\nwait 0.3" },
        { "dragged", "tap @myButtonColorPicker\nwait 0.5" }, { "colours", "key escape\nwait 0.5" }, { "colours-closed", "key right\nwait 0.3" },
        { "nudged", "key shift+right\nwait 0.3" }, { "nudged-more", "key delete\nwait 0.3" }, { "deleted", "key ctrl+z\nwait 0.3" },
        { "undone", "key ctrl+shift+z\nwait 0.3" }, { "redone", "key ctrl+z\nwait 0.3" }, { "back", "tap @myButtonEntraTableLayer\nwait 0.5" },
        { "layers", "tap @myButtonCloseTableViewLayer\nwait 0.5" }, { "layers-closed", "tap @myButtonAddGeometryProp\nwait 0.5" },
        { "shapes", "tap @myCollectionForme.0.5\nwait 0.5\ntap @myCollectionView.0.30\nwait 0.3\ntap @myButtonAddTextProp\nwait 0.5" },
        { "text-new", "scroll @myPickerViewFont 0 120\nwait 0.5" }, { "font-scrolled", "type Vardenico\nwait 0.2" },
        { "typed", "key escape\nwait 0.5" }, { "typing-ended", "key escape\nwait 0.5" }, { "leaving", "key escape\nwait 0.5" },
        { "stayed", "key ctrl+s\nwait 1" }, { "saved", "tap @myButtonHOME\nwait 1" },
        { "home-again", "tap @myButtonApplicaProp\nwait 1" }, { "browser", "tap @myButtonPicker\nwait 0.6" }, { "grid", "scroll @myCollectionViewRullino 0 120\nwait 0.3" },
        { "grid-scrolled", "tap @myButtonSelezionaAlbum\nwait 0.6" }, { "albums", "tap @myTableViewSelezionaAlbum.0.0\nwait 0.6" }, { "album-chosen", "" },
    };
    std::ostringstream script;
    script << "resize 1200 700\n";
    for (const auto& [state, next] : steps)
        script << "dump " << state << "\n" << next << "\n";
    const auto headless = run.runHeadless(script.str());
    ASSERT_EQ(headless.status, 0) << headless.errors;
    auto dumped = [&](const std::string& state, const std::string& name) { return test::findNamed(run.dump(state), name) != nullptr; };
    EXPECT_TRUE(dumped("colours", "myPopoverColori") && !dumped("colours-closed", "myPopoverColori")) << "Escape closed the popover";
    // The icon's left edge after each key, absent when deleted: 1 point right, 10 more with Shift,
    // Delete removes it, undo brings it back, redo removes it again, undo once more.
    std::vector<double> lefts;
    for (const char* state : { "colours-closed", "nudged", "nudged-more", "deleted", "undone", "redone", "back" }) {
        const auto dump = run.dump(state);
        const auto* icon = test::findNamed(dump, "myViewTemporanea.0");
        lefts.push_back(icon ? (*icon)["frame"][0].get<double>() : -1);
    }
    EXPECT_EQ(lefts, (std::vector<double> { lefts[0], lefts[0] + 1, lefts[0] + 11, -1, lefts[0] + 11, -1, lefts[0] + 11 }));
    auto fontRow = [&](const std::string& state) { return (*test::findNamed(run.dump(state), "myPickerViewFont"))["text"]; };
    EXPECT_NE(fontRow("text-new"), fontRow("font-scrolled")) << "the wheel turned the font picker";
    EXPECT_TRUE(dumped("leaving", "myAlertUscita") && !dumped("stayed", "myAlertUscita")) << "then went back as the back button does, and Escape cancelled the alert";
    EXPECT_TRUE(dumped("saved", "myButtonHOME")) << "Ctrl+S saved as SAVE does";
    EXPECT_EQ((*test::findNamed(run.dump("grid-scrolled"), "myCollectionViewRullino"))["bounds"][1], 120);

    ASSERT_TRUE(run.open("1366x768x24", true)) << "no window titled Vardenico";
    XSession& session = *run.session;
    const std::string& window = run.window;
    pause(1);

    // Inside the screen, title bar and borders included, and not a postage stamp.
    const auto opened = session.geometry(window);
    int left = 0, right = 0, top = 0, bottom = 0;
    std::sscanf(session.x("xprop -id " + window + " _NET_FRAME_EXTENTS").c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &left, &right, &top, &bottom);
    EXPECT_TRUE(opened[0] - left >= 0 && opened[1] - top >= 0 && opened[0] + opened[2] + right <= 1366 && opened[1] + opened[3] + bottom <= 768 && opened[3] >= 600)
        << opened[2] << " × " << opened[3] << " at (" << opened[0] << ", " << opened[1] << "), frame " << left << ", " << right << ", " << top << ", " << bottom;

    session.x("xdotool windowsize " + window + " 1200 700");
    EXPECT_TRUE(eventually([&] { const auto g = session.geometry(window); return g[2] == 1200 && g[3] == 700; }, 5)) << "the window manager let it be resized";
    // Grown from the middle of the screen it may reach past its right edge, where the X server
    // shows (and so captures) nothing of it: a person would drag it back in.
    session.x("xdotool windowmove " + window + " 0 0");
    EXPECT_TRUE(eventually([&] { const auto g = session.geometry(window); return g[0] >= 0 && g[0] + g[2] <= 1366 && g[1] >= 0 && g[1] + g[3] <= 768; }, 5)) << "moved inside the screen";

    // The tutorial, its consent dialog, START, the update notice answered by Enter.
    run.step("tutorial1", "myButtonOk");
    run.step("tutorial2", "myButtonOk");
    run.step("consent", "alertAction1");
    run.step("tutorial3", "myButtonOk");
    EXPECT_TRUE(eventually([&] { return defaultValue(run.home, "avvioFatto") == "fatto"; }, 10)) << "START was pressed at its scaled place";
    run.shows("notice");
    session.key(window, "Return");
    EXPECT_TRUE(eventually([&] { return defaultValue(run.home, "aggiornamento1") == "visualizzato"; }, 10)) << "Enter answered the notice";

    // Home, the logo button's slide, the editor: an icon tinted and dragged, its colour popover
    // closed by Escape, moved, deleted and brought back by keys.
    run.step("home", "myButtonLogoNew");
    run.step("revealed", "myButtonCreaLogoProp");
    run.step("editor-tutorial", "myButtonOkTutorial");
    run.step("editor-icons", "myCollectionForme.0.2");
    run.step("icon", "myCollectionView.0.14");
    session.drag(window, run.pixel({ 110, 204 }), run.pixel({ 80, 394 }));
    run.step("dragged", "myButtonColorPicker");
    run.shows("colours");
    session.key(window, "Escape");
    run.shows("colours-closed");
    for (const auto& [key, state] : std::vector<std::pair<std::string, std::string>> { { "Right", "nudged" }, { "shift+Right", "nudged-more" }, { "Delete", "deleted" },
             { "ctrl+z", "undone" }, { "ctrl+shift+z", "redone" }, { "ctrl+z", "back" } }) {
        session.key(window, key);
        run.shows(state);
    }
    // The layer table opened and closed (it slides away over the top bar), a shape, a line of
    // text in a font the wheel chose, typed; Escape ends the typing, leaves, stays; Ctrl+S saves.
    run.step("back", "myButtonEntraTableLayer");
    run.step("layers", "myButtonCloseTableViewLayer");
    run.step("layers-closed", "myButtonAddGeometryProp");
    run.step("shapes", "myCollectionForme.0.5");
    session.click(window, run.at("dragged", "myCollectionView.0.30"));
    session.click(window, run.at("shapes", "myButtonAddTextProp"));
    run.shows("text-new");
    session.wheel(window, run.at("text-new", "myPickerViewFont"), 3);
    run.shows("font-scrolled");
    session.x("xdotool type --delay 60 Vardenico");
    for (const char* state : { "typed", "typing-ended", "leaving" }) {
        run.shows(state);
        session.key(window, "Escape");
    }
    run.shows("stayed");
    session.key(window, "ctrl+s");
    EXPECT_TRUE(run.storeHoldsOneLogo()) << "Ctrl+S saved";

    // The saved logo's preview, home, the photo browser's grid scrolled by the wheel, its album
    // list. A click on a photo just after the album button: the list is sliding in, not yet over
    // the photo the person sees, so the click reaches neither the photo nor the album row that
    // will lie there; then a row is chosen.
    run.step("saved", "myButtonHOME");
    run.step("home-again", "myButtonApplicaProp");
    run.step("browser", "myButtonPicker");
    run.shows("grid");
    session.wheel(window, run.at("grid", "myCollectionViewRullino"), 3);
    run.shows("grid-scrolled");
    session.settleAt(window, run.at("grid-scrolled", "myButtonSelezionaAlbum"));
    session.x("xdotool" + XSession::moveTo(window, run.at("grid-scrolled", "myButtonSelezionaAlbum")) + " click 1 sleep 0.1" + XSession::moveTo(window, run.at("grid-scrolled", "myCollectionViewRullino.0.4")) + " click 1");
    run.step("albums", "myTableViewSelezionaAlbum.0.0");
    run.shows("album-chosen");

    // F11 makes it full screen and back.
    session.key(window, "F11");
    EXPECT_TRUE(eventually([&] { const auto g = session.geometry(window); return g[2] == 1366 && g[3] == 768; }, 5)) << "full screen";
    session.key(window, "F11");
    EXPECT_TRUE(eventually([&] { const auto g = session.geometry(window); return g[2] == 1200 && g[3] == 700; }, 5)) << "back to its size";

    // Ctrl+Q ends the program as closing the window does.
    session.key(window, "ctrl+q");
    EXPECT_TRUE(eventually([&] { return !session.running() && session.x("xdotool search --name '^Vardenico$' 2>/dev/null").empty(); }, 10)) << "Ctrl+Q quit";
}

}
}
