#pragma once

#include <cstdint>

#include "render/color.h"
#include "render/draw_command.h"
#include "render/image.h"

namespace tavelo {

// Fills `rect` (moved and clipped by `clip`, which may be null) of the 32-bit `destination` with
// `color` under `mode` and `opacity`. One SSE2 set serves every processor.
void fillRect(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect, const Color& color,
              uint8_t opacity);

}  // namespace tavelo
