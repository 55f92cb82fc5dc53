#pragma once

#include <string_view>

namespace vd::log {

// Diagnostic lines for developers: printed to stderr only when VARDENICO_LOG=debug.
bool debugEnabled();
void debug(std::string_view line);

// Prints the line to stderr and ends the program at once with status 1 (a store that cannot be
// opened or saved: going on would lose the person's work).
[[noreturn]] void fatal(std::string_view line);

// Warnings a user should see once (a corrupt file moved aside, a row skipped): always printed to stderr.
void warning(std::string_view line);

}
