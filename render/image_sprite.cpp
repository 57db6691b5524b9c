#include "render/image_sprite.h"

#include <utility>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

namespace {

const Image& requireImage(const std::shared_ptr<Image>& image) {
    if (!image) {
        throw Exception(formatString("No image given in %s method.", "tavelo::ImageSprite::ImageSprite"));
    }
    return *image;
}

}  // namespace

ImageSprite::ImageSprite(std::weak_ptr<SpriteManager> spriteManager, std::weak_ptr<ScreenDrawer> screenDrawer,
                         uint32_t id, int32_t x, int32_t y, uint32_t priority, std::shared_ptr<Image> image)
    : SpriteBase(std::move(spriteManager), std::move(screenDrawer), id, priority),
      x_(x),
      y_(y),
      image_(std::move(image)),
      width_(requireImage(image_).width),
      height_(image_->height) {}

void ImageSprite::setPosition(int32_t x, int32_t y) {
    x_ = x;
    y_ = y;
}

Rect ImageSprite::displayRect() const noexcept {
    return clampedRect(x_, y_, int64_t{x_} + width_, int64_t{y_} + height_);
}

void ImageSprite::setSize(uint32_t width, uint32_t height) {
    if (width == width_ && height == height_) {
        return;
    }
    const bool drawn = isDrawn();
    if (drawn) {
        invalidate();
    }
    width_ = width;
    height_ = height;
    if (drawn) {
        invalidate();
    }
}

void ImageSprite::draw(std::vector<DrawCommand>& commands, FrameResources& resources) const {
    if (!isDrawn()) {
        return;
    }
    resources.images.push_back(image_);
    if (width_ == image_->width && height_ == image_->height) {
        DrawCommand command = makeCommand(DrawCommandKind::ImageCommand, displayRect());
        command.image = image_.get();
        commands.push_back(command);
    } else {
        DrawCommand command = makeCommand(DrawCommandKind::ScaledImageCommand, displayRect());
        command.srcRect = clampedRect(0, 0, image_->width, image_->height);
        command.image = image_.get();
        command.smooth = smooth;
        commands.push_back(command);
    }
}

}  // namespace tavelo
