// libFuzzer entry: every input is the file name of the launcher's executable.
#include <cstddef>
#include <cstdint>

#include "fuzz/launch_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    harness::RunAndCheck(data, size, false);
    return 0;
}
