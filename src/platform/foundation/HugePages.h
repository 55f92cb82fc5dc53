#pragma once

#include <cstddef>

namespace vd {

// Asks the kernel to back the whole 2 MB pages inside [data, data + bytes) with huge pages when it
// first touches them. Filling a fresh buffer of tens of megabytes otherwise costs a page fault and
// a cleared page every 4 KB, which on a virtual machine takes longer than the filling itself. Call
// it before the buffer is first written; it changes nothing but speed, and nothing where the
// kernel does not allow it.
void preferHugePages(void* data, std::size_t bytes);

}
