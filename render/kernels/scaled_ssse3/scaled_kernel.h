#pragma once

#include <array>
#include <cstdint>

#include "render/image.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/rect.h"

namespace tavelo {

// The one signature of every scaled routine of both sets: the area to write (cut to the band, not yet
// to the destination), the destination rectangle that the whole source rectangle maps onto (moved by
// the band's offset, not clipped), the source rectangle, and `smooth` (nonzero: bilinear sampling).
// Opaque routines read no weights; the others read the weight and, in the byte-pair classes, its pairs.
using ScaledKernel = void (*)(const Image& destination, const OpacityWeights& weights, const Rect& area,
                              const Image& source, const Rect& destinationRect, const Rect& sourceRect,
                              uint8_t smooth);

inline constexpr size_t opacityClassCount = 4;

// By blend mode (0..4), opacity class and source format; null where a set has no routine.
using ScaledKernelTable =
    std::array<std::array<std::array<ScaledKernel, pixelFormatCount>, opacityClassCount>, blendModeCount>;

// drawScaledSsse3<Mode,Class,Format>, 65 routines: Opaque for every format, TranslucentEven and
// TranslucentOdd for Gray8, Rgb24 and Xrgb32, Translucent for GrayAlpha16 and Argb32.
namespace ssse3 {
extern const ScaledKernelTable scaledKernels;
}

// drawScaledSse2<Mode,Class,Format>, 50 routines: Opaque and Translucent for every format.
namespace sse2 {
extern const ScaledKernelTable scaledKernels;
}

}  // namespace tavelo
