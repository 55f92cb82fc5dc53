#pragma once

namespace vd {

// Makes the views the editor's layouts use beyond the platform's own (SegmentedControl,
// CustomScrollView, LogoCanvasView) known to the interface descriptions. A class the platform
// already describes is left as it is.
void registerEditorViewClasses();

}
