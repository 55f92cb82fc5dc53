#pragma once

namespace CLI {
class App;
}

namespace vd::cli {

// `vardenico app`: the program in its window, or headless running an automation script; a
// demonstration or a single screen for a quick look.
void addAppCommand(CLI::App& app, int& status);

}
