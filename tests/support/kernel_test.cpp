#include "tests/support/kernel_test.h"

#include "core/cpu.h"

namespace velmora::test {

void InstructionSetTest::SetUp() {
    saved_ = g_hasSsse3;
    if (GetParam() && !tavelo::cpuHasSsse3()) {
        GTEST_SKIP() << "this processor has no SSSE3";
    }
    g_hasSsse3 = GetParam();
}

void InstructionSetTest::TearDown() {
    g_hasSsse3 = saved_;
}

::testing::internal::ParamGenerator<bool> bothInstructionSets() {
    return ::testing::Values(false, true);
}

std::string instructionSetName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "Ssse3" : "Sse2";
}

uint8_t edgeByte(SeededRandom& random) {
    switch (random.between(0, 5)) {
        case 0:
            return 0;
        case 1:
            return 255;
        case 2:
            return 1;
        default:
            return random.byte();
    }
}

tavelo::ClipInfo randomClipInfo(SeededRandom& random, const tavelo::Rect& bounds, int32_t maxOffsetX,
                                int32_t maxOffsetY) {
    tavelo::ClipInfo clip;
    clip.clip.left = int32_t(random.between(bounds.left, bounds.right - 1));
    clip.clip.right = int32_t(random.between(clip.clip.left + 1, bounds.right));
    clip.clip.top = int32_t(random.between(bounds.top, bounds.bottom - 1));
    clip.clip.bottom = int32_t(random.between(clip.clip.top + 1, bounds.bottom));
    clip.offsetX = int32_t(random.between(-maxOffsetX, maxOffsetX));
    clip.offsetY = int32_t(random.between(-maxOffsetY, maxOffsetY));
    return clip;
}

}  // namespace velmora::test
