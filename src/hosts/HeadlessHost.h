#pragma once

#include <hosts/AutomationScript.h>
#include <hosts/Host.h>
#include <platform/graphics/Image.h>

#include <filesystem>
#include <optional>

namespace vd {

// Runs the program with no window on the virtual clock, executing an automation script: touches
// are synthesised at 60 events a second, "wait" moves the clock without sleeping (and then lets
// results posted from other threads arrive until the loop is quiet for 50 ms), screenshots
// are PNG files at the chosen scale and dumps JSON files, both in the output folder. "press",
// "move-to" and "release" hold one finger down across other commands, so a dump or screenshot
// can show the screen in the middle of a gesture. The application is active while the script runs;
// "background" sends it to the background and "foreground" brings it back; it terminates at the end. A script
// error, or a @name no view answers to, stops the run with the line and reason: status 2.
// "key ctrl+q" quits as the window's Ctrl+Q does: the rest of the script is skipped, status 0.
// After "resize W H" screenshots are W × H pixels, the screen fitted in them as a window of that
// size shows it; touches stay in points.
class HeadlessHost : public Host {
public:
    HeadlessHost(std::vector<AutomationCommand> script, std::string scriptName, std::filesystem::path outputFolder, double scale);
    int run(const std::shared_ptr<Window>& window) override;

    // Draws the whole window as it looks now.
    static Image screenshot(Window& window, double scale);
    // Draws it as a window of that many pixels shows it: fitted whole, centred, in margins.
    static Image screenshot(Window& window, Size pixels);

private:
    Result<void> execute(Window& window, const AutomationCommand& command);
    Result<Point> target(Window& window, const AutomationCommand& command, size_t& index);
    void settle(Window& window, double seconds);

    std::vector<AutomationCommand> m_script;
    std::string m_scriptName;
    std::filesystem::path m_output;
    double m_scale { 2 };
    bool m_scriptMistake { false };
    bool m_quit { false };
    std::optional<Size> m_windowPixels; // after "resize"
    std::optional<Point> m_heldFinger; // between "press" and "release"
    LifecycleDriver m_lifecycle;       // active from the start; "background" and "foreground" move it
};

}
