#include <cli/Commands.h>

#include <CLI/CLI.hpp>
#include <cstdio>

namespace vd::cli {

void addLogosCommand(CLI::App& app, int& status)
{
    auto* command = app.add_subcommand("logos", "Not available yet");
    command->callback([&status] {
        std::fprintf(stderr, "vardenico logos: not available yet\n");
        status = kBadUsage;
    });
}

}
