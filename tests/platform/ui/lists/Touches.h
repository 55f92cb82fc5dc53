#pragma once

#include <platform/foundation/RunLoop.h>
#include <platform/ui/window/Window.h>

namespace vd::test {

// Fingers on a window, on the virtual clock: every step of a drag is a tenth of its duration.
inline void useVirtualClock()
{
    if (RunLoop::main().clock() != RunLoop::Clock::Virtual)
        RunLoop::main().setClock(RunLoop::Clock::Virtual);
}

inline void tap(Window& window, Point at)
{
    window.sendTouches(TouchPhase::Began, { { 1, at } });
    RunLoop::main().advance(0.05);
    window.sendTouches(TouchPhase::Ended, { { 1, at } });
    RunLoop::main().advance(0.5); // past the double-tap interval
}

inline void drag(Window& window, Point from, Point to, int steps = 10, bool lift = true)
{
    window.sendTouches(TouchPhase::Began, { { 1, from } });
    for (int i = 1; i <= steps; ++i) {
        RunLoop::main().advance(0.016);
        const double t = double(i) / steps;
        window.sendTouches(TouchPhase::Moved, { { 1, { from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t } } });
    }
    if (lift) {
        window.sendTouches(TouchPhase::Ended, { { 1, to } });
        RunLoop::main().advance(0.5);
    }
}

inline void pinch(Window& window, Point centre, double startDistance, double endDistance, int steps = 10)
{
    auto fingers = [&](double d) {
        return std::vector<Window::TouchInput> { { 1, { centre.x - d / 2, centre.y } }, { 2, { centre.x + d / 2, centre.y } } };
    };
    window.sendTouches(TouchPhase::Began, fingers(startDistance));
    for (int i = 1; i <= steps; ++i) {
        RunLoop::main().advance(0.016);
        window.sendTouches(TouchPhase::Moved, fingers(startDistance + (endDistance - startDistance) * i / steps));
    }
    window.sendTouches(TouchPhase::Ended, fingers(endDistance));
    RunLoop::main().advance(0.5);
}

}
