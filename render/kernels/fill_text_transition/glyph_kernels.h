#pragma once

#include <array>
#include <cstdint>

#include "render/image.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/rect.h"

namespace tavelo {

// Paints the colour 0x00RRGGBB into `rect` of the destination through a Gray8 coverage bitmap, each
// pixel weighted by its coverage byte (and by the opacity for Translucent). `coveragePosition` is the
// bitmap pixel under the rectangle's top-left corner.
using GlyphKernel = void (*)(const Image& destination, const OpacityWeights& weights, const Rect& rect,
                             const Image& coverage, const Point& coveragePosition, uint32_t colour);

// By blend mode (0..4), then by class (Opaque, Translucent).
using GlyphKernelTable = std::array<std::array<GlyphKernel, 2>, blendModeCount>;

// The two sets differ only in how they load coverage bytes and write the same pixels.
namespace sse2 {
extern const GlyphKernelTable glyphKernels;
}
namespace ssse3 {
extern const GlyphKernelTable glyphKernels;
}

}  // namespace tavelo
