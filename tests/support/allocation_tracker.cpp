#include "tests/support/allocation_tracker.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> count{0};
std::atomic<size_t> largest{0};

}  // namespace

namespace velmora::test {

uint64_t allocationCount() noexcept {
    return count.load(std::memory_order_relaxed);
}

size_t largestAllocation() noexcept {
    return largest.load(std::memory_order_relaxed);
}

void resetLargestAllocation() noexcept {
    largest.store(0, std::memory_order_relaxed);
}

}  // namespace velmora::test

// The replacements allocate with malloc and free with free, which the compiler, seeing through them,
// would take for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
    count.fetch_add(1, std::memory_order_relaxed);
    size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (void* block = std::malloc(size != 0 ? size : 1)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    std::free(block);
}

#pragma GCC diagnostic pop
