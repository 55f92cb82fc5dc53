#include <hosts/WindowHost.h>

#include <platform/foundation/Log.h>
#include <platform/foundation/RunLoop.h>
#include <platform/graphics/CairoPainter.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/ui/window/Window.h>

#include <SDL.h>
#include <atomic>
#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

namespace vd {

namespace {

// SDL handles, released in reverse order.
struct SdlSession {
    SDL_Window* window { nullptr };
    SDL_Renderer* renderer { nullptr };
    SDL_Texture* texture { nullptr };
    cairo_surface_t* surface { nullptr };
    bool initialized { false };
    ~SdlSession()
    {
        if (surface)
            cairo_surface_destroy(surface);
        if (texture)
            SDL_DestroyTexture(texture);
        if (renderer)
            SDL_DestroyRenderer(renderer);
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
    : m_scale(scale > 0 ? scale : 1)
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
    const int width = static_cast<int>(std::lround(points.width * m_scale)), height = static_cast<int>(std::lround(points.height * m_scale));
    sdl.window = SDL_CreateWindow(m_title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_SHOWN);
    if (!sdl.window) {
        std::fprintf(stderr, "vardenico app: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
    if (!sdl.renderer)
        sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_SOFTWARE);
    if (!sdl.renderer) {
        std::fprintf(stderr, "vardenico app: cannot draw in the window: %s\n", SDL_GetError());
        return 1;
    }
    int pixelWidth = width, pixelHeight = height;
    SDL_GetRendererOutputSize(sdl.renderer, &pixelWidth, &pixelHeight);
    // Points to pixels: the chosen scale times the display's high-DPI ratio.
    const double pixelScale = m_scale * static_cast<double>(pixelWidth) / width;
    sdl.texture = SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, pixelWidth, pixelHeight);
    sdl.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight);
    if (!sdl.texture || cairo_surface_status(sdl.surface) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "vardenico app: cannot make the window's picture: %s\n", SDL_GetError());
        return 1;
    }

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

    auto toPoints = [&](int x, int y) { return Point { x / m_scale, y / m_scale }; };
    MouseFingers mouse;
    std::map<SDL_FingerID, int> fingerIds;
    int nextFinger = 100;
    bool running = true;
    window->invalidateRect(window->bounds());

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
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                window->invalidateRect(window->bounds());
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
            const Point p { event.tfinger.x * points.width, event.tfinger.y * points.height };
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
        case SDL_KEYDOWN:
            if (auto key = keyFor(event.key.keysym.sym))
                window->sendKey(*key);
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
        window->prepareFrame();
        const bool animating = window->isAnimating();
        if (auto dirty = window->dirtyRect(); dirty && !dirty->isEmpty()) {
            // Whole pixels that cover the changed points.
            const int x0 = std::max(0, static_cast<int>(std::floor(dirty->minX() * pixelScale)));
            const int y0 = std::max(0, static_cast<int>(std::floor(dirty->minY() * pixelScale)));
            const int x1 = std::min(pixelWidth, static_cast<int>(std::ceil(dirty->maxX() * pixelScale)));
            const int y1 = std::min(pixelHeight, static_cast<int>(std::ceil(dirty->maxY() * pixelScale)));
            window->clearDirty();
            if (x1 > x0 && y1 > y0) {
                cairo_t* cr = cairo_create(sdl.surface);
                cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
                cairo_clip(cr);
                cairo_set_source_rgb(cr, 1, 1, 1);
                cairo_paint(cr);
                cairo_scale(cr, pixelScale, pixelScale);
                {
                    Painter painter = PainterAccess::wrap(cr);
                    window->render(painter);
                }
                cairo_destroy(cr);
                cairo_surface_flush(sdl.surface);
                const int stride = cairo_image_surface_get_stride(sdl.surface);
                const unsigned char* data = cairo_image_surface_get_data(sdl.surface);
                const SDL_Rect area { x0, y0, x1 - x0, y1 - y0 };
                SDL_UpdateTexture(sdl.texture, &area, data + static_cast<size_t>(y0) * stride + static_cast<size_t>(x0) * 4, stride);
                SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, nullptr);
                SDL_RenderPresent(sdl.renderer);
                if (++m_frames == 1)
                    log::debug("window host: first frame shown");
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
    SDL_StopTextInput();
    RunLoop::main().setWakeHandler({});
    log::debug("window host: " + std::to_string(m_frames) + " frames drawn");
    return 0;
}

}
