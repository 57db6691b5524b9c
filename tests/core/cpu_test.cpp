#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/cpu.h"

namespace tavelo {
namespace {

TEST(CpuTest, Ssse3TestAgreesWithTheCompilerAndSetsTheStartUpFlag) {
    EXPECT_EQ(cpuHasSsse3(), __builtin_cpu_supports("ssse3") != 0);
    EXPECT_EQ(g_hasSsse3, cpuHasSsse3());
}

// VELMORA_EXPECT_SSSE3=0 or 1 says what the processor running the tests offers (an emulated one, for
// instance); the processor test and the start-up flag must agree with it.
TEST(CpuTest, AnswersWhatTheRunExpects) {
    const char* expected = std::getenv("VELMORA_EXPECT_SSSE3");
    if (expected == nullptr) {
        GTEST_SKIP() << "VELMORA_EXPECT_SSSE3 is not set";
    }
    const bool ssse3 = std::string(expected) == "1";
    EXPECT_EQ(cpuHasSsse3(), ssse3);
    EXPECT_EQ(g_hasSsse3, ssse3);
}

}  // namespace
}  // namespace tavelo
