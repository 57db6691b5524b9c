#include "render/text_sprite.h"

#include <utility>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

TextSprite::TextSprite(std::weak_ptr<SpriteManager> spriteManager, std::weak_ptr<ScreenDrawer> screenDrawer,
                       uint32_t id, int32_t x, int32_t y, uint32_t priority, const char* text, size_t length,
                       const std::shared_ptr<IFont>& font, const Color& color)
    : SpriteBase(std::move(spriteManager), std::move(screenDrawer), id, priority),
      x_(x),
      y_(y),
      glyphs_(std::make_shared<GlyphData[]>(length)),
      glyphCount_(length),
      color_(color) {
    if (length != 0 && (!font || !text)) {
        throw Exception(
            formatString("No font or text given in %s method.", "tavelo::TextSprite::TextSprite"));
    }
    for (size_t i = 0; i < length; ++i) {
        // Bytes are unsigned codes: a plain char would turn 0x80..0xFF into codes no font has.
        glyphs_[i] = font->getGlyphData(static_cast<unsigned char>(text[i]));
    }
}

void TextSprite::setPosition(int32_t x, int32_t y) {
    x_ = x;
    y_ = y;
}

template <typename Visit>
void TextSprite::forEachInkedGlyph(Visit visit) const {
    // The pen moves in 64 bits: a long run far out must not wrap round onto the screen.
    int64_t penX = x_;
    int64_t penY = y_;
    for (uint64_t i = 0; i < glyphCount_; ++i) {
        const GlyphData& glyph = glyphs_[i];
        if (glyph.bitmap) {
            const int64_t left = penX + glyph.offsetX;
            const int64_t top = penY + glyph.offsetY;
            visit(clampedRect(left, top, left + glyph.bitmap->width, top + glyph.bitmap->height));
        }
        penX += glyph.advanceX;
        penY += glyph.advanceY;
    }
}

void TextSprite::draw(std::vector<DrawCommand>& commands, FrameResources& resources) const {
    if (!isDrawn()) {
        return;
    }
    resources.glyphArrays.push_back(glyphs_);
    Rect box;
    forEachInkedGlyph([&box](const Rect& glyphRect) { box = uniteRect(box, glyphRect); });
    DrawCommand command = makeCommand(DrawCommandKind::TextCommand, box);
    command.originX = x_;
    command.originY = y_;
    command.glyphs = glyphs_.get();
    command.glyphCount = glyphCount_;
    command.color = color_;
    commands.push_back(command);
}

void TextSprite::invalidate() {
    forEachInkedGlyph([this](const Rect& glyphRect) { invalidateRect(glyphRect); });
}

}  // namespace tavelo
