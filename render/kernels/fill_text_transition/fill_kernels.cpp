#include "render/kernels/fill_text_transition/fill_kernels.h"

#include <emmintrin.h>

#include "render/kernels/fill_text_transition/kernel_support.h"

namespace tavelo::sse2 {

// In this order: the set's primitives, then the shared arithmetic.
#include "render/kernels/fill_text_transition/isa_sse2.inc"

#include "render/kernels/fill_text_transition/kernel_template.inc"

namespace {

// fill<Mode, Class>: the colour blended over every pixel of the rectangle. Normal Opaque stores the
// colour without reading the destination (the compiler drops the unused loads).
template <BlendMode Mode, OpacityClass Class>
void fill(const Image& destination, const OpacityWeights& weights, const Rect& rect, uint32_t colour) {
    const KernelArea area = clipToDestination(destination, rect);
    if (area.isEmpty()) {
        return;
    }
    const __m128i colours = _mm_set1_epi32(static_cast<int>(colour));
    const uint32_t weight = weights.weight;
    const LaneWeights uniform = uniformWeights(weight);
    unsigned char* row = pixelAt(destination, area.rect.left, area.rect.top, 4);
    for (size_t y = 0; y < area.height(); ++y, row += destination.stride) {
        forEachPixel(
            row, area.width(),
            [&](size_t i) {
                unsigned char* at = row + 4 * i;
                storePixel(at, composeScalar<Mode, Class>(loadPixel(at), colour, weight));
            },
            [&](size_t i) {
                unsigned char* at = row + 4 * i;
                storeGroup(at, composeVector<Mode, Class>(loadGroup(at), colours, uniform));
            });
    }
}

}  // namespace

constinit const FillKernelTable fillKernels = tableOf<BlendMode, blendModeCount>([]<BlendMode Mode>() {
    return std::array<FillKernel, 2>{&fill<Mode, OpacityClass::Opaque>,
                                     &fill<Mode, OpacityClass::Translucent>};
});

}  // namespace tavelo::sse2
