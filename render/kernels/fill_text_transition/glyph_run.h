#pragma once

#include <cstdint>

#include "render/color.h"
#include "render/draw_command.h"
#include "render/glyph_data.h"
#include "render/image.h"

namespace tavelo {

// Draws `count` glyphs from the pen position `origin` in `color` through their coverage, under `mode`
// and `opacity`; `clip` may be null. The caller picks the set by g_hasSsse3.
void drawGlyphRunSsse3(const Image& destination, const ClipInfo* clip, BlendMode mode, const Point& origin,
                       const GlyphData* glyphs, uint64_t count, const Color& color, uint8_t opacity);
void drawGlyphRunSse2(const Image& destination, const ClipInfo* clip, BlendMode mode, const Point& origin,
                      const GlyphData* glyphs, uint64_t count, const Color& color, uint8_t opacity);

}  // namespace tavelo
