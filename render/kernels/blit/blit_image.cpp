#include "render/kernels/blit/blit_kernels.h"
#include "render/kernels/blit/image_blit.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"

namespace tavelo {

namespace {

// Moves the rectangle by the clip's offsets and limits it to the clip rectangle, then to the pixels
// that have a source pixel under them, and calls the one kernel its mode, weight and source format
// select.
void blitImage(const BlitKernelTable& kernels, const Image& destination, const ClipInfo* clip, BlendMode mode,
               const Rect& rect, const Image& source, const Point& sourcePosition, uint8_t opacity) {
    const WideRect moved = clip ? WideRect(rect).moved(clip->offsetX, clip->offsetY) : WideRect(rect);
    const Rect visible = clip ? intersectWide(moved, clip->clip) : rect;
    // Taken before the clip: the source pixel under the moved rectangle's corner stays there.
    const int64_t dx = int64_t{sourcePosition.x} - moved.left;
    const int64_t dy = int64_t{sourcePosition.y} - moved.top;
    const Rect area = intersectWide(WideRect(imageBounds(source)).moved(-dx, -dy), visible);
    const uint32_t weight = opacityWeight(opacity);
    if (area.isEmpty() || weight == 0) {
        return;
    }
    const OpacityWeights weights = makeOpacityWeights(weight);
    const Point areaSource{static_cast<int32_t>(area.left + dx), static_cast<int32_t>(area.top + dy)};
    kernels[modeIndex(mode)][blitClassIndex(weight)][formatIndex(source.format)](destination, weights, area,
                                                                                 source, areaSource);
}

}  // namespace

void blitImageSsse3(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                    const Image& source, const Point& sourcePosition, uint8_t opacity) {
    blitImage(ssse3::blitKernels, destination, clip, mode, rect, source, sourcePosition, opacity);
}

void blitImageSse2(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                   const Image& source, const Point& sourcePosition, uint8_t opacity) {
    blitImage(sse2::blitKernels, destination, clip, mode, rect, source, sourcePosition, opacity);
}

}  // namespace tavelo
