#pragma once

#include "render/color.h"
#include "render/sprite_base.h"

namespace tavelo {

// A rectangle filled with one colour.
class FillRectSprite : public SpriteBase {
public:
    FillRectSprite(std::weak_ptr<SpriteManager> spriteManager, std::weak_ptr<ScreenDrawer> screenDrawer,
                   uint32_t id, const Rect& rect, uint32_t priority, const Color& color);

    // Moves the rectangle, keeping its size.
    void setPosition(int32_t x, int32_t y) override;
    int32_t getX() const override { return x_; }
    int32_t getY() const override { return y_; }
    void draw(std::vector<DrawCommand>& commands, FrameResources& resources) const override;
    void invalidate() override { invalidateRect(getRect()); }

    // The area drawn: near the coordinate limit it covers less, while the sprite keeps its size.
    Rect getRect() const noexcept;

private:
    // Position and size are held whole (a size may not fit 32 bits, and an inverted rectangle keeps
    // its negative one), so moving away from the limit and back restores the rectangle.
    int32_t x_;
    int32_t y_;
    int64_t width_;
    int64_t height_;
    Color color_;
};

}  // namespace tavelo
