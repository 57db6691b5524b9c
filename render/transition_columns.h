#pragma once

#include <cstdint>

#include "render/image.h"
#include "render/kernels/fill_text_transition/masked_transition.h"
#include "render/screen_drawer.h"

namespace tavelo {

// The mask bytes through which each layer of a masked transition can show. Layer 1 shows where some
// byte of a column is at least `overFrom` (256: nowhere), layer 0 where some byte is at most `baseTo`
// (-1: nowhere).
struct TransitionThresholds {
    int32_t overFrom = 256;
    int32_t baseTo = -1;
};

// The thresholds of one frame's table. The masked kernel weighs layer 1 by (ramp x 129) >> 7, which is
// 0 only for a ramp value of 0 and 256 only for 255: `overFrom` is the lowest byte whose ramp value is
// above 0, `baseTo` the highest whose value is below 255. A column's maximum reaching `overFrom` is then
// necessary for layer 1 to show in it, and its minimum reaching `baseTo` for layer 0, whatever the ramp's
// shape; for the ramps makeTransitionTable makes, which never fall, it is also sufficient.
TransitionThresholds transitionThresholds(const TransitionTable& table) noexcept;

// The columns of a band where each layer can show, from the leftmost to the rightmost such column of
// `span`, over the mask rows [top, bottom). The rows and the span must lie inside the mask.
struct TransitionColumns {
    BandSpan over;
    BandSpan base;
};
TransitionColumns transitionColumns(const Image& mask, int32_t top, int32_t bottom, const BandSpan& span,
                                    const TransitionThresholds& thresholds) noexcept;

}  // namespace tavelo
