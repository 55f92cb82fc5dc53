#pragma once

#include <string_view>

namespace vd::log {

// Diagnostic lines for developers: printed to stderr only when VARDENICO_LOG=debug.
bool debugEnabled();
void debug(std::string_view line);

// Warnings a user should see once (a corrupt file moved aside, a row skipped): always printed to stderr.
void warning(std::string_view line);

}
