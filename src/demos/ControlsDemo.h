#pragma once

namespace vd {

class Window;

// A gallery of every control for trying them by hand and from scripts: labels, buttons, a text
// view with its Done bar, sliders (one upright in a rotated container), a stepper, a segmented
// control, a progress bar, a switch, image views (tinted template, content modes, a flip-book), a
// blur over a picture, buttons that open an alert, a popover, the share sheet and the settings
// page, and the photo picker with the picture it handed back. "myLabelResult" reports the last
// thing that happened. Phones get one column, tablets two.
void installControlsDemo(Window& window);

}
