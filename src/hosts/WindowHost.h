#pragma once

#include <hosts/Host.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vd {

// Shows the window on the screen with SDL2. The window opens within 90 % of the display's usable
// area (or at a forced scale, display units a point) and can be resized, maximised and made full
// screen (F11): the screen's points are drawn at the window's pixels (high-DPI displays
// included), as large as fits whole, centred, the margins in the theme's background. Clicks,
// touches, the wheel and dropped files are mapped back into points. The mouse is one finger;
// Shift while dragging makes it two fingers moving together, Ctrl two fingers pinching about
// where the press began. Keys go to the window with their modifiers (Window::sendKey); Ctrl+Q
// quits as closing the window does. Only changed areas are redrawn; while nothing changes and no
// timer is due the host sleeps in the event wait.
class WindowHost : public Host {
public:
    WindowHost(double scale, std::string title); // scale 0: fit the display
    int run(const std::shared_ptr<Window>& window) override;

    // Frames drawn so far (for the idle check of the benchmark and the tests).
    long framesDrawn() const { return m_frames; }
    // Closes the window at the next turn of the loop; run then returns 0. Main thread only.
    void quit() { m_quit = true; }
    // Asks for the window to take a size (display units) at the next turn of the loop, as a
    // person dragging its edge would (for the resizing benchmark). Main thread only.
    void requestSize(int width, int height) { m_requestedSize = { width, height }; }
    // How long each frame took, in seconds, when recorded: in all, and the part spent drawing the
    // screen into the window's picture (the rest is handing it to the display and showing it).
    struct FrameTime {
        double total { 0 };
        double drawing { 0 };
    };
    void recordFrameTimes(bool record) { m_recordFrames = record; }
    const std::vector<FrameTime>& frameTimes() const { return m_frameTimes; }

private:
    bool m_quit { false };
    double m_scale { 1 };
    std::string m_title;
    long m_frames { 0 };
    std::optional<std::pair<int, int>> m_requestedSize;
    bool m_recordFrames { false };
    std::vector<FrameTime> m_frameTimes;
};

}
