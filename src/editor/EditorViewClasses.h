#pragma once

namespace vd {

// Makes the controls the editor's layouts use (Label, Button, Slider, SegmentedControl,
// CustomScrollView, LogoCanvasView) known to the interface descriptions. A class the platform
// already describes is left as it is, so this only fills what is missing.
void registerEditorViewClasses();

}
