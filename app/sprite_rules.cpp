#include "app/sprite_rules.h"

namespace tavelo {

void showSprite(ISprite& sprite) {
    if (!sprite.isVisible() && sprite.getAlpha() != 0) {
        sprite.invalidate();
    }
    sprite.show();
}

void hideSprite(ISprite& sprite) {
    if (sprite.isVisible()) {
        if (sprite.getAlpha() != 0) {
            sprite.invalidate();
        }
        sprite.hide();
    }
}

void setSpriteOpacity(ISprite& sprite, uint8_t opacity) {
    if (sprite.getAlpha() == opacity) {
        return;
    }
    if (sprite.isVisible()) {
        sprite.invalidate();
    }
    sprite.setAlpha(opacity);
}

void setSpriteBlendMode(ISprite& sprite, BlendMode mode) {
    if (sprite.getBlendMode() == mode) {
        return;
    }
    if (sprite.isVisible() && sprite.getAlpha() != 0) {
        sprite.invalidate();
    }
    sprite.setBlendMode(mode);
}

void moveSprite(ISprite& sprite, int32_t x, int32_t y) {
    if (sprite.getX() == x && sprite.getY() == y) {
        return;
    }
    if (sprite.isVisible() && sprite.getAlpha() != 0) {
        sprite.invalidate();
        sprite.setPosition(x, y);
        sprite.invalidate();
    } else {
        sprite.setPosition(x, y);
    }
}

void setSmooth(ImageSprite& sprite) {
    if (sprite.smooth == 1) {
        return;
    }
    if (sprite.isVisible() && sprite.getAlpha() != 0) {
        sprite.invalidate();
    }
    sprite.smooth = 1;
}

void removeSprites(SpriteManager& sprites, uint32_t id) {
    sprites.removeMatching(id);
}

}  // namespace tavelo
