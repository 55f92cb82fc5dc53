#include <hosts/WindowHost.h>

#include <hosts/WindowPixels.h>

#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/graphics/CairoPainter.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/ui/window/Window.h>

#include <SDL.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

namespace vd {

namespace {

// SDL handles, released in reverse order.
struct SdlSession {
    SDL_Window* window { nullptr };
    std::unique_ptr<WindowPixels> pixels;
    bool initialized { false };
    ~SdlSession()
    {
        pixels.reset();
        if (window)
            SDL_DestroyWindow(window);
        if (initialized)
            SDL_Quit();
    }
};

std::optional<Key> keyFor(SDL_Keycode code)
{
    switch (code) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return Key::Return;
    case SDLK_BACKSPACE:
        return Key::Backspace;
    case SDLK_DELETE:
        return Key::Delete;
    case SDLK_TAB:
        return Key::Tab;
    case SDLK_ESCAPE:
        return Key::Escape;
    case SDLK_LEFT:
        return Key::Left;
    case SDLK_RIGHT:
        return Key::Right;
    case SDLK_UP:
        return Key::Up;
    case SDLK_DOWN:
        return Key::Down;
    case SDLK_HOME:
        return Key::Home;
    case SDLK_END:
        return Key::End;
    default:
        return std::nullopt;
    }
}

// A key press as the window takes it: named keys, and letters or digits with Ctrl or Alt (typed
// text comes as text).
std::optional<KeyPress> keyPressFor(const SDL_Keysym& keysym)
{
    unsigned modifiers = KeyModifierNone;
    if (keysym.mod & KMOD_SHIFT)
        modifiers |= KeyModifierShift;
    if (keysym.mod & KMOD_CTRL)
        modifiers |= KeyModifierControl;
    if (keysym.mod & KMOD_ALT)
        modifiers |= KeyModifierAlt;
    if (auto key = keyFor(keysym.sym))
        return KeyPress { *key, 0, modifiers };
    const bool letter = keysym.sym >= SDLK_a && keysym.sym <= SDLK_z, digit = keysym.sym >= SDLK_0 && keysym.sym <= SDLK_9;
    if ((letter || digit) && (modifiers & (KeyModifierControl | KeyModifierAlt)))
        return KeyPress { Key::Character, static_cast<char>(keysym.sym), modifiers };
    return std::nullopt;
}

// Points a wheel step scrolls.
constexpr double kWheelStep = 40;

// Turns mouse drags into one or two fingers; the right button presses one finger firmly, as a
// pressure-sensitive screen would feel it.
class MouseFingers {
public:
    enum class Mode { One, TwoTogether, Pinch, Firm };

    std::vector<Window::TouchInput> fingers(Point mouse) const
    {
        const Point d = mouse - m_start;
        switch (m_mode) {
        case Mode::One:
            return { { kFirst, mouse } };
        case Mode::Firm:
            return { { kFirst, mouse, Touch::maximumPossibleForce() } };
        case Mode::TwoTogether:
            return { { kFirst, mouse - kHalf }, { kSecond, mouse + kHalf } };
        case Mode::Pinch:
            return { { kFirst, m_start + kSpread + d }, { kSecond, m_start - kSpread - d } };
        }
        return {};
    }
    void begin(Point mouse, Mode mode)
    {
        m_start = mouse;
        m_mode = mode;
        m_down = true;
    }
    bool isDown() const { return m_down; }
    void end() { m_down = false; }

private:
    static constexpr int kFirst = 1, kSecond = 2;
    static constexpr Point kHalf { 20, 0 };
    static constexpr Point kSpread { 40, 0 };
    Point m_start;
    Mode m_mode { Mode::One };
    bool m_down { false };
};

}

WindowHost::WindowHost(double scale, std::string title)
    : m_scale(scale)
    , m_title(std::move(title))
{
}

