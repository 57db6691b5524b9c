#pragma once

#include <cstdint>
#include <memory>

#include "render/image.h"

namespace tavelo {

// One rasterised glyph: where its coverage bitmap sits relative to the pen, how far the pen then
// moves, and the Gray8 coverage (empty when the glyph has no ink).
struct GlyphData {
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int32_t advanceX = 0;
    int32_t advanceY = 0;
    std::shared_ptr<Image> bitmap;
};

}  // namespace tavelo
