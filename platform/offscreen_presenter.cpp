#include "platform/offscreen_presenter.h"

#include <algorithm>
#include <cstring>

namespace tavelo::platform {

OffscreenPresenter::OffscreenPresenter(uint32_t width, uint32_t height)
    : width_(width),
      height_(height),
      rowLocks_(std::make_unique<std::mutex[]>(height)),
      canvas_(size_t{width} * height) {}

std::vector<uint32_t> OffscreenPresenter::pixels() const {
    std::vector<uint32_t> pixels(canvas_.size());
    for (uint32_t y = 0; y < height_; ++y) {
        std::lock_guard<std::mutex> guard(rowLocks_[y]);
        std::memcpy(&pixels[size_t{y} * width_], &canvas_[size_t{y} * width_], size_t{width_} * 4);
    }
    return pixels;
}

uint64_t OffscreenPresenter::presentCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return presentCount_;
}

Rect OffscreenPresenter::lastRect() const {
    std::lock_guard<std::mutex> guard(lock_);
    return lastRect_;
}

void OffscreenPresenter::stageBandImpl(const Image& frame, const Rect& rect) {
    // Only what both the frame and the canvas hold is copied.
    const Rect bounds{0, 0, static_cast<int32_t>(std::min(width_, frame.width)),
                      static_cast<int32_t>(std::min(height_, frame.height))};
    const Rect area = intersectRect(rect, bounds);
    if (area.isEmpty()) {
        return;
    }
    const size_t rowBytes = static_cast<size_t>(area.width()) * sizeof(uint32_t);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const unsigned char* source = frame.row(static_cast<uint32_t>(y)) + size_t(area.left) * 4;
        std::lock_guard<std::mutex> guard(rowLocks_[y]);
        std::memcpy(&canvas_[size_t(y) * width_ + size_t(area.left)], source, rowBytes);
    }
}

void OffscreenPresenter::presentImpl(const Image&, const Rect& rect) {
    std::lock_guard<std::mutex> guard(lock_);
    ++presentCount_;
    lastRect_ = rect;
}

}  // namespace tavelo::platform
