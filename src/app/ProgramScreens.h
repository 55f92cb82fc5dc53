#pragma once

#include <platform/foundation/Error.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace vd {

class Window;
class ViewController;
enum class DeviceKind;

// Registers every screen of the program with the screen registry, once. Each screen folder
// registers its own classes and identifiers.
void registerProgramScreens();

void registerAppScreens();       // app/: home, tutorial, container
void registerLibraryScreens();   // library/: gallery, saved-logo preview
void registerEditorScreens();    // editor/: logo editor, colour grid
void registerBrowserScreens();   // browser/: photo browser, photo preview
void registerWatermarkScreens(); // watermark/: apply screen

// Sets a screen's inputs from a JSON object before its view loads: what its opener would hand
// over, for a screen opened directly (`vardenico app --screen ID --inputs FILE`, tests). Errors
// name where (the file) and the key.
using ScreenInputsReader = std::function<Result<void>(ViewController& screen, const nlohmann::json& inputs, const std::string& where)>;
void registerScreenInputs(const std::string& identifier, ScreenInputsReader reader);

// Opens the screen registered under identifier as the only screen of a fresh navigation stack in
// window, its inputs empty or read from inputsFile. Returns false (after a console line naming the
// identifier or file and the reason) when it cannot be made.
bool installScreen(Window& window, DeviceKind device, const std::string& identifier, const std::filesystem::path& inputsFile = {});

}
