#include "tests/support/test_font.h"

#include <memory>

namespace velmora::test {

using tavelo::GlyphData;
using tavelo::Image;
using tavelo::PixelFormat;

TestFont::TestFont() : TestFont(Shape{}) {}

TestFont::TestFont(const Shape& shape) : shape_(shape) {}

void TestFont::setGlyph(uint32_t code, const GlyphData& glyph) {
    glyphs_[code] = glyph;
}

GlyphData TestFont::getGlyphDataImpl(uint32_t code) {
    ++requests_;
    auto found = glyphs_.find(code);
    if (found == glyphs_.end()) {
        found = glyphs_.emplace(code, makeGlyph(code)).first;
    }
    return found->second;
}

GlyphData TestFont::makeGlyph(uint32_t code) const {
    GlyphData glyph;
    glyph.advanceX = shape_.advanceX + static_cast<int32_t>(code % 2);
    glyph.advanceY = shape_.advanceY;
    if (code == ' ') {
        return glyph;
    }
    const uint32_t width = 1 + code * 7 % shape_.maxWidth;
    const uint32_t height = 1 + code * 13 % shape_.maxHeight;
    glyph.offsetX = static_cast<int32_t>(code % 3) - 1;
    glyph.offsetY = static_cast<int32_t>(code % 4) - static_cast<int32_t>(height);
    glyph.bitmap = std::make_shared<Image>(width, height, PixelFormat::Gray8);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t hash = (code * 2654435761u) ^ (x * 40503u + y * 2246822519u);
            const auto coverage = static_cast<uint8_t>(hash >> 13);
            glyph.bitmap->row(y)[x] = shape_.binaryCoverage ? (coverage & 1 ? 255 : 0) : coverage;
        }
    }
    return glyph;
}

}  // namespace velmora::test
