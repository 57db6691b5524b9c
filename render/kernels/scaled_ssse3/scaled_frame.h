#pragma once

#include <cstdint>
#include <optional>

#include "render/image.h"
#include "render/rect.h"

namespace tavelo {

// The geometry of one scaled draw, the same for every blend mode, opacity class, source format and
// instruction set. Positions are unsigned 16.16 fixed point: the upper half is a source column or
// row, the lower half the fraction toward the next one.
struct ScaledFrame {
    Rect area;  // the area clamped to the destination image; never empty
    // Bilinear sampling: columns from `edgeX` on filter vertically only (area.right with nearest).
    int32_t edgeX;
    uint32_t stepX;
    uint32_t stepY;
    // Source positions of column area.left (where every row starts) and of row area.top.
    uint32_t startX;
    uint32_t startY;
};

// The geometry of drawing `sourceRect` onto `destinationRect`, restricted to `area` and the destination
// image; nothing when no pixel is to be written. Positions are measured from the unclipped destination
// rectangle, so a pixel samples the same source position whatever area contains it.
std::optional<ScaledFrame> setUpScaledFrame(const Image& destination, const Rect& area,
                                            const Rect& destinationRect, const Rect& sourceRect,
                                            bool smooth) noexcept;

// |b - a| of two 32-bit edges, in the 32 bits the steps are computed in.
constexpr uint32_t absoluteExtent(int32_t a, int32_t b) noexcept {
    const uint32_t difference = uint32_t(b) - uint32_t(a);
    return int32_t(difference) < 0 ? 0u - difference : difference;
}

}  // namespace tavelo
