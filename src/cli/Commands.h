#pragma once

namespace CLI {
class App;
}

namespace vd::cli {

// Exit statuses of every command.
enum ExitStatus : int {
    kSuccess = 0,
    kSomeInputsFailed = 1, // each failed input is named with its reason
    kBadUsage = 2,
};

// Each command group adds its subcommands to the application; a subcommand's callback stores its
// exit status in status.
void addLogosCommand(CLI::App& app, int& status);
void addPhotosCommand(CLI::App& app, int& status);
void addStampCommand(CLI::App& app, int& status);
void addDemoCommand(CLI::App& app, int& status);

using CommandGroup = void (*)(CLI::App& app, int& status);

// Parses the arguments and runs the command they name. The program's own command, which starts its
// screens, is handed in by the program (it lives above the command line, beside the screens) and
// comes first in the help.
int runCommandLine(int argc, char** argv, CommandGroup addAppCommand);

}
