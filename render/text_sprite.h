#pragma once

#include <cstddef>
#include <memory>

#include "render/color.h"
#include "render/font.h"
#include "render/sprite_base.h"

namespace tavelo {

// A run of text in one colour. The glyphs are fetched from the font once, at construction; the
// font itself is not kept.
class TextSprite : public SpriteBase {
public:
    // Each byte of `text` is one character code, 0..255.
    TextSprite(std::weak_ptr<SpriteManager> spriteManager, std::weak_ptr<ScreenDrawer> screenDrawer,
               uint32_t id, int32_t x, int32_t y, uint32_t priority, const char* text, size_t length,
               const std::shared_ptr<IFont>& font, const Color& color);

    // Moves the pen's start.
    void setPosition(int32_t x, int32_t y) override;
    int32_t getX() const override { return x_; }
    int32_t getY() const override { return y_; }
    void draw(std::vector<DrawCommand>& commands, FrameResources& resources) const override;
    // Invalidates each inked glyph on its own: a long run of text dirties only the bands it inks.
    void invalidate() override;

    uint64_t getGlyphCount() const noexcept { return glyphCount_; }

private:
    // Calls visit(rect) with the rectangle of every glyph that has ink, in order along the pen.
    template <typename Visit>
    void forEachInkedGlyph(Visit visit) const;

    int32_t x_;
    int32_t y_;
    std::shared_ptr<GlyphData[]> glyphs_;
    uint64_t glyphCount_;
    Color color_;
};

}  // namespace tavelo
