#include <platform/foundation/Log.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vd::log {

namespace {
std::mutex& outputMutex()
{
    static std::mutex mutex;
    return mutex;
}
}

bool debugEnabled()
{
    static const bool enabled = [] {
        const char* value = std::getenv("VARDENICO_LOG");
        return value && std::strcmp(value, "debug") == 0;
    }();
    return enabled;
}

void debug(std::string_view line)
{
    if (!debugEnabled())
        return;
    std::lock_guard lock(outputMutex());
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

void warning(std::string_view line)
{
    std::lock_guard lock(outputMutex());
    std::fprintf(stderr, "vardenico: %.*s\n", static_cast<int>(line.size()), line.data());
}

void fatal(std::string_view line)
{
    {
        std::lock_guard lock(outputMutex());
        std::fflush(stdout);
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
        std::fflush(stderr);
    }
    std::_Exit(1);
}

}
