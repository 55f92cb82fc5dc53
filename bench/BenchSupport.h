#pragma once

// What several benchmarks measure the same way: files out of the page cache for a cold start, and
// the process's peak memory.

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

namespace vd::bench {

// Every file below folder leaves the page cache (written ones reach the disk first), so the next
// read comes from the disk as on a cold start.
inline void dropFileCache(const std::filesystem::path& folder)
{
    for (auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// True, after printing the usage line, when the first argument asks for help: a benchmark's
// arguments are positional, and "--help" would otherwise be taken for its work folder.
inline bool helpAsked(int argc, char** argv, const char* usage)
{
    if (argc < 2 || (std::strcmp(argv[1], "--help") != 0 && std::strcmp(argv[1], "-h") != 0))
        return false;
    std::printf("usage: %s %s\n", argv[0], usage);
    return true;
}

// The process's peak resident memory so far, in megabytes.
inline long peakMegabytes()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}
