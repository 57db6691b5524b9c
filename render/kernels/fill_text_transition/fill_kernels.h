#pragma once

#include <array>
#include <cstdint>

#include "render/image.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/rect.h"

namespace tavelo {

// Paints the colour 0x00RRGGBB into `rect` of the destination under one blend mode and class; an
// Opaque kernel does not read the weights.
using FillKernel = void (*)(const Image& destination, const OpacityWeights& weights, const Rect& rect,
                            uint32_t colour);

// By blend mode (0..4), then by class (Opaque, Translucent).
using FillKernelTable = std::array<std::array<FillKernel, 2>, blendModeCount>;

// The fill kernels exist in the SSE2 set only: the fill needs no SSSE3 instruction.
namespace sse2 {
extern const FillKernelTable fillKernels;
}

}  // namespace tavelo
