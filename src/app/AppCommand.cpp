#include <app/AppCommand.h>
#include <cli/Commands.h>

#include <app/ApplicationStart.h>
#include <app/ProgramScreens.h>
#include <demos/ControlsDemo.h>
#include <demos/ListsDemo.h>
#include <demos/StickerDemo.h>
#include <demos/ViewsDemo.h>
#include <hosts/HeadlessHost.h>
#include <hosts/Host.h>
#include <hosts/WindowHost.h>
#include <platform/foundation/RunLoop.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <CLI/CLI.hpp>
#include <cstdio>

namespace vd::cli {

namespace {

struct AppOptions {
    std::string device { "phone" };
    double scale { 0 };
    bool headless { false };
    std::string script;
    std::string out;
    std::string demo;
    std::string screen;
    std::string inputs;
};

int runApp(const AppOptions& options)
{
    const HostDevice device = options.device == "tablet" ? HostDevice::Tablet : HostDevice::Phone;
    if (options.headless && (options.script.empty() || options.out.empty())) {
        std::fprintf(stderr, "vardenico app: --headless needs --script FILE and --out DIR\n");
        return kBadUsage;
    }
    if (!options.headless && (!options.script.empty() || !options.out.empty())) {
        std::fprintf(stderr, "vardenico app: --script and --out go with --headless\n");
        return kBadUsage;
    }
    std::vector<AutomationCommand> script;
    if (options.headless) {
        auto parsed = readAutomationScript(options.script, device == HostDevice::Tablet ? "tablet" : "phone");
        if (!parsed) {
            std::fprintf(stderr, "%s\n", parsed.error().message.c_str());
            return kBadUsage;
        }
        script = std::move(*parsed);
        RunLoop::main().setClock(RunLoop::Clock::Virtual);
    }

    if (!options.inputs.empty() && options.screen.empty()) {
        std::fprintf(stderr, "vardenico app: --inputs goes with --screen\n");
        return kBadUsage;
    }
    if (!options.demo.empty() && !options.screen.empty()) {
        std::fprintf(stderr, "vardenico app: --demo and --screen open different first screens; give one\n");
        return kBadUsage;
    }

    if (!applicationRootInstaller())
        registerApplication();
    auto window = std::make_shared<Window>(hostScreenSize(device));
    if (!options.screen.empty()) {
        if (!installScreen(*window, device == HostDevice::Tablet ? DeviceKind::Tablet : DeviceKind::Phone, options.screen, options.inputs)) {
            std::fprintf(stderr, "vardenico app: --screen %s: cannot open that screen\n", options.screen.c_str());
            return kBadUsage;
        }
    } else if (options.demo == "views") {
        installViewsDemo(*window);
    } else if (options.demo == "lists") {
        if (!installListsDemo(*window, device))
            return kSomeInputsFailed;
    } else if (options.demo == "controls") {
        installControlsDemo(*window);
    } else if (options.demo == "sticker") {
        installStickerDemo(*window);
    } else {
        applicationRootInstaller()(*window, device);
    }

    if (options.headless) {
        HeadlessHost host(std::move(script), options.script, options.out, options.scale > 0 ? options.scale : 2);
        return host.run(window);
    }
    WindowHost host(options.scale, "Vardenico");
    return host.run(window);
}

}

void addAppCommand(CLI::App& app, int& status)
{
    auto options = std::make_shared<AppOptions>();
    auto* command = app.add_subcommand("app", "Open the program's window, or run an automation script without one");
    command->add_option("--device", options->device, "Screen of a phone (390 × 844 points) or a tablet (1024 × 1366)")->check(CLI::IsMember({ "phone", "tablet" }));
    command->add_option("--scale", options->scale, "Pixels a point: the window opens at this scale (default: fitting the display), screenshots default 2")->check(CLI::Range(0.25, 4.0));
    command->add_flag("--headless", options->headless, "No window: a virtual clock and an automation script");
    command->add_option("--script", options->script, "Automation script, one command a line (with --headless)")->check(CLI::ExistingFile);
    command->add_option("--out", options->out, "Folder for the script's screenshots and dumps (with --headless)");
    command->add_option("--demo", options->demo, "Show a demonstration screen instead of the program's first screen")->check(CLI::IsMember(std::vector<std::string> { "views", "controls", "lists", "sticker" }));
    command->add_option("--screen", options->screen, "Open one registered screen (\"logoEditor\", \"gallery\", \"quintara\"…) on a fresh stack, its inputs empty");
    command->add_option("--inputs", options->inputs, "With --screen: a JSON file of what the screen's opener would hand over (\"quintaraapply\": {\"photos\": [positions], \"logo\": FILE.png})")->check(CLI::ExistingFile);
    command->callback([options, &status] { status = runApp(*options); });
}

}
