#pragma once

#include <array>

#include "render/image.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/masked_transition.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/rect.h"

namespace tavelo {

// Lays the source over `rect` of the destination, each pixel weighted by the ramp value of its mask
// byte. The positions are the source and mask pixels under the rectangle's top-left corner; the
// weights are not read (the mask decides).
using MaskedKernelFunction = void(const Image& destination, const OpacityWeights& weights, const Rect& rect,
                                  const Image& source, const Point& sourcePosition, const Image& mask,
                                  const Point& maskPosition, const TransitionTable& table);
using MaskedKernel = MaskedKernelFunction*;

// By source format (0..4).
using MaskedKernelTable = std::array<MaskedKernel, pixelFormatCount>;

// The source's alpha plays no part, so an Argb32 source is composed as Xrgb32.
constexpr PixelFormat maskedSourceFormat(PixelFormat format) noexcept {
    return format == PixelFormat::Argb32 ? PixelFormat::Xrgb32 : normalizedFormat(format);
}

namespace sse2 {
// The SSSE3 set calls the GrayAlpha16 and Xrgb32 members of this set: they need no SSSE3 instruction.
template <PixelFormat Format>
void blitMasked(const Image& destination, const OpacityWeights& weights, const Rect& rect,
                const Image& source, const Point& sourcePosition, const Image& mask,
                const Point& maskPosition, const TransitionTable& table);

extern const MaskedKernelTable maskedKernels;
}  // namespace sse2

namespace ssse3 {
extern const MaskedKernelTable maskedKernels;
}

}  // namespace tavelo
