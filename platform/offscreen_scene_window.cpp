#include "platform/offscreen_scene_window.h"

namespace tavelo::platform {

bool FixedCursorSource::cursorPositionImpl(Point& position) {
    if (failPosition_) {
        return false;
    }
    position = unpack(position_.load());
    return true;
}

bool FixedCursorSource::screenToClientImpl(Point& position) {
    if (failToClient_) {
        return false;
    }
    const Point origin = unpack(origin_.load());
    position.x -= origin.x;
    position.y -= origin.y;
    return true;
}

OffscreenSceneWindow::OffscreenSceneWindow(uint32_t width, uint32_t height)
    : presenter_(std::make_shared<OffscreenPresenter>(width, height)),
      cursor_(std::make_shared<FixedCursorSource>()) {}

Rect OffscreenSceneWindow::clientRectImpl() const {
    return {0, 0, static_cast<int32_t>(presenter_->width()), static_cast<int32_t>(presenter_->height())};
}

}  // namespace tavelo::platform
