#pragma once

#include <memory>

#include "render/image.h"
#include "render/sprite_base.h"

namespace tavelo {

// An image drawn with its top-left corner at (x, y), at its own size or stretched to a display size.
class ImageSprite : public SpriteBase {
public:
    ImageSprite(std::weak_ptr<SpriteManager> spriteManager, std::weak_ptr<ScreenDrawer> screenDrawer,
                uint32_t id, int32_t x, int32_t y, uint32_t priority, std::shared_ptr<Image> image);

    void setPosition(int32_t x, int32_t y) override;
    int32_t getX() const override { return x_; }
    int32_t getY() const override { return y_; }
    void draw(std::vector<DrawCommand>& commands, FrameResources& resources) const override;
    void invalidate() override { invalidateRect(displayRect()); }

    // Changes the display size; a visible sprite invalidates its area at the old and the new size.
    void setSize(uint32_t width, uint32_t height);
    uint32_t getWidth() const noexcept { return width_; }
    uint32_t getHeight() const noexcept { return height_; }
    const std::shared_ptr<Image>& getImage() const noexcept { return image_; }

    // Nonzero: sample bilinearly when drawn at another size; zero: nearest. Set directly by its owner,
    // which invalidates the sprite first when it is visible.
    uint8_t smooth = 0;

private:
    Rect displayRect() const noexcept;

    int32_t x_;
    int32_t y_;
    std::shared_ptr<Image> image_;
    uint32_t width_;
    uint32_t height_;
};

}  // namespace tavelo
