#pragma once

#include <hosts/Host.h>

#include <memory>

namespace vd {

class Window;

// Makes the program's first screen what `vardenico app` opens: the application root installer
// launches the application delegate, puts the container with the navigation stack and the home
// screen on the window, answers photo-access requests with the consent dialog, and hands the
// lifecycle the hosts deliver to the delegate.
void registerApplication();

class ContainerViewController;

// The installer itself (for tests and benchmarks that make their own window); returns the
// container, whose hosted screen is the navigation stack (null when a screen cannot be made).
std::shared_ptr<ContainerViewController> installApplicationRoot(Window& window, HostDevice device);
void installApplication(Window& window, HostDevice device);

}
