#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace velmora::test {

// The seed of a randomised test: VELMORA_SEED from the environment when set (to replay a failure),
// otherwise a fixed default so that runs are repeatable.
uint64_t testSeed(uint64_t fallback = 0x5EED);

// A seeded generator that names its seed in every assertion failure of its scope, so a failing case
// can be replayed with VELMORA_SEED=<seed>.
class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed = testSeed())
        : seed_(seed), engine_(seed), trace_(__FILE__, __LINE__, "VELMORA_SEED=" + std::to_string(seed)) {}

    uint64_t seed() const { return seed_; }
    std::mt19937_64& engine() { return engine_; }

    // Uniform in [low, high], both ends included.
    int64_t between(int64_t low, int64_t high) {
        return std::uniform_int_distribution<int64_t>(low, high)(engine_);
    }
    uint8_t byte() { return static_cast<uint8_t>(engine_()); }
    bool coin() { return (engine_() & 1) != 0; }
    void fill(unsigned char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            data[i] = byte();
        }
    }

private:
    uint64_t seed_;
    std::mt19937_64 engine_;
    ::testing::ScopedTrace trace_;
};

}  // namespace velmora::test
