// The scaled image dispatch: moves and clips the destination rectangle for the band, classes the
// opacity and calls the one scaled routine of the draw's mode, class and source format.
#include <cstdint>
#include <limits>
#include <optional>

#include "render/kernels/blit/image_blit.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/kernels/scaled_ssse3/scaled_kernel.h"

namespace tavelo {
namespace {

// A scaled draw as its routine takes it.
struct ScaledDraw {
    Rect area;             // the destination rectangle cut by the band's clip
    Rect destinationRect;  // moved by the band's offset, not clipped: the origin and the scale
    uint32_t weight;
};

// Whether the routines can map `sourceRect`: inside the image, neither empty nor inverted, under 65536
// pixels on a side and its right and bottom edges at most 65536, so that 16.16 positions hold every
// column and row of it (a column beyond would wrap to one near the image's left edge).
bool isMappable(const Image& source, const Rect& sourceRect) {
    constexpr int64_t sideLimit = 65536;
    return !sourceRect.isEmpty() && sourceRect.left >= 0 && sourceRect.top >= 0 &&
           sourceRect.right <= int64_t{source.width} && sourceRect.bottom <= int64_t{source.height} &&
           sourceRect.right <= sideLimit && sourceRect.bottom <= sideLimit &&
           sourceRect.width() < sideLimit && sourceRect.height() < sideLimit;
}

// Whether a moved destination rectangle can be mapped: not empty nor inverted, its edges and its
// extents within the 32 bits the routines compute in.
bool isMappable(const WideRect& rect) {
    constexpr int64_t low = std::numeric_limits<int32_t>::min();
    constexpr int64_t high = std::numeric_limits<int32_t>::max();
    return !rect.isEmpty() && rect.left >= low && rect.top >= low && rect.right <= high &&
           rect.bottom <= high && rect.right - rect.left <= high && rect.bottom - rect.top <= high;
}

// The draw after the band's offset and clip, or nothing when no pixel is to be drawn. Unlike the
// routines' own contract, this also refuses rectangles the routines could not map, so they never
// read outside the source nor divide by zero.
std::optional<ScaledDraw> prepareScaledDraw(const Image& destination, const ClipInfo* clip, const Rect& rect,
                                            const Image& source, const Rect& sourceRect, uint8_t opacity) {
    const uint32_t weight = opacityWeight(opacity);
    const WideRect moved =
        clip != nullptr ? WideRect(rect).moved(clip->offsetX, clip->offsetY) : WideRect(rect);
    if (weight == 0 || destination.width == 0 || destination.height == 0 || !isMappable(moved) ||
        !isMappable(source, sourceRect)) {
        return std::nullopt;
    }
    const Rect destinationRect{static_cast<int32_t>(moved.left), static_cast<int32_t>(moved.top),
                               static_cast<int32_t>(moved.right), static_cast<int32_t>(moved.bottom)};
    const Rect area = clip != nullptr ? intersectRect(destinationRect, clip->clip) : destinationRect;
    if (area.isEmpty()) {
        return std::nullopt;
    }
    return ScaledDraw{area, destinationRect, weight};
}

// Draws through the routine of `kernels` that the draw's mode, class and source format name;
// `classOf(weight, format)` is the set's class rule.
template <class ClassOf>
void drawScaled(const ScaledKernelTable& kernels, ClassOf classOf, const Image& destination,
                const ClipInfo* clip, BlendMode mode, const Rect& rect, const Image& source,
                const Rect& sourceRect, uint8_t opacity, uint8_t smooth) {
    const auto draw = prepareScaledDraw(destination, clip, rect, source, sourceRect, opacity);
    if (!draw) {
        return;
    }
    const PixelFormat format = normalizedFormat(source.format);
    const ScaledKernel kernel =
        kernels[modeIndex(mode)][classIndex(classOf(draw->weight, format))][formatIndex(format)];
    kernel(destination, makeOpacityWeights(draw->weight), draw->area, source, draw->destinationRect,
           sourceRect, smooth);
}

}  // namespace

void blitImageScaledSsse3(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                          const Image& source, const Rect& sourceRect, uint8_t opacity, uint8_t smooth) {
    // Sources with alpha weight every pixel anyway; the others blend by byte pairs of the weight's parity.
    const auto classOf = [](uint32_t weight, PixelFormat format) {
        return carriesAlpha(format) ? opacityClass(weight) : opacityClassByParity(weight);
    };
    drawScaled(ssse3::scaledKernels, classOf, destination, clip, mode, rect, source, sourceRect, opacity,
               smooth);
}

void blitImageScaledSse2(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                         const Image& source, const Rect& sourceRect, uint8_t opacity, uint8_t smooth) {
    const auto classOf = [](uint32_t weight, PixelFormat) { return opacityClass(weight); };
    drawScaled(sse2::scaledKernels, classOf, destination, clip, mode, rect, source, sourceRect, opacity,
               smooth);
}

}  // namespace tavelo
