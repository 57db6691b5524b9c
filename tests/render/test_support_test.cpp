#include <gtest/gtest.h>

#include "tests/support/canary_image.h"
#include "tests/support/guarded_buffer.h"

namespace velmora::test {
namespace {

TEST(GuardedBufferTest, EndsExactlyAtAnInaccessiblePage) {
    GuardedBuffer buffer(100);
    buffer.data()[0] = 1;
    buffer.data()[99] = 2;
    EXPECT_DEATH({ [[maybe_unused]] volatile unsigned char past = buffer.data()[100]; }, "");

    auto image = makeGuardedImage(3, 2, tavelo::PixelFormat::Rgb24, 9, 0);
    image->row(1)[8] = 3;  // the last byte of the last row is writable
    EXPECT_DEATH({ [[maybe_unused]] volatile unsigned char past = image->data()[18]; }, "");
}

TEST(CanaryImageTest, DetectsWritesOutsideTheRectangleAndTheImage) {
    CanaryImage canary(10, 4, 8);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(canary.image().data()) % 16, 8u);
    for (uint32_t offset = 0; offset < 16; offset += 4) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(CanaryImage(7, 3, offset).image().data()) % 16, offset);
    }
    auto before = canary.snapshot();
    canary.setPixel(2, 1, 0x12345678);
    EXPECT_EQ(canary.intactOutside({2, 1, 3, 2}, before.get()), "");
    EXPECT_NE(canary.intactOutside({3, 1, 4, 2}, before.get()), "");
    canary.image().data()[-1] = 0;  // the byte just left of row 0
    EXPECT_NE(canary.intactOutside({0, 0, 10, 4}, before.get()), "");
}

}  // namespace
}  // namespace velmora::test
