#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavelo {

// An opacity byte as the weight of the interpolation toward a blend result: 0..127 stay, 128..254
// become 129..255, 255 becomes 256. No division: x 129 >> 7 maps 0..255 onto 0..256.
constexpr uint32_t opacityWeight(uint8_t opacity) noexcept {
    return (uint32_t{opacity} * 129) >> 7;
}

// How a kernel applies its weight; the dispatchers pick one kernel per class so no pixel loop tests it.
enum class OpacityClass : uint8_t {
    Opaque,           // weight 256: uniform kernels store the blend result as it is
    Translucent,      // weight 1..255: interpolate toward the blend result
    TranslucentEven,  // even weight, SSSE3 pair-form image kernels
    TranslucentOdd,   // odd weight, the same
};

// Opaque for 256, Translucent for 1..255 (a weight of 0 never reaches a kernel).
constexpr OpacityClass opacityClass(uint32_t weight) noexcept {
    return weight >= 256 ? OpacityClass::Opaque : OpacityClass::Translucent;
}

// Translucent weights split by parity, for the kernels that interpolate with byte pairs.
constexpr OpacityClass opacityClassByParity(uint32_t weight) noexcept {
    if (weight >= 256) {
        return OpacityClass::Opaque;
    }
    return (weight & 1) != 0 ? OpacityClass::TranslucentOdd : OpacityClass::TranslucentEven;
}

// The weight of one kernel call, built on the dispatcher's stack.
struct alignas(16) OpacityWeights {
    uint32_t weight = 0;
    // Eight (destination weight, result weight) byte pairs for the SSSE3 pair interpolation: weight 2x
    // gives (128 - x, x), weight 2x + 1 gives (127 - x, x); both bytes fit a signed byte.
    alignas(16) std::array<int8_t, 16> pairs{};
};

// The record for a weight of 1..256; the pairs stay zero for 256, which no pair kernel receives.
constexpr OpacityWeights makeOpacityWeights(uint32_t weight) noexcept {
    OpacityWeights weights;
    weights.weight = weight;
    if (weight < 256) {
        const auto resultWeight = static_cast<int8_t>(weight >> 1);
        const auto destinationWeight = static_cast<int8_t>(((weight & 1) != 0 ? 127 : 128) - resultWeight);
        for (size_t i = 0; i < weights.pairs.size(); i += 2) {
            weights.pairs[i] = destinationWeight;
            weights.pairs[i + 1] = resultWeight;
        }
    }
    return weights;
}

}  // namespace tavelo
