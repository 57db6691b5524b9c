#pragma once

#include <cstdint>
#include <random>

namespace tavelo {

// An integer in [a, b] from one 32-bit generator output, scaled in double precision. Not
// std::uniform_int_distribution: the scene's snow and particles must follow the same sequence on every
// standard library.
constexpr int32_t uniformInt(uint32_t u, int32_t a, int32_t b) noexcept {
    const double v = static_cast<double>(u) / (4294967295.0 - 0.0 + 1.0) *
                         (static_cast<double>(b) - static_cast<double>(a) + 1.0) +
                     static_cast<double>(a);
    return v >= static_cast<double>(b) ? b : static_cast<int32_t>(v);
}

// U[a, b] on a generator, one draw per call.
struct UniformInt {
    int32_t a;
    int32_t b;
    int32_t operator()(std::mt19937& generator) const {
        return uniformInt(static_cast<uint32_t>(generator()), a, b);
    }
};

}  // namespace tavelo
