#pragma once

#include <cstdint>
#include <memory>

#include "render/sprite.h"

namespace tavelo {

class ScreenDrawer;
class SpriteManager;

// What every sprite class shares: its layer's manager and drawer (held weakly: a sprite may outlive
// its Screen), its id, priority, visibility, blend mode and opacity. A new sprite is hidden, Normal
// and opaque.
class SpriteBase : public ISprite {
public:
    uint32_t getId() const override { return id_; }
    void setPriority(uint32_t priority) override { priority_ = priority; }
    uint32_t getPriority() const override { return priority_; }
    void show() override { visible_ = true; }
    void hide() override { visible_ = false; }
    bool isVisible() const override { return visible_; }
    void setBlendMode(BlendMode mode) override { blendMode_ = mode; }
    BlendMode getBlendMode() const override { return blendMode_; }
    void setAlpha(uint8_t alpha) override { alpha_ = alpha; }
    uint8_t getAlpha() const override { return alpha_; }
    void requestSort() override;

protected:
    SpriteBase(std::weak_ptr<SpriteManager> spriteManager, std::weak_ptr<ScreenDrawer> screenDrawer,
               uint32_t id, uint32_t priority);

    // Whether the sprite puts anything on screen: visible and not fully transparent.
    bool isDrawn() const noexcept { return visible_ && alpha_ != 0; }
    // A command of `kind` over `rect` with this sprite's blend mode and opacity, other fields zero.
    DrawCommand makeCommand(DrawCommandKind kind, const Rect& rect) const;
    // Marks `rect` dirty in the layer's drawer; does nothing once the drawer is gone.
    void invalidateRect(const Rect& rect) const;

private:
    std::weak_ptr<SpriteManager> spriteManager_;
    std::weak_ptr<ScreenDrawer> screenDrawer_;
    uint32_t id_;
    uint32_t priority_;
    bool visible_ = false;
    BlendMode blendMode_ = BlendMode::Normal;
    uint8_t alpha_ = 255;
};

// The rectangle from (left, top) to (right, bottom), edges computed in 64 bits and held to the 32-bit
// range: a sprite near the edge of the coordinate range covers less, rather than wrapping around.
Rect clampedRect(int64_t left, int64_t top, int64_t right, int64_t bottom) noexcept;

}  // namespace tavelo
