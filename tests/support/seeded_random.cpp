#include "tests/support/seeded_random.h"

#include <cstdlib>

namespace velmora::test {

uint64_t testSeed(uint64_t fallback) {
    if (const char* text = std::getenv("VELMORA_SEED")) {
        return std::strtoull(text, nullptr, 0);
    }
    return fallback;
}

}  // namespace velmora::test
