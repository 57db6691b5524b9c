#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/offscreen_presenter.h"
#include "platform/scene_window.h"

namespace tavelo::platform {

// A pointer that stays where it is put, for tests and benchmarks. Client coordinates are screen
// coordinates minus the client area's origin. Either step can be made to fail.
class FixedCursorSource : public ICursorSource {
public:
    void moveTo(int32_t x, int32_t y) noexcept { position_.store(pack(x, y)); }
    void setClientOrigin(int32_t x, int32_t y) noexcept { origin_.store(pack(x, y)); }
    void failCursorPosition(bool fail) noexcept { failPosition_ = fail; }
    void failScreenToClient(bool fail) noexcept { failToClient_ = fail; }

protected:
    bool cursorPositionImpl(Point& position) override;
    bool screenToClientImpl(Point& position) override;

private:
    // Both coordinates in one word, so the frame thread never reads a half-moved pointer.
    static uint64_t pack(int32_t x, int32_t y) noexcept {
        return uint64_t{static_cast<uint32_t>(x)} << 32 | static_cast<uint32_t>(y);
    }
    static Point unpack(uint64_t v) noexcept {
        return {static_cast<int32_t>(static_cast<uint32_t>(v >> 32)),
                static_cast<int32_t>(static_cast<uint32_t>(v))};
    }

    std::atomic<uint64_t> position_{0};
    std::atomic<uint64_t> origin_{0};
    std::atomic<bool> failPosition_{false};
    std::atomic<bool> failToClient_{false};
};

// A window without a display: frames go to an offscreen canvas and every cursor source it hands out
// is the one fixed pointer.
class OffscreenSceneWindow : public ISceneWindow {
public:
    OffscreenSceneWindow(uint32_t width, uint32_t height);

    const std::shared_ptr<OffscreenPresenter>& offscreen() const noexcept { return presenter_; }
    const std::shared_ptr<FixedCursorSource>& cursor() const noexcept { return cursor_; }

protected:
    std::shared_ptr<IPresenter> presenterImpl() override { return presenter_; }
    Rect clientRectImpl() const override;
    std::shared_ptr<ICursorSource> cursorSourceImpl() override { return cursor_; }

private:
    std::shared_ptr<OffscreenPresenter> presenter_;
    std::shared_ptr<FixedCursorSource> cursor_;
};

}  // namespace tavelo::platform
