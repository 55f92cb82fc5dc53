#include <hosts/HeadlessHost.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/graphics/ImageCodecs.h>
#include <platform/photos/ImageManager.h>
#include <platform/ui/views/ViewDump.h>
#include <platform/ui/window/Window.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>

namespace vd {

namespace {

constexpr double kStep = 1.0 / 60; // seconds between synthesised touch events

double number(const std::string& word) { return std::strtod(word.c_str(), nullptr); }

// A name, or a path into a named view: "photoPickerGrid.0.2.photoPickerThumbnail" is the view named
// photoPickerThumbnail inside the cell named photoPickerGrid.0.2 (cell names hold dots themselves,
// so the longest prefix naming a view is the container).
std::shared_ptr<View> namedView(View& root, const std::string& name)
{
    if (auto view = root.viewNamed(name))
        return view;
    for (size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0; dot = name.rfind('.', dot - 1)) {
        if (auto container = root.viewNamed(name.substr(0, dot)))
            return namedView(*container, name.substr(dot + 1));
    }
    return nullptr;
}

}

HeadlessHost::HeadlessHost(std::vector<AutomationCommand> script, std::string scriptName, std::filesystem::path outputFolder, double scale)
    : m_script(std::move(script))
    , m_scriptName(std::move(scriptName))
    , m_output(std::move(outputFolder))
    , m_scale(scale > 0 ? scale : 2)
{
}

Image HeadlessHost::screenshot(Window& window, double scale)
{
    window.prepareFrame();
    DrawingContext context(window.bounds().size, DrawingContext::Opacity::Opaque, scale);
    context.fill(window.bounds(), Color::whiteColor());
    window.render(context.painter());
    window.clearDirty();
    return context.takeImage();
}

Image HeadlessHost::screenshot(Window& window, Size pixels)
{
    window.prepareFrame();
    const ScreenFit fit = fitScreen(window.bounds().size, pixels);
    DrawingContext context(pixels, DrawingContext::Opacity::Opaque, 1);
    context.fill({ 0, 0, pixels.width, pixels.height }, marginColor());
    Painter& painter = context.painter();
    painter.save();
    painter.translate(fit.origin.x, fit.origin.y);
    painter.scale(fit.scale, fit.scale);
    painter.fillRect(window.bounds(), Color::whiteColor());
    window.render(painter);
    painter.restore();
    window.clearDirty();
    return context.takeImage();
}

void HeadlessHost::settle(Window& window, double seconds)
{
    RunLoop::main().advance(seconds);
    window.prepareFrame();
}

Result<Point> HeadlessHost::target(Window& window, const AutomationCommand& command, size_t& index)
{
    const std::string& word = command.arguments.at(index);
    if (word[0] == '@') {
        ++index;
        auto view = namedView(window, word.substr(1));
        if (!view) {
            m_scriptMistake = true;
            return fail("no view is named \"" + word.substr(1) + "\"");
        }
        const Point at = view->convertPointToView(view->bounds().center(), nullptr);
        // Where a named target lies in the window, for driving the real window the same way.
        log::debug("automation: " + word + " at " + std::to_string(at.x) + " " + std::to_string(at.y));
        return at;
    }
    const Point p { number(word), number(command.arguments.at(index + 1)) };
    index += 2;
    return p;
}

Result<void> HeadlessHost::execute(Window& window, const AutomationCommand& c)
{
    const auto& args = c.arguments;
    auto moveFingers = [&](std::vector<Point> from, std::vector<Point> to, double seconds) {
        std::vector<Window::TouchInput> touches;
        for (size_t i = 0; i < from.size(); ++i)
            touches.push_back({ static_cast<int>(i + 1), from[i] });
        window.sendTouches(TouchPhase::Began, touches);
        const int steps = std::max(2, static_cast<int>(std::lround(seconds / kStep)));
        for (int s = 1; s <= steps; ++s) {
            settle(window, seconds / steps);
            for (size_t i = 0; i < from.size(); ++i)
                touches[i].location = from[i] + (to[i] - from[i]) * (double(s) / steps);
            window.sendTouches(TouchPhase::Moved, touches);
        }
        window.sendTouches(TouchPhase::Ended, touches);
        settle(window, kStep);
    };
    auto tapAt = [&](Point p) {
        window.sendTouches(TouchPhase::Began, { { 1, p } });
        settle(window, 0.05);
        window.sendTouches(TouchPhase::Ended, { { 1, p } });
        settle(window, kStep);
    };
    size_t i = 0;
    if (c.name == "tap" || c.name == "double-tap") {
        auto p = target(window, c, i);
        if (!p)
            return std::unexpected(p.error());
        tapAt(*p);
        if (c.name == "double-tap") {
            settle(window, 0.1);
            tapAt(*p);
        }
    } else if (c.name == "long-press") {
        auto p = target(window, c, i);
        if (!p)
            return std::unexpected(p.error());
        window.sendTouches(TouchPhase::Began, { { 1, *p } });
        settle(window, number(args[i]));
        window.sendTouches(TouchPhase::Ended, { { 1, *p } });
        settle(window, kStep);
    } else if (c.name == "force-press") {
        auto p = target(window, c, i);
        if (!p)
            return std::unexpected(p.error());
        const double seconds = i < args.size() ? number(args[i]) : 0.5;
        window.sendTouches(TouchPhase::Began, { { 1, *p, Touch::maximumPossibleForce() } });
        settle(window, seconds);
        window.sendTouches(TouchPhase::Ended, { { 1, *p, Touch::maximumPossibleForce() } });
        settle(window, kStep);
    } else if (c.name == "drag" || c.name == "two-finger-drag") {
        Point from, to;
        if (args[0][0] == '@') {
            auto p = target(window, c, i);
            if (!p)
                return std::unexpected(p.error());
            from = *p;
            to = from + Point { number(args[i]), number(args[i + 1]) };
            i += 2;
        } else {
            from = { number(args[0]), number(args[1]) };
            to = { number(args[2]), number(args[3]) };
            i = 4;
        }
        const double seconds = i < args.size() ? number(args[i]) : 0.3;
        if (c.name == "drag") {
            moveFingers({ from }, { to }, seconds);
        } else {
            const Point half { 20, 0 };
            moveFingers({ from - half, from + half }, { to - half, to + half }, seconds);
        }
    } else if (c.name == "pinch") {
        auto p = target(window, c, i);
        if (!p)
            return std::unexpected(p.error());
        const double scale = number(args[i]);
        const double seconds = i + 1 < args.size() ? number(args[i + 1]) : 0.3;
        const double spread = 40;
        moveFingers({ *p - Point { spread, 0 }, *p + Point { spread, 0 } }, { *p - Point { spread * scale, 0 }, *p + Point { spread * scale, 0 } }, seconds);
    } else if (c.name == "circle") {
        // One finger around a centre: radius, then degrees turned (positive clockwise on screen),
        // starting to the right of the centre.
        auto p = target(window, c, i);
        if (!p)
            return std::unexpected(p.error());
        const double radius = number(args[i]), degrees = number(args[i + 1]);
        const double seconds = i + 2 < args.size() ? number(args[i + 2]) : 0.5;
        const int steps = std::max(4, static_cast<int>(std::lround(seconds / kStep)));
        auto at = [&](double fraction) {
            const double angle = degrees * fraction / 180 * std::numbers::pi;
            return Point { p->x + radius * std::cos(angle), p->y + radius * std::sin(angle) };
        };
        window.sendTouches(TouchPhase::Began, { { 1, at(0) } });
        for (int s = 1; s <= steps; ++s) {
            settle(window, seconds / steps);
            window.sendTouches(TouchPhase::Moved, { { 1, at(double(s) / steps) } });
        }
        window.sendTouches(TouchPhase::Ended, { { 1, at(1) } });
        settle(window, kStep);
    } else if (c.name == "press") {
        if (m_heldFinger) {
            m_scriptMistake = true;
            return fail("a finger is already pressed; release it first");
        }
        auto p = target(window, c, i);
        if (!p)
            return std::unexpected(p.error());
        m_heldFinger = *p;
        window.sendTouches(TouchPhase::Began, { { 1, *p } });
        settle(window, kStep);
    } else if (c.name == "move-to" || c.name == "release") {
        if (!m_heldFinger) {
            m_scriptMistake = true;
            return fail("no finger is pressed");
        }
        if (c.name == "release") {
            window.sendTouches(TouchPhase::Ended, { { 1, *m_heldFinger } });
            m_heldFinger.reset();
            settle(window, kStep);
        } else {
            const Point from = *m_heldFinger, to { number(args[0]), number(args[1]) };
            const double seconds = args.size() > 2 ? number(args[2]) : 0.3;
            const int steps = std::max(2, static_cast<int>(std::lround(seconds / kStep)));
            for (int s = 1; s <= steps; ++s) {
                settle(window, seconds / steps);
                window.sendTouches(TouchPhase::Moved, { { 1, from + (to - from) * (double(s) / steps) } });
            }
            m_heldFinger = to;
        }
    } else if (c.name == "type") {
        window.sendText(args[0]);
        settle(window, 0);
    } else if (c.name == "key") {
        auto press = KeyPress::named(args[0]);
        if (!press) {
            m_scriptMistake = true;
            return fail("unknown key \"" + args[0] + "\"");
        }
        if (*press == KeyPress { Key::Character, 'q', KeyModifierControl }) {
            m_quit = true;
            return {};
        }
        window.sendKey(*press);
        settle(window, 0);
    } else if (c.name == "scroll") {
        auto p = target(window, c, i);
        if (!p)
            return std::unexpected(p.error());
        window.sendScroll(*p, { number(args[i]), number(args[i + 1]) });
        settle(window, kStep);
    } else if (c.name == "drop") {
        std::vector<std::filesystem::path> files(args.begin(), args.end());
        window.sendDrop(window.bounds().center(), files);
        settle(window, kStep);
    } else if (c.name == "resize") {
        const double width = number(args[0]), height = number(args[1]);
        if (!(width >= 1 && height >= 1 && width <= 8192 && height <= 8192)) {
            m_scriptMistake = true;
            return fail("a window is 1 to 8192 pixels wide and high");
        }
        m_windowPixels = Size { std::round(width), std::round(height) };
        window.invalidateRect(window.bounds());
    } else if (c.name == "wait") {
        // In frame-sized steps, so animations and timers see the time pass as on a screen.
        double left = std::max(0.0, number(args[0]));
        while (left > 1e-12) {
            const double step = std::min(left, kStep);
            settle(window, step);
            left -= step;
        }
        // Work on other threads (decoding, loading) takes real time: let its results arrive
        // until no picture asked for is still being decoded and the loop has been quiet for a
        // moment. On a loaded machine the decoding threads, which run below the program's own
        // priority, may wait seconds for a processor.
        const double quiet = 0.05, limit = 20.0;
        double waited = 0;
        while (waited < limit) {
            RunLoop::main().waitForWork(quiet);
            if (!RunLoop::main().hasPendingTasks() && !ImageManager::busy())
                break;
            settle(window, 0);
            waited += quiet;
        }
    } else if (c.name == "wait-for") {
        const std::string name = args[0].substr(1);
        const std::optional<std::string> prefix = args.size() > 2 ? std::optional(args[2]) : std::nullopt;
        auto shows = [&] {
            auto view = namedView(window, name);
            if (!view)
                return false;
            for (auto v = view; v; v = v->superview())
                if (v->isHidden() || v->alpha() <= 0)
                    return false;
            if (!prefix)
                return true;
            // A label or button shows text; an image view shows the name of its picture.
            const auto text = view->automationText();
            if (text)
                return text->starts_with(*prefix);
            const auto image = view->automationImageName();
            return image && image->starts_with(*prefix);
        };
        const auto start = std::chrono::steady_clock::now();
        while (!shows()) {
            const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
            if (waited.count() > number(args[1]))
                return fail("@" + name + (prefix ? " did not show \"" + *prefix + "\"" : " did not show") + " within " + args[1] + " s");
            RunLoop::main().waitForWork(kStep);
            settle(window, kStep);
        }
    } else if (c.name == "background") {
        m_lifecycle.enterBackground();
        settle(window, kStep);
    } else if (c.name == "foreground") {
        m_lifecycle.enterForeground();
        settle(window, kStep);
    } else if (c.name == "screenshot") {
        const Image image = m_windowPixels ? screenshot(window, *m_windowPixels) : screenshot(window, m_scale);
        auto png = encodePng(image);
        if (!png)
            return std::unexpected(png.error());
        const auto path = m_output / (args[0] + ".png");
        if (auto written = files::writeAtomically(path, *png); !written)
            return std::unexpected(written.error());
    } else if (c.name == "dump") {
        window.prepareFrame();
        const std::string json = dumpViewTree(window).dump(2) + "\n";
        const auto path = m_output / (args[0] + ".json");
        if (auto written = files::writeAtomically(path, std::vector<std::uint8_t>(json.begin(), json.end())); !written)
            return std::unexpected(written.error());
    }
    return {};
}

int HeadlessHost::run(const std::shared_ptr<Window>& window)
{
    std::error_code error;
    std::filesystem::create_directories(m_output, error);
    if (error) {
        std::fprintf(stderr, "%s: cannot create the output folder: %s\n", m_output.string().c_str(), error.message().c_str());
        return 1;
    }
    m_lifecycle.becomeActive();
    settle(*window, 0);
    for (const auto& command : m_script) {
        if (auto done = execute(*window, command); !done) {
            std::fprintf(stderr, "%s:%d: %s: %s\n", m_scriptName.c_str(), command.line, command.name.c_str(), done.error().message.c_str());
            m_lifecycle.terminate();
            // Missing views and unknown keys are script mistakes; anything else failed to write.
            return m_scriptMistake ? 2 : 1;
        }
        if (m_quit)
            break;
    }
    m_lifecycle.terminate();
    settle(*window, 0);
    return 0;
}

}
