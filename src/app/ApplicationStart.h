#pragma once

#include <hosts/Host.h>

namespace vd {

class Window;

// Makes the program's first screen what `vardenico app` opens: the application root installer
// launches the application delegate, puts the container with the navigation stack and the home
// screen on the window, answers photo-access requests with the consent dialog, and hands the
// lifecycle the hosts deliver to the delegate.
void registerApplication();

// The installer itself (for tests and benchmarks that make their own window).
void installApplication(Window& window, HostDevice device);

}
