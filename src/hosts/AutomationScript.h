#pragma once

#include <platform/foundation/Error.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vd {

// One line of an automation script: the command word and its arguments. For "type" the single
// argument is the rest of the line as written.
struct AutomationCommand {
    int line { 0 };
    std::string name;
    std::vector<std::string> arguments;
};

// Reads a script, one command a line; blank lines and lines starting with '#' are skipped.
// Unknown commands and malformed arguments are refused with "FILE:LINE: reason".
Result<std::vector<AutomationCommand>> parseAutomationScript(const std::string& text, const std::string& fileName);
Result<std::vector<AutomationCommand>> readAutomationScript(const std::filesystem::path& path);

}
