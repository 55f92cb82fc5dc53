#pragma once

#include <platform/foundation/Error.h>

#include <string>
#include <string_view>
#include <vector>

namespace vd {

// Runs a helper program (a clipboard tool, say) to its end: arguments[0] is its path, input goes
// to its standard input, its output and errors are dropped. The program is started with
// posix_spawn, so nothing of this process runs in the child before the program does, and its end
// is awaited without polling. One still running after timeLimit seconds is killed and reported.
// Answers the exit status.
Result<int> runProgram(const std::vector<std::string>& arguments, std::string_view input, double timeLimit);

}
