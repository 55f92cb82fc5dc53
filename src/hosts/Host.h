#pragma once

#include <platform/graphics/Color.h>
#include <platform/graphics/Geometry.h>

#include <functional>
#include <memory>
#include <optional>

namespace vd {

class Window;

enum class HostDevice { Phone, Tablet };

// The screen of each device kind, in points.
Size hostScreenSize(HostDevice device);

// How a picture of some pixels shows a screen of points: as large as fits whole, in proportion,
// centred; the rest is margin.
struct ScreenFit {
    double scale { 1 }; // pixels a point
    Point origin;       // the screen's top-left corner, in pixels
    Point toPoints(Point pixels) const { return { (pixels.x - origin.x) / scale, (pixels.y - origin.y) / scale }; }
    Point toPixels(Point points) const { return origin + points * scale; }
};
ScreenFit fitScreen(Size points, Size pixels);

// The size a window opens at (in the display's coordinates): with a forced scale, the screen's
// points times it; otherwise as large as keeps it within 90 % of the display's usable width and
// height, and no larger than one display unit a point.
Size initialWindowSize(Size points, Size usableArea, std::optional<double> forcedScale);

// The colour of the margins around the screen: the theme's background.
Color marginColor();

// Fills a fresh window with the program's first screen, as the application registers it (empty
// until it does).
using RootInstaller = std::function<void(Window& window, HostDevice device)>;
void setApplicationRootInstaller(RootInstaller installer);
RootInstaller applicationRootInstaller();

// What the application does as its window comes to the front, leaves it, goes to the background
// and comes back, and when the program ends; set by the application with its first screen (empty
// members do nothing). idleTimerDisabled tells the host to hold the screen saver off.
struct ApplicationLifecycle {
    std::function<void()> didBecomeActive;
    std::function<void()> willResignActive;
    std::function<void()> didEnterBackground;
    std::function<void()> willEnterForeground;
    std::function<void()> willTerminate;
    std::function<bool()> idleTimerDisabled;
};
void setApplicationLifecycle(ApplicationLifecycle lifecycle);

// Delivers the lifecycle in its order whatever the host sees: becoming active after launch and
// after every return, resigning before going to the background, one return per stay in the
// background, and terminate once (resigning and backgrounding first). Repeated events are dropped.
class LifecycleDriver {
public:
    void becomeActive();   // also returns from the background first
    void resignActive();
    void enterBackground(); // resigns first
    void enterForeground(); // comes back from the background, then becomes active
    void terminate();       // once
    bool isActive() const { return m_active; }
    bool isInBackground() const { return m_background; }
    bool idleTimerDisabled() const; // the application's flag; false without one

private:
    bool m_active { false };
    bool m_background { false };
    bool m_terminated { false };
};

// Where a window lives: on a real screen or nowhere. The host pushes input into the window,
// drives the main run loop and presents what the window renders; run returns an exit status.
class Host {
public:
    virtual ~Host() = default;
    virtual int run(const std::shared_ptr<Window>& window) = 0;
};

}
