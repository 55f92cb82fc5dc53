#include <cli/Commands.h>

#include <CLI/CLI.hpp>
#include <cstdio>

namespace vd::cli {

void addDemoCommand(CLI::App& app, int& status)
{
    auto* command = app.add_subcommand("demo", "Not available yet");
    command->callback([&status] {
        std::fprintf(stderr, "vardenico demo: not available yet\n");
        status = kBadUsage;
    });
}

}
