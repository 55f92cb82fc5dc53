#include <cli/Commands.h>

#include <CLI/CLI.hpp>
#include <cstdio>

namespace vd::cli {

void addAppCommand(CLI::App& app, int& status)
{
    auto* command = app.add_subcommand("app", "Not available yet");
    command->callback([&status] {
        std::fprintf(stderr, "vardenico app: not available yet\n");
        status = kBadUsage;
    });
}

}
