#include "render/sprite_base.h"

#include <algorithm>
#include <utility>

#include "render/screen_drawer.h"
#include "render/sprite_manager.h"

namespace tavelo {

SpriteBase::SpriteBase(std::weak_ptr<SpriteManager> spriteManager, std::weak_ptr<ScreenDrawer> screenDrawer,
                       uint32_t id, uint32_t priority)
    : spriteManager_(std::move(spriteManager)),
      screenDrawer_(std::move(screenDrawer)),
      id_(id),
      priority_(priority) {}

void SpriteBase::requestSort() {
    if (const auto manager = spriteManager_.lock()) {
        manager->requestSort();
    }
}

DrawCommand SpriteBase::makeCommand(DrawCommandKind kind, const Rect& rect) const {
    DrawCommand command;
    command.kind = kind;
    command.blendMode = blendMode_;
    command.alpha = alpha_;
    command.rect = rect;
    return command;
}

void SpriteBase::invalidateRect(const Rect& rect) const {
    if (const auto drawer = screenDrawer_.lock()) {
        drawer->invalidate(rect);
    }
}

Rect clampedRect(int64_t left, int64_t top, int64_t right, int64_t bottom) noexcept {
    const auto clamp = [](int64_t value) {
        return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    };
    return {clamp(left), clamp(top), clamp(right), clamp(bottom)};
}

}  // namespace tavelo
