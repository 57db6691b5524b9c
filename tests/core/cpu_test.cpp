#include <gtest/gtest.h>

#include "core/cpu.h"

namespace tavelo {
namespace {

TEST(CpuTest, Ssse3TestAgreesWithTheCompilerAndSetsTheStartUpFlag) {
    EXPECT_EQ(cpuHasSsse3(), __builtin_cpu_supports("ssse3") != 0);
    EXPECT_EQ(g_hasSsse3, cpuHasSsse3());
}

}  // namespace
}  // namespace tavelo
