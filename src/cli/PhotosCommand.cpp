#include <cli/Commands.h>

#include <CLI/CLI.hpp>
#include <cstdio>

namespace vd::cli {

void addPhotosCommand(CLI::App& app, int& status)
{
    auto* command = app.add_subcommand("photos", "Not available yet");
    command->callback([&status] {
        std::fprintf(stderr, "vardenico photos: not available yet\n");
        status = kBadUsage;
    });
}

}
