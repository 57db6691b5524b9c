#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "render/draw_command.h"
#include "render/rect.h"
#include "tests/support/seeded_random.h"

namespace velmora::test {

// A test that runs once per instruction set: the parameter sets g_hasSsse3 (true: SSSE3, false: SSE2),
// and the previous value comes back afterwards. The SSSE3 run is skipped on a processor without it.
//
//   class MyTest : public InstructionSetTest {};
//   INSTANTIATE_TEST_SUITE_P(BothSets, MyTest, bothInstructionSets(), instructionSetName);
class InstructionSetTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    bool saved_ = false;
};

::testing::internal::ParamGenerator<bool> bothInstructionSets();
std::string instructionSetName(const ::testing::TestParamInfo<bool>& info);

// A random byte with plenty of the values kernels treat specially: 0, 255 and 1 each come a sixth of
// the time.
uint8_t edgeByte(SeededRandom& random);

// A band-like clip: a random non-empty rectangle inside `bounds`, and offsets of up to `maxOffsetX` and
// `maxOffsetY` either way.
tavelo::ClipInfo randomClipInfo(SeededRandom& random, const tavelo::Rect& bounds, int32_t maxOffsetX,
                                int32_t maxOffsetY);

}  // namespace velmora::test
