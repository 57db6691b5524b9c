#pragma once

#include <array>
#include <cstddef>

#include "render/image.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/rect.h"

namespace tavelo {

// Draws `source` at its own size into `rect` of the destination (already clipped to the source), the
// source pixel `sourcePosition` landing on the rectangle's top-left corner. Opaque kernels do not read
// the weights; the others read the weight, and the SSSE3 pair-form kernels its byte pairs.
using BlitKernelFunction = void(const Image& destination, const OpacityWeights& weights, const Rect& rect,
                                const Image& source, const Point& sourcePosition);
using BlitKernel = BlitKernelFunction*;

// The classes a blit dispatcher tells apart: Opaque, then translucent weights by parity. Only the SSSE3
// kernels for Gray8, Rgb24 and Xrgb32 sources treat the parities apart; every other translucent cell
// holds one Translucent kernel for both.
inline constexpr std::array blitClasses{OpacityClass::Opaque, OpacityClass::TranslucentEven,
                                        OpacityClass::TranslucentOdd};

constexpr size_t blitClassIndex(uint32_t weight) noexcept {
    switch (opacityClassByParity(weight)) {
        case OpacityClass::Opaque:
            return 0;
        case OpacityClass::TranslucentEven:
            return 1;
        default:
            return 2;
    }
}

// By blend mode (0..4), by class (blitClasses) and by source format (0..4).
using BlitKernelTable =
    std::array<std::array<std::array<BlitKernel, pixelFormatCount>, blitClasses.size()>, blendModeCount>;

// A selector table whose cell for (Mode, Class, Format) is member.operator()<Mode, Class, Format>().
template <class Member>
consteval BlitKernelTable blitKernelTable(Member member) {
    return tableOf<BlendMode, blendModeCount>([&]<BlendMode Mode>() {
        return tableOf<size_t, blitClasses.size()>([&]<size_t Class>() {
            return tableOf<PixelFormat, pixelFormatCount>([&]<PixelFormat Format>() -> BlitKernel {
                return member.template operator()<Mode, blitClasses[Class], Format>();
            });
        });
    });
}

namespace sse2 {
// blit<Mode, Class, Format> with Class Opaque or Translucent. The SSSE3 set calls the members that would
// gain nothing from its instructions: the Opaque Xrgb32 ones.
template <BlendMode Mode, OpacityClass Class, PixelFormat Format>
void blit(const Image& destination, const OpacityWeights& weights, const Rect& rect, const Image& source,
          const Point& sourcePosition);

extern const BlitKernelTable blitKernels;
}  // namespace sse2

namespace ssse3 {
extern const BlitKernelTable blitKernels;
}

}  // namespace tavelo
