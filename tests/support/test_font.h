#pragma once

#include <cstdint>
#include <map>

#include "render/font.h"

namespace velmora::test {

// A font that makes its glyphs from the character code: every code but the space gets a bitmap whose
// size, offsets, advances and coverage follow from the code, so a run of text inks known, varied
// areas. A glyph can also be set by hand. Each code's glyph is made once and shared, as a glyph cache
// would share it.
class TestFont : public tavelo::IFont {
public:
    struct Shape {
        uint32_t maxWidth = 8;    // bitmap widths 1..maxWidth
        uint32_t maxHeight = 12;  // bitmap heights 1..maxHeight
        int32_t advanceX = 6;     // plus 0 or 1, by the code
        int32_t advanceY = 0;
        // Coverage 0 or 255 only: such text blends exactly alike whichever path a kernel takes.
        bool binaryCoverage = false;
    };

    TestFont();
    explicit TestFont(const Shape& shape);

    void setGlyph(uint32_t code, const tavelo::GlyphData& glyph);
    // How many glyphs were asked for.
    uint64_t requestCount() const noexcept { return requests_; }

protected:
    tavelo::GlyphData getGlyphDataImpl(uint32_t code) override;

private:
    tavelo::GlyphData makeGlyph(uint32_t code) const;

    Shape shape_;
    std::map<uint32_t, tavelo::GlyphData> glyphs_;
    uint64_t requests_ = 0;
};

}  // namespace velmora::test
