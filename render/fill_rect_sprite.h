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
    int32_t getX() const override { return rect_.left; }
    int32_t getY() const override { return rect_.top; }
    void draw(std::vector<DrawCommand>& commands, FrameResources& resources) const override;
    void invalidate() override { invalidateRect(rect_); }

    const Rect& getRect() const noexcept { return rect_; }

private:
    Rect rect_;
    Color color_;
};

}  // namespace tavelo
