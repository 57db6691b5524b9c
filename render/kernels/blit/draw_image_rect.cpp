#include <cstdlib>

#include "core/cpu.h"
#include "render/kernels/blit/image_blit.h"

namespace tavelo {

void drawImageRect(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                   const Image& source, const Rect& sourceRect, uint8_t opacity, uint8_t smooth) {
    // Absolute sizes, in 64 bits: a rectangle's edges may lie either way round.
    const bool ownSize = std::abs(rect.width()) == std::abs(sourceRect.width()) &&
                         std::abs(rect.height()) == std::abs(sourceRect.height());
    if (ownSize) {
        const auto blit = g_hasSsse3 ? blitImageSsse3 : blitImageSse2;
        blit(destination, clip, mode, rect, source, {sourceRect.left, sourceRect.top}, opacity);
    } else {
        const auto blitScaled = g_hasSsse3 ? blitImageScaledSsse3 : blitImageScaledSse2;
        blitScaled(destination, clip, mode, rect, source, sourceRect, opacity, smooth);
    }
}

}  // namespace tavelo
