#include <tmmintrin.h>

#include <cstring>

#include "render/kernels/blit/blit_kernels.h"
#include "render/kernels/fill_text_transition/kernel_support.h"

#include "render/kernels/fill_text_transition/ssse3_begin.inc"
namespace tavelo::ssse3 {

// In this order: the set's primitives, the shared arithmetic, the family's body.
#include "render/kernels/fill_text_transition/isa_ssse3.inc"

#include "render/kernels/fill_text_transition/kernel_template.inc"

#include "render/kernels/blit/blit_kernels.inc"

// The pair form for sources without alpha: the body interpolates with the byte pairs of the weights
// (PMADDUBSW), and so do the head and the tail, in the pair form's variant that gives the scalar value.
template <BlendMode Mode, OpacityClass Class, PixelFormat Format>
requires(!carriesAlpha(Format) &&
         (Class == OpacityClass::TranslucentEven ||
          Class == OpacityClass::TranslucentOdd)) class Composition<Mode, Class, Format> {
public:
    explicit Composition(const OpacityWeights& weights) : pairs_(loadPairs(weights)) {}

    __m128i scalarFour(__m128i d, __m128i s) const {
        return lerpPairs<Class, true>(d, Blend<Mode>::vector(d, s), pairs_);
    }
    __m128i vector(__m128i d, __m128i s) const {
        return lerpPairs<Class>(d, Blend<Mode>::vector(d, s), pairs_);
    }

private:
    PairWeights pairs_;
};

// PSHUFB widens Gray8, Rgb24 and GrayAlpha16 sources and spreads the alpha of sources with alpha,
// PMADDUBSW interpolates the translucent ones without alpha. The Opaque Xrgb32 members would gain nothing
// from SSSE3: they are the SSE2 set's.
constinit const BlitKernelTable blitKernels =
    blitKernelTable([]<BlendMode Mode, OpacityClass Class, PixelFormat Format>() -> BlitKernel {
        if constexpr (Format == PixelFormat::Xrgb32 && Class == OpacityClass::Opaque) {
            return &sse2::blit<Mode, Class, Format>;
        } else if constexpr (carriesAlpha(Format)) {
            constexpr OpacityClass member = Class == OpacityClass::Opaque ? Class : OpacityClass::Translucent;
            return &blit<Mode, member, Format>;
        } else {
            return &blit<Mode, Class, Format>;
        }
    });

}  // namespace tavelo::ssse3
#include "render/kernels/fill_text_transition/ssse3_end.inc"
