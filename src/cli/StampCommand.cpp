#include <cli/Commands.h>

#include <CLI/CLI.hpp>
#include <cstdio>

namespace vd::cli {

void addStampCommand(CLI::App& app, int& status)
{
    auto* command = app.add_subcommand("stamp", "Not available yet");
    command->callback([&status] {
        std::fprintf(stderr, "vardenico stamp: not available yet\n");
        status = kBadUsage;
    });
}

}
