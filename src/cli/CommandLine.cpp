#include <cli/Commands.h>

#include <CLI/CLI.hpp>
#include <cstdio>

namespace vd::cli {

int runCommandLine(int argc, char** argv, CommandGroup addAppCommand)
{
    CLI::App app { "Vardenico: make logos and stamp them onto photos.", "vardenico" };
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show the help of every command");
    int status = kSuccess;
    addAppCommand(app, status);
    addLogosCommand(app, status);
    addPhotosCommand(app, status);
    addStampCommand(app, status);
    addDemoCommand(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        app.exit(help);
        return kSuccess;
    } catch (const CLI::CallForAllHelp& help) {
        app.exit(help);
        return kSuccess;
    } catch (const CLI::CallForVersion& version) {
        app.exit(version);
        return kSuccess;
    } catch (const CLI::ParseError& error) {
        // One line naming the option and what is wrong with it.
        std::fprintf(stderr, "vardenico: %s (see --help)\n", error.what());
        return kBadUsage;
    }
    return status;
}

}
