#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "core/memory_helper.h"

namespace tavelo {
namespace {

TEST(MemoryHelperTest, BlocksAreAlignedAndUsableBeyondTheirSize) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{65535}, size_t{4196352}}) {
        auto block = MemoryHelper::allocate(size);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block.get()) % 65536, 0u) << size;
        // Under AddressSanitizer these writes prove the whole promised range belongs to the block.
        std::memset(block.get(), 0xA5, size + MemoryHelper::spareBytes);
        EXPECT_EQ(block.get()[size + MemoryHelper::spareBytes - 1], 0xA5);
    }
}

TEST(MemoryHelperTest, RefusesSizesWhoseArithmeticWouldWrap) {
    EXPECT_THROW(MemoryHelper::allocate(SIZE_MAX - 10), std::bad_alloc);
    EXPECT_THROW(MemoryHelper::allocate(SIZE_MAX), std::bad_alloc);
}

}  // namespace
}  // namespace tavelo
