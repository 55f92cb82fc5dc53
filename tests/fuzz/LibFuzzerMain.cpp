// The entry point of one fuzzer binary: VARDENICO_FUZZ_TARGET names the target function.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return vd::fuzz::VARDENICO_FUZZ_TARGET(data, size);
}
