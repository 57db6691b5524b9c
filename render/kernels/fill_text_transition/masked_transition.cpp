#include "render/kernels/fill_text_transition/masked_transition.h"

#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/masked_kernels.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"

namespace tavelo {

TransitionTable makeTransitionTable(uint8_t level, uint8_t softness) {
    TransitionTable table;
    table.weight = opacityWeight(level);
    if (table.weight == 0) {
        return table;
    }
    // A step from 0 to 255, `softness` wide, that moves from above the top of the mask's range to
    // below its bottom as the level rises.
    const auto base = static_cast<int32_t>(((softness + 256u) * table.weight) >> 8);
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t t = base - 256 + i;
        table.ramp[i] = t < 0 ? 0 : t < softness ? static_cast<uint8_t>(t * 255 / softness) : 255;
    }
    return table;
}

namespace {

// Limits the rectangle to the pixels whose source and mask pixels both exist, and calls the source
// format's kernel once.
void blitImageMasked(const MaskedKernelTable& kernels, const Image& destination, const Rect& rect,
                     const Image& source, const Point& sourcePosition, const Image& mask,
                     const Point& maskPosition, const TransitionTable& table) {
    const int64_t sourceDx = int64_t{sourcePosition.x} - rect.left;
    const int64_t sourceDy = int64_t{sourcePosition.y} - rect.top;
    const int64_t maskDx = int64_t{maskPosition.x} - rect.left;
    const int64_t maskDy = int64_t{maskPosition.y} - rect.top;
    const Rect withSource = intersectWide(WideRect(imageBounds(source)).moved(-sourceDx, -sourceDy), rect);
    const Rect covered = intersectWide(WideRect(imageBounds(mask)).moved(-maskDx, -maskDy), withSource);
    if (covered.isEmpty() || table.weight == 0) {
        return;
    }
    const Point sourceAt{static_cast<int32_t>(covered.left + sourceDx),
                         static_cast<int32_t>(covered.top + sourceDy)};
    const Point maskAt{static_cast<int32_t>(covered.left + maskDx),
                       static_cast<int32_t>(covered.top + maskDy)};
    kernels[formatIndex(source.format)](destination, OpacityWeights{}, covered, source, sourceAt, mask,
                                        maskAt, table);
}

}  // namespace

void blitImageMaskedSsse3(const Image& destination, const Rect& rect, const Image& source,
                          const Point& sourcePosition, const Image& mask, const Point& maskPosition,
                          const TransitionTable& table) {
    blitImageMasked(ssse3::maskedKernels, destination, rect, source, sourcePosition, mask, maskPosition,
                    table);
}

void blitImageMaskedSse2(const Image& destination, const Rect& rect, const Image& source,
                         const Point& sourcePosition, const Image& mask, const Point& maskPosition,
                         const TransitionTable& table) {
    blitImageMasked(sse2::maskedKernels, destination, rect, source, sourcePosition, mask, maskPosition,
                    table);
}

}  // namespace tavelo
