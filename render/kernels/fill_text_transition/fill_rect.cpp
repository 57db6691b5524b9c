#include "render/kernels/fill_text_transition/fill_rect.h"

#include "render/kernels/fill_text_transition/fill_kernels.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"

namespace tavelo {

void fillRect(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
              const Color& color, uint8_t opacity) {
    const Rect area = applyClip(clip, rect);
    if (area.isEmpty()) {
        return;
    }
    const uint32_t weight = opacityWeight(opacity);
    if (weight == 0) {
        return;
    }
    const OpacityWeights weights = makeOpacityWeights(weight);
    const FillKernel kernel = sse2::fillKernels[modeIndex(mode)][classIndex(opacityClass(weight))];
    kernel(destination, weights, area, packColor(color));
}

}  // namespace tavelo
