#pragma once

#include <platform/graphics/Geometry.h>

#include <functional>
#include <memory>

namespace vd {

class Window;

enum class HostDevice { Phone, Tablet };

// The screen of each device kind, in points.
Size hostScreenSize(HostDevice device);

// Fills a fresh window with the program's first screen, as the application registers it (empty
// until it does).
using RootInstaller = std::function<void(Window& window, HostDevice device)>;
void setApplicationRootInstaller(RootInstaller installer);
RootInstaller applicationRootInstaller();

// Where a window lives: on a real screen or nowhere. The host pushes input into the window,
// drives the main run loop and presents what the window renders; run returns an exit status.
class Host {
public:
    virtual ~Host() = default;
    virtual int run(const std::shared_ptr<Window>& window) = 0;
};

}
