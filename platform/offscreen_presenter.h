#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/presenter.h"

namespace tavelo::platform {

// Keeps what was presented in a canvas of its own, for tests and headless benchmarks: the canvas
// shows what a window would show after the same presentations. The pixels are copied band by band as
// the workers stage them; `present` counts the frame.
class OffscreenPresenter : public IPresenter {
public:
    OffscreenPresenter(uint32_t width, uint32_t height);

    uint32_t width() const noexcept { return width_; }
    uint32_t height() const noexcept { return height_; }

    // The canvas, row by row, as 0xXXRRGGBB words (the fourth byte as the frame held it).
    std::vector<uint32_t> pixels() const;
    uint64_t presentCount() const;
    // The rectangle of the last presentation, or the empty Rect before the first.
    Rect lastRect() const;

protected:
    void stageBandImpl(const Image& frame, const Rect& rect) override;
    void presentImpl(const Image& frame, const Rect& rect) override;

private:
    const uint32_t width_;
    const uint32_t height_;
    mutable std::mutex lock_;  // the count and the last rectangle
    // One lock a canvas row: workers staging different bands never wait for each other.
    const std::unique_ptr<std::mutex[]> rowLocks_;
    std::vector<uint32_t> canvas_;
    uint64_t presentCount_ = 0;
    Rect lastRect_;
};

}  // namespace tavelo::platform
