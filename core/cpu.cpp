#include "core/cpu.h"

#include <cpuid.h>

namespace tavelo {

bool cpuHasSsse3() {
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid_max(0, nullptr) < 1) {
        return false;
    }
    __cpuid_count(1, 0, eax, ebx, ecx, edx);
    return (ecx & bit_SSSE3) != 0;
}

}  // namespace tavelo
