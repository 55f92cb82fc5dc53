// Opens the program's home screen in the window host and resizes the window continuously, a new
// size every frame (as a person dragging its corner), reporting the time each frame takes to
// draw and show at the new size: median and 99th percentile. Needs a display (xvfb-run works);
// the sizes are those of a 2× display, the window between 780 × 844 and 2400 × 1700 pixels.
#include <app/ApplicationStart.h>
#include <hosts/Host.h>
#include <hosts/WindowHost.h>
#include <platform/foundation/RunLoop.h>
#include <platform/ui/window/Window.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

int main()
{
    using namespace vd;
    const auto home = std::filesystem::temp_directory_path() / "vardenico-resize-bench";
    std::filesystem::create_directories(home / "Pictures");
    ::setenv("VARDENICO_HOME", home.c_str(), 0);
    ::setenv("VARDENICO_PHOTOS", (home / "Pictures").c_str(), 0);
    if (!applicationRootInstaller())
        registerApplication();
    auto window = std::make_shared<Window>(hostScreenSize(HostDevice::Phone));
    applicationRootInstaller()(*window, HostDevice::Phone);
    WindowHost host(2, "resize check");
    const int frames = 240;
    int step = 0;
    std::function<void()> next = [&] {
        if (step == 0)
            host.recordFrameTimes(true);
        if (step++ >= frames) {
            host.quit();
            return;
        }
        const double phase = step / 40.0;
        host.requestSize(static_cast<int>(1590 + 810 * std::sin(phase)), static_cast<int>(1272 + 428 * std::cos(phase * 0.7)));
        RunLoop::main().postAfter(1.0 / 60, next);
    };
    RunLoop::main().postAfter(1.0, next);
    const int status = host.run(window);
    const auto& times = host.frameTimes();
    if (times.empty()) {
        std::printf("no frames drawn\n");
        return 1;
    }
    // Median, 99th percentile and longest of one part of the frames, in milliseconds.
    const auto spread = [&](double WindowHost::FrameTime::*part) {
        std::vector<double> ms;
        for (const auto& time : times)
            ms.push_back(time.*part * 1000);
        std::sort(ms.begin(), ms.end());
        const auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<size_t>(q * ms.size()))]; };
        return std::array { at(0.5), at(0.99), ms.back() };
    };
    const auto total = spread(&WindowHost::FrameTime::total), drawing = spread(&WindowHost::FrameTime::drawing);
    std::printf("resizing: %zu frames, median %.1f ms, 99th percentile %.1f ms, longest %.1f ms\n", times.size(), total[0], total[1], total[2]);
    std::printf("  of which drawing the screen: median %.1f ms, 99th percentile %.1f ms (the rest is showing it)\n", drawing[0], drawing[1]);
    return status;
}
