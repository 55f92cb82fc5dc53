#include <app/ProgramScreens.h>

#include <platform/foundation/Files.h>
#include <platform/foundation/Log.h>
#include <platform/ui/presentation/NavigationController.h>
#include <platform/ui/presentation/ScreenRegistry.h>
#include <platform/ui/window/Window.h>

#include <map>
#include <nlohmann/json.hpp>
#include <vector>

namespace vd {

void registerProgramScreens()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    registerAppScreens();
    registerLibraryScreens();
    registerEditorScreens();
    registerBrowserScreens();
    registerWatermarkScreens();
}

namespace {

std::map<std::string, ScreenInputsReader>& inputReaders()
{
    static std::map<std::string, ScreenInputsReader> readers;
    return readers;
}

Result<void> readInputs(ViewController& screen, const std::string& identifier, const std::filesystem::path& file)
{
    auto reader = inputReaders().find(identifier);
    if (reader == inputReaders().end())
        return fail(file.string(), "the screen \"" + identifier + "\" takes no inputs");
    auto bytes = files::readAll(file, 1 << 20);
    if (!bytes)
        return std::unexpected(bytes.error());
    auto json = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return fail(file.string(), "not a JSON object");
    return reader->second(screen, json, file.string());
}

}

void registerScreenInputs(const std::string& identifier, ScreenInputsReader reader)
{
    inputReaders()[identifier] = std::move(reader);
}

bool installScreen(Window& window, DeviceKind device, const std::string& identifier, const std::filesystem::path& inputsFile)
{
    registerProgramScreens();
    auto& registry = ScreenRegistry::shared();
    registry.setDeviceKind(device);
    setCurrentScreenSize(window.bounds().size);
    if (!registry.hasScreen(identifier)) {
        log::warning("no screen is registered under \"" + identifier + "\"");
        return false;
    }
    auto screen = registry.instantiate(identifier);
    if (!screen) {
        log::warning(screen.error().message);
        return false;
    }
    if (!inputsFile.empty()) {
        if (auto read = readInputs(**screen, identifier, inputsFile); !read) {
            log::warning(read.error().message);
            return false;
        }
    }
    auto navigation = std::make_shared<NavigationController>(*screen);
    ViewController::installAsRoot(navigation, window);
    // The window keeps the views; the stack of screens lives as long as the process and is never
    // torn down at exit: its destructors unregister from centres that may already be gone.
    static auto& keep = *new std::vector<std::shared_ptr<ViewController>>;
    keep.push_back(navigation);
    return true;
}

}
