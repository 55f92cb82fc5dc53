#pragma once

#include <platform/foundation/RunLoop.h>
#include <platform/graphics/DrawingContext.h>
#include <platform/ui/window/Window.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace vd::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// (kept for a look when VARDENICO_KEEP_TEST_FOLDERS is set).
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() / ("vardenico-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~TemporaryFolder()
    {
        if (::getenv("VARDENICO_KEEP_TEST_FOLDERS"))
            return;
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// The run loop on the virtual clock: time passes only when a test advances it.
inline void useVirtualClock()
{
    if (RunLoop::main().clock() != RunLoop::Clock::Virtual)
        RunLoop::main().setClock(RunLoop::Clock::Virtual);
}

// A window on the virtual clock. What a test leaves scheduled (animations, delayed calls) runs
// out when it ends, so the next test starts quiet.
class VirtualClockWindowTest : public ::testing::Test {
protected:
    explicit VirtualClockWindowTest(Size windowSize = { 400, 400 })
        : m_windowSize(windowSize)
    {
    }
    void SetUp() override
    {
        useVirtualClock();
        window = std::make_shared<Window>(m_windowSize);
    }
    void TearDown() override { RunLoop::main().advance(10); }

    std::shared_ptr<Window> window;

private:
    Size m_windowSize;
};

// Fingers on a window (window points). On the virtual clock time passes as under a finger: a
// tap is held 0.05 s, every step of a drag takes 16 ms, and after lifting the clock moves past
// the double-tap interval. On the real clock the touches come at once.
inline void advanceIfVirtual(double seconds)
{
    if (RunLoop::main().clock() == RunLoop::Clock::Virtual)
        RunLoop::main().advance(seconds);
}

inline void tap(Window& window, Point at)
{
    window.sendTouches(TouchPhase::Began, { { 1, at } });
    advanceIfVirtual(0.05);
    window.sendTouches(TouchPhase::Ended, { { 1, at } });
    advanceIfVirtual(0.5);
}

inline void drag(Window& window, Point from, Point to, int steps = 10, bool lift = true)
{
    window.sendTouches(TouchPhase::Began, { { 1, from } });
    for (int i = 1; i <= steps; ++i) {
        advanceIfVirtual(0.016);
        window.sendTouches(TouchPhase::Moved, { { 1, from + (to - from) * (static_cast<double>(i) / steps) } });
    }
    if (lift) {
        window.sendTouches(TouchPhase::Ended, { { 1, to } });
        advanceIfVirtual(0.5);
    }
}

inline void pinch(Window& window, Point centre, double startDistance, double endDistance, int steps = 10)
{
    auto fingers = [&](double d) {
        return std::vector<Window::TouchInput> { { 1, { centre.x - d / 2, centre.y } }, { 2, { centre.x + d / 2, centre.y } } };
    };
    window.sendTouches(TouchPhase::Began, fingers(startDistance));
    for (int i = 1; i <= steps; ++i) {
        advanceIfVirtual(0.016);
        window.sendTouches(TouchPhase::Moved, fingers(startDistance + (endDistance - startDistance) * i / steps));
    }
    window.sendTouches(TouchPhase::Ended, fingers(endDistance));
    advanceIfVirtual(0.5);
}

inline Point centerInWindow(const View& view)
{
    return view.convertPointToView(view.bounds().center(), nullptr);
}

// The window drawn as the hosts draw it, on a transparent background.
inline Image renderWindow(Window& window, double scale = 1)
{
    window.prepareFrame();
    DrawingContext context(window.bounds().size, DrawingContext::Opacity::Transparent, scale);
    window.render(context.painter());
    return context.takeImage();
}

inline Rgba8 pixelAt(const Image& image, double x, double y)
{
    return unpremultiply(image.pixelAt(static_cast<int>(x * image.scale()), static_cast<int>(y * image.scale())));
}

// The documents folder of this test binary (user defaults, store, analytics), made on first use
// and named to the program by VARDENICO_HOME.
inline const TemporaryFolder& binaryHome()
{
    static TemporaryFolder home;
    static const bool set = [] {
        ::setenv("VARDENICO_HOME", home.path().c_str(), 1);
        return true;
    }();
    (void)set;
    return home;
}

}
