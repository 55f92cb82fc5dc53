#pragma once

#include <memory>
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

// Opens the screen registered under identifier, with its inputs empty, as the only screen of a
// fresh navigation stack in window. Returns false (after a console line naming the identifier and
// the reason) when it cannot be made.
bool installScreen(Window& window, DeviceKind device, const std::string& identifier);

}
