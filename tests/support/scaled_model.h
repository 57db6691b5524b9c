#pragma once

#include <cstdint>
#include <vector>

#include "render/draw_command.h"
#include "render/image.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/rect.h"

namespace velmora::test {

// Which instruction set's arithmetic the model follows where the two sets' four-pixel forms differ.
enum class KernelSet { Sse2, Ssse3 };

struct ScaledCall {
    tavelo::BlendMode mode = tavelo::BlendMode::Normal;
    tavelo::OpacityClass opacityClass = tavelo::OpacityClass::Opaque;
    uint32_t weight = 256;  // the opacity weight: 256 for Opaque, 1..255 otherwise
    tavelo::Rect area;
    tavelo::Rect destinationRect;
    tavelo::Rect sourceRect;
    uint8_t smooth = 0;
};

// What a scaled routine of `set` leaves in the destination, computed pixel by pixel in plain per-channel
// arithmetic. `pixels` holds the destination's pixels before the call (width x height, row by row) and
// receives the expected ones; the fourth byte of a written pixel is left 0, as it carries nothing.
// Which pixels take the four-pixel form follows from the destination's real addresses. Modes above
// InverseMultiply and formats above Xrgb32 fold onto those.
void modelScaledDraw(KernelSet set, const ScaledCall& call, const tavelo::Image& destination,
                     const tavelo::Image& source, std::vector<uint32_t>& pixels);

}  // namespace velmora::test
