#pragma once

#include <cstdint>

#include "render/draw_command.h"
#include "render/image_sprite.h"
#include "render/sprite.h"
#include "render/sprite_manager.h"

namespace tavelo {

// The scene's only ways of changing a sprite. Each invalidates what the change uncovers or covers,
// and only when something is drawn there, so the renderer redraws exactly the changed area.

void showSprite(ISprite& sprite);
void hideSprite(ISprite& sprite);
// Does nothing when the opacity is already `opacity`.
void setSpriteOpacity(ISprite& sprite, uint8_t opacity);
void setSpriteBlendMode(ISprite& sprite, BlendMode mode);
void moveSprite(ISprite& sprite, int32_t x, int32_t y);
// Turns bilinear sampling on.
void setSmooth(ImageSprite& sprite);
// Hides and drops every sprite of the layer with this id.
void removeSprites(SpriteManager& sprites, uint32_t id);

}  // namespace tavelo
