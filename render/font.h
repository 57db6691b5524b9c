#pragma once

#include <cstdint>

#include "render/glyph_data.h"

namespace tavelo {

// A source of rasterised glyphs by character code.
class IFont {
public:
    virtual ~IFont() = default;
    GlyphData getGlyphData(uint32_t code) { return getGlyphDataImpl(code); }

protected:
    virtual GlyphData getGlyphDataImpl(uint32_t code) = 0;
};

}  // namespace tavelo
