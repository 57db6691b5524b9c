#pragma once

#include <array>
#include <cstdint>

#include "render/image.h"
#include "render/rect.h"

namespace tavelo {

// Turns mask bytes into opacities for one frame of a masked layer transition.
struct TransitionTable {
    uint32_t weight = 0;                // opacity weight of the transition level, 0..256
    std::array<uint8_t, 256> ramp{};    // opacity for each mask byte
};

// The table of a transition `level` (0..255) with a ramp `softness` wide (0: a hard step).
TransitionTable makeTransitionTable(uint8_t level, uint8_t softness);

// Lays `source` over `destination` inside `rect`, each pixel weighted by the ramp value of its mask
// byte. `sourcePosition` and `maskPosition` are the pixels under the rectangle's top-left corner; the
// mask is one byte a pixel whatever its format. The caller picks the set by g_hasSsse3.
void blitImageMaskedSsse3(const Image& destination, const Rect& rect, const Image& source,
                          const Point& sourcePosition, const Image& mask, const Point& maskPosition,
                          const TransitionTable& table);
void blitImageMaskedSse2(const Image& destination, const Rect& rect, const Image& source,
                         const Point& sourcePosition, const Image& mask, const Point& maskPosition,
                         const TransitionTable& table);

}  // namespace tavelo
