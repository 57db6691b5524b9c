#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora::test {

// The program's operator new, replaced to keep account of what it hands out: linked into a test
// program (library velmora_allocation_tracker), it shows what an operation allocates.
uint64_t allocationCount() noexcept;
// The largest single request since the last reset.
size_t largestAllocation() noexcept;
void resetLargestAllocation() noexcept;

}  // namespace velmora::test
