#include "render/fill_rect_sprite.h"

#include <utility>

namespace tavelo {

FillRectSprite::FillRectSprite(std::weak_ptr<SpriteManager> spriteManager,
                               std::weak_ptr<ScreenDrawer> screenDrawer, uint32_t id, const Rect& rect,
                               uint32_t priority, const Color& color)
    : SpriteBase(std::move(spriteManager), std::move(screenDrawer), id, priority),
      x_(rect.left),
      y_(rect.top),
      width_(rect.width()),
      height_(rect.height()),
      color_(color) {}

void FillRectSprite::setPosition(int32_t x, int32_t y) {
    x_ = x;
    y_ = y;
}

Rect FillRectSprite::getRect() const noexcept {
    return clampedRect(x_, y_, x_ + width_, y_ + height_);
}

void FillRectSprite::draw(std::vector<DrawCommand>& commands, FrameResources&) const {
    if (!isDrawn()) {
        return;
    }
    DrawCommand command = makeCommand(DrawCommandKind::FillRectCommand, getRect());
    command.color = color_;
    commands.push_back(command);
}

}  // namespace tavelo
