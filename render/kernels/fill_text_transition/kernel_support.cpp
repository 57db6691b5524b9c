#include "render/kernels/fill_text_transition/kernel_support.h"

#include <algorithm>
#include <climits>

namespace tavelo {

Rect intersectWide(const WideRect& rect, const Rect& bounds) noexcept {
    if (rect.isEmpty() || bounds.isEmpty()) {
        return {};
    }
    if (rect.left > bounds.right || rect.right < bounds.left || rect.top > bounds.bottom ||
        rect.bottom < bounds.top) {
        return {};
    }
    return {static_cast<int32_t>(std::max<int64_t>(rect.left, bounds.left)),
            static_cast<int32_t>(std::max<int64_t>(rect.top, bounds.top)),
            static_cast<int32_t>(std::min<int64_t>(rect.right, bounds.right)),
            static_cast<int32_t>(std::min<int64_t>(rect.bottom, bounds.bottom))};
}

Rect applyClip(const ClipInfo* clip, const Rect& rect) noexcept {
    if (clip == nullptr) {
        return rect;
    }
    return intersectWide(WideRect(rect).moved(clip->offsetX, clip->offsetY), clip->clip);
}

Rect imageBounds(const Image& image) noexcept {
    return {0, 0, static_cast<int32_t>(std::min<uint32_t>(image.width, INT32_MAX)),
            static_cast<int32_t>(std::min<uint32_t>(image.height, INT32_MAX))};
}

KernelArea clipToDestination(const Image& destination, const Rect& rect) noexcept {
    const Rect inside = intersectRect(rect, imageBounds(destination));
    if (inside.isEmpty()) {
        return {};
    }
    return {inside, int64_t{inside.left} - rect.left, int64_t{inside.top} - rect.top};
}

}  // namespace tavelo
