#pragma once

#include <hosts/Host.h>

#include <string>

namespace vd {

// Shows the window on the screen with SDL2 at a scale (screen pixels a point, times the
// display's own high-DPI ratio). The mouse is one finger; Shift while dragging makes it two
// fingers moving together, Ctrl two fingers pinching about where the press began; real touch
// events are touches. Text and keys go to the first responder. Only changed areas are redrawn;
// while nothing changes and no timer is due the host sleeps in the event wait.
class WindowHost : public Host {
public:
    WindowHost(double scale, std::string title);
    int run(const std::shared_ptr<Window>& window) override;

    // Frames drawn so far (for the idle check of the benchmark and the tests).
    long framesDrawn() const { return m_frames; }
    // Closes the window at the next turn of the loop; run then returns 0. Main thread only.
    void quit() { m_quit = true; }

private:
    bool m_quit { false };
    double m_scale { 1 };
    std::string m_title;
    long m_frames { 0 };
};

}
