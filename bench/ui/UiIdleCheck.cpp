// Opens the 100-view screen in the window host, leaves it idle for a few seconds, and reports
// how many frames were drawn and how much CPU the process used meanwhile. Needs a display.
#include "UiScreen.h"

#include <hosts/WindowHost.h>
#include <platform/foundation/RunLoop.h>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}

int main()
{
    using namespace vd;
    auto window = bench::makeBenchScreen();
    WindowHost host(1, "idle check");
    long framesAtStart = 0;
    double cpuAtStart = 0;
    const double idleSeconds = 3;
    RunLoop::main().postAfter(1.0, [&] {
        framesAtStart = host.framesDrawn();
        cpuAtStart = cpuSeconds();
        RunLoop::main().postAfter(idleSeconds, [&] { host.quit(); });
    });
    const int status = host.run(window);
    std::printf("idle for %.1f s: %ld frames drawn, %.3f s of CPU (%.2f %%)\n", idleSeconds, host.framesDrawn() - framesAtStart, cpuSeconds() - cpuAtStart, (cpuSeconds() - cpuAtStart) / idleSeconds * 100);
    return status;
}
