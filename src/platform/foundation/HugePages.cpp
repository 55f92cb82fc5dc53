#include <platform/foundation/HugePages.h>

#include <cstdint>
#include <sys/mman.h>

namespace vd {

void preferHugePages(void* data, std::size_t bytes)
{
    constexpr std::uintptr_t kHugePage = std::uintptr_t { 1 } << 21;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}
