#pragma once

#include <cstdint>

#include "render/draw_command.h"
#include "render/image.h"

namespace tavelo {

// Draws the `sourceRect` part of `source` into `rect`: at its own size when the two have the same
// absolute size, scaled (bilinear when `smooth` is nonzero) otherwise. Picks the set by g_hasSsse3.
void drawImageRect(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                   const Image& source, const Rect& sourceRect, uint8_t opacity, uint8_t smooth);

// Draws `source` at its own size into `rect` (moved and clipped by `clip`, which may be null), the
// source pixel `sourcePosition` landing on the rectangle's top-left corner. The caller picks the set by
// g_hasSsse3.
void blitImageSsse3(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                    const Image& source, const Point& sourcePosition, uint8_t opacity);
void blitImageSse2(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                   const Image& source, const Point& sourcePosition, uint8_t opacity);

// Draws the `sourceRect` part of `source` scaled onto `rect` (moved and clipped by `clip`, which may be
// null), with bilinear sampling when `smooth` is nonzero and nearest sampling otherwise. The caller
// picks the set by g_hasSsse3.
void blitImageScaledSsse3(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                          const Image& source, const Rect& sourceRect, uint8_t opacity, uint8_t smooth);
void blitImageScaledSse2(const Image& destination, const ClipInfo* clip, BlendMode mode, const Rect& rect,
                         const Image& source, const Rect& sourceRect, uint8_t opacity, uint8_t smooth);

}  // namespace tavelo
