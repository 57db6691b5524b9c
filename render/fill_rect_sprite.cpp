#include "render/fill_rect_sprite.h"

#include <utility>

namespace tavelo {

FillRectSprite::FillRectSprite(std::weak_ptr<SpriteManager> spriteManager,
                               std::weak_ptr<ScreenDrawer> screenDrawer, uint32_t id, const Rect& rect,
                               uint32_t priority, const Color& color)
    : SpriteBase(std::move(spriteManager), std::move(screenDrawer), id, priority),
      rect_(rect),
      color_(color) {}

void FillRectSprite::setPosition(int32_t x, int32_t y) {
    const int64_t dx = int64_t{x} - rect_.left;
    const int64_t dy = int64_t{y} - rect_.top;
    rect_ = clampedRect(x, y, rect_.right + dx, rect_.bottom + dy);
}

void FillRectSprite::draw(std::vector<DrawCommand>& commands, FrameResources&) const {
    if (!isDrawn()) {
        return;
    }
    DrawCommand command = makeCommand(DrawCommandKind::FillRectCommand, rect_);
    command.color = color_;
    commands.push_back(command);
}

}  // namespace tavelo
