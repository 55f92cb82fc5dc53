#pragma once

#include <platform/foundation/Error.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

// One line of an automation script: the command word and its arguments. For "type" the single
// argument is the rest of the line as written.
struct AutomationCommand {
    int line { 0 };
    std::string name;
    std::vector<std::string> arguments;
};

// The commands (a target is @name, the centre of the view of that name, or X Y in window points):
//   tap T · double-tap T · long-press T SECONDS · force-press T [SECONDS]
//   drag X1 Y1 X2 Y2 [SECONDS] · drag @name DX DY [SECONDS]
//   two-finger-drag (as drag) · pinch T SCALE [SECONDS] · circle T RADIUS DEGREES [SECONDS]
//   type TEXT · key NAME (modifiers joined by '+': "escape", "shift+tab", "ctrl+z")
//   scroll T DX DY (a wheel over the target, DX DY points towards the end of the content)
//   drop FILE… (files dropped at the window's centre) · resize W H (later screenshots are W × H
//   pixels, the screen fitted in them as the window shows it)
//   wait SECONDS · screenshot NAME · dump NAME
//   wait-for @name SECONDS [PREFIX]: frame after frame until the view shows (it and its ancestors
//   neither hidden nor fully transparent) and, with PREFIX, its text or title begins with it; at
//   most SECONDS of real time, for work on other threads (a batch of photos), else a script error
//   background · foreground (the application leaves the front and comes back)
// circle turns one finger about the target, starting to its right, clockwise for positive degrees.
// force-press presses firmly (a touch of full force, where a pressure-sensitive screen would peek)
// for SECONDS (default 0.5), then lifts.
// Reads a script, one command a line; blank lines and lines starting with '#' are skipped. A line
// may begin with "phone:" or "tablet:": it is a command for that device only, so one script walks
// a flow on both. Unknown commands and malformed arguments are refused with "FILE:LINE: reason".
Result<std::vector<AutomationCommand>> parseAutomationScript(const std::string& text, const std::string& fileName, std::string_view device = "phone");
Result<std::vector<AutomationCommand>> readAutomationScript(const std::filesystem::path& path, std::string_view device = "phone");

}