int WindowHost::run(const std::shared_ptr<Window>& window)
{
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SdlSession sdl;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "vardenico app: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    sdl.initialized = true;
    const Size points = window->bounds().size;
    SDL_Rect usable {};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0)
        usable = {};
    const Size opening = initialWindowSize(points, { double(usable.w), double(usable.h) }, m_scale > 0 ? std::optional(m_scale) : std::nullopt);
    sdl.window = SDL_CreateWindow(m_title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, static_cast<int>(opening.width), static_cast<int>(opening.height), SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    if (!sdl.window) {
        std::fprintf(stderr, "vardenico app: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_SetWindowMinimumSize(sdl.window, static_cast<int>(std::ceil(points.width / 4)), static_cast<int>(std::ceil(points.height / 4)));
    // The screen is drawn straight into the window's picture, which the display reads as it is,
    // made again at the window's pixel size whenever that changes and drawn at the scale that
    // fits: sharp at every size, never a stretched bitmap.
    sdl.pixels = WindowPixels::make(sdl.window);
    if (!sdl.pixels)
        return 1;
    int windowWidth = 0, windowHeight = 0, pixelWidth = 0, pixelHeight = 0;
    ScreenFit fit;
    const Color margin = marginColor();
    bool wholePicture = true;
    auto adoptWindowSize = [&]() -> bool {
        SDL_GetWindowSize(sdl.window, &windowWidth, &windowHeight);
        if (!sdl.pixels->adopt())
            return false;
        pixelWidth = sdl.pixels->width();
        pixelHeight = sdl.pixels->height();
        fit = fitScreen(points, { double(pixelWidth), double(pixelHeight) });
        cairo_t* cr = cairo_create(sdl.pixels->surface());
        cairo_set_source_rgb(cr, margin.red, margin.green, margin.blue);
        cairo_paint(cr);
        cairo_destroy(cr);
        wholePicture = true;
        window->invalidateRect(window->bounds());
        return true;
    };
    if (!adoptWindowSize())
        return 1;
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);

    const Uint32 wakeEvent = SDL_RegisterEvents(1);
    std::atomic<bool> wakePending { false };
    RunLoop::main().setWakeHandler([wakeEvent, &wakePending] {
        if (wakePending.exchange(true))
            return;
        SDL_Event event {};
        event.type = wakeEvent;
        SDL_PushEvent(&event);
    });
    SDL_StartTextInput();

    // Window coordinates to the screen's points, through the pixels of a high-DPI display.
    auto toPoints = [&](double x, double y) {
        const double ratioX = windowWidth > 0 ? double(pixelWidth) / windowWidth : 1, ratioY = windowHeight > 0 ? double(pixelHeight) / windowHeight : 1;
        return fit.toPoints({ x * ratioX, y * ratioY });
    };
    auto pointer = [&] {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        return toPoints(x, y);
    };
    std::vector<std::filesystem::path> dropped;
    bool resized = false;
    MouseFingers mouse;
    std::map<SDL_FingerID, int> fingerIds;
    int nextFinger = 100;
    bool running = true;
    window->invalidateRect(window->bounds());
    // The screen saver stays off while the program is in front and wants it so.
    LifecycleDriver lifecycle;
    auto lifecycleChanged = [&] {
        if (lifecycle.isActive() && lifecycle.idleTimerDisabled())
            SDL_DisableScreenSaver();
        else
            SDL_EnableScreenSaver();
    };
    lifecycle.becomeActive();
    lifecycleChanged();

    auto handle = [&](const SDL_Event& event) {
        if (event.type == wakeEvent) {
            wakePending = false;
            return;
        }
        switch (event.type) {
        case SDL_QUIT:
            running = false;
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_EXPOSED:
                window->invalidateRect(window->bounds());
                wholePicture = true;
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                resized = true;
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                lifecycle.becomeActive();
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                lifecycle.resignActive();
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
            case SDL_WINDOWEVENT_HIDDEN:
                lifecycle.enterBackground();
                break;
            case SDL_WINDOWEVENT_RESTORED:
            case SDL_WINDOWEVENT_SHOWN:
                lifecycle.enterForeground();
                window->invalidateRect(window->bounds());
                break;
            default:
                break;
            }
            lifecycleChanged();
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_RIGHT && !mouse.isDown()) {
                const Point p = toPoints(event.button.x, event.button.y);
                mouse.begin(p, MouseFingers::Mode::Firm);
                window->sendTouches(TouchPhase::Began, mouse.fingers(p));
            } else if (event.button.button == SDL_BUTTON_LEFT && !mouse.isDown()) {
                const SDL_Keymod mods = SDL_GetModState();
                const auto mode = (mods & KMOD_SHIFT) ? MouseFingers::Mode::TwoTogether : (mods & (KMOD_CTRL | KMOD_ALT)) ? MouseFingers::Mode::Pinch : MouseFingers::Mode::One;
                const Point p = toPoints(event.button.x, event.button.y);
                mouse.begin(p, mode);
                window->sendTouches(TouchPhase::Began, mouse.fingers(p));
            }
            break;
        case SDL_MOUSEMOTION:
            if (mouse.isDown())
                window->sendTouches(TouchPhase::Moved, mouse.fingers(toPoints(event.motion.x, event.motion.y)));
            break;
        case SDL_MOUSEBUTTONUP:
            if ((event.button.button == SDL_BUTTON_LEFT || event.button.button == SDL_BUTTON_RIGHT) && mouse.isDown()) {
                window->sendTouches(TouchPhase::Ended, mouse.fingers(toPoints(event.button.x, event.button.y)));
                mouse.end();
            }
            break;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: {
            const Point p = fit.toPoints({ event.tfinger.x * pixelWidth, event.tfinger.y * pixelHeight });
            if (event.type == SDL_FINGERDOWN)
                fingerIds[event.tfinger.fingerId] = nextFinger++;
            auto it = fingerIds.find(event.tfinger.fingerId);
            if (it == fingerIds.end())
                break;
            const TouchPhase phase = event.type == SDL_FINGERDOWN ? TouchPhase::Began : event.type == SDL_FINGERUP ? TouchPhase::Ended : TouchPhase::Moved;
            window->sendTouches(phase, { { it->second, p } });
            if (event.type == SDL_FINGERUP)
                fingerIds.erase(it);
            break;
        }
        case SDL_TEXTINPUT:
            window->sendText(event.text.text);
            break;
        case SDL_KEYDOWN: {
            if (event.key.keysym.sym == SDLK_F11) {
                const bool full = SDL_GetWindowFlags(sdl.window) & SDL_WINDOW_FULLSCREEN_DESKTOP;
                SDL_SetWindowFullscreen(sdl.window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
                break;
            }
            auto press = keyPressFor(event.key.keysym);
            if (!press)
                break;
            if (*press == KeyPress { Key::Character, 'q', KeyModifierControl }) {
                running = false;
                break;
            }
            window->sendKey(*press);
            break;
        }
        case SDL_MOUSEWHEEL: {
            if (mouse.isDown())
                break;
            const double flip = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
            window->sendScroll(pointer(), Point { event.wheel.preciseX * kWheelStep * flip, -event.wheel.preciseY * kWheelStep * flip });
            break;
        }
        case SDL_DROPBEGIN:
            dropped.clear();
            break;
        case SDL_DROPFILE:
            if (event.drop.file) {
                dropped.emplace_back(event.drop.file);
                SDL_free(event.drop.file);
            }
            break;
        case SDL_DROPCOMPLETE:
            if (!dropped.empty())
                window->sendDrop(pointer(), dropped);
            dropped.clear();
            break;
        default:
            break;
        }
    };

    constexpr double kFrame = 1.0 / 60;
    double lastFrame = -1;
    m_quit = false;
    while (running) {
        RunLoop::main().runPending();
        if (m_quit)
            break;
        if (auto size = std::exchange(m_requestedSize, std::nullopt)) {
            SDL_SetWindowSize(sdl.window, size->first, size->second);
            resized = true;
        }
        const auto frameStart = std::chrono::steady_clock::now();
        if (resized) {
            resized = false;
            if (!adoptWindowSize())
                return 1;
        }
        window->prepareFrame();
        const bool animating = window->isAnimating();
        if (auto dirty = window->dirtyRect(); dirty && !dirty->isEmpty()) {
            // Whole pixels that cover the changed points.
            const Point from = fit.toPixels(dirty->origin), to = fit.toPixels({ dirty->maxX(), dirty->maxY() });
            const Point screenEnd = fit.toPixels({ points.width, points.height });
            const int x0 = std::max(static_cast<int>(std::floor(fit.origin.x)), static_cast<int>(std::floor(from.x)));
            const int y0 = std::max(static_cast<int>(std::floor(fit.origin.y)), static_cast<int>(std::floor(from.y)));
            const int x1 = std::min({ pixelWidth, static_cast<int>(std::ceil(screenEnd.x)), static_cast<int>(std::ceil(to.x)) });
            const int y1 = std::min({ pixelHeight, static_cast<int>(std::ceil(screenEnd.y)), static_cast<int>(std::ceil(to.y)) });
            window->clearDirty();
            if (x1 > x0 && y1 > y0) {
                cairo_t* cr = cairo_create(sdl.pixels->surface());
                cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
                cairo_clip(cr);
                cairo_set_source_rgb(cr, 1, 1, 1);
                cairo_paint(cr);
                cairo_translate(cr, fit.origin.x, fit.origin.y);
                cairo_scale(cr, fit.scale, fit.scale);
                {
                    Painter painter = PainterAccess::wrap(cr);
                    window->render(painter);
                }
                cairo_destroy(cr);
                const auto drawn = std::chrono::steady_clock::now();
                cairo_surface_flush(sdl.pixels->surface());
                sdl.pixels->show(wholePicture ? SDL_Rect { 0, 0, pixelWidth, pixelHeight } : SDL_Rect { x0, y0, x1 - x0, y1 - y0 });
                wholePicture = false;
                if (++m_frames == 1)
                    log::debug("window host: first frame shown");
                if (m_recordFrames)
                    m_frameTimes.push_back({ std::chrono::duration<double>(std::chrono::steady_clock::now() - frameStart).count(), std::chrono::duration<double>(drawn - frameStart).count() });
                lastFrame = RunLoop::main().now();
            }
        } else {
            window->clearDirty();
        }
        // Sleep until an event, the next timer, or the next frame of an animation.
        int timeout = -1;
        if (animating)
            timeout = std::max(0, static_cast<int>(std::lround((lastFrame + kFrame - RunLoop::main().now()) * 1000)));
        if (auto next = RunLoop::main().secondsUntilNextTimer()) {
            const int untilTimer = static_cast<int>(std::ceil(*next * 1000));
            timeout = timeout < 0 ? untilTimer : std::min(timeout, untilTimer);
        }
        if (RunLoop::main().hasPendingTasks())
            timeout = 0;
        SDL_Event event;
        const int got = timeout < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeout);
        if (got) {
            handle(event);
            while (running && SDL_PollEvent(&event))
                handle(event);
        }
    }
    // Closing the window ends the program the way a phone ends an application.
    lifecycle.terminate();
    RunLoop::main().runPending();
    SDL_EnableScreenSaver();
    SDL_StopTextInput();
    RunLoop::main().setWakeHandler({});
    log::debug("window host: " + std::to_string(m_frames) + " frames drawn");
    return 0;
}

}
