#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/presenter.h"

namespace tavelo::platform {

// Presents frames into a window without ever waiting for its GUI thread: a draw worker copies the
// presented rectangle into an image of the presenter's own and asks the GUI thread, through its main
// loop, for a redraw; the GUI thread later takes what arrived into the image it paints from.
//
// Both images start white, like the window's background.
class WindowPresenter : public IPresenter {
public:
    WindowPresenter(uint32_t width, uint32_t height);
    ~WindowPresenter() override;
    WindowPresenter(const WindowPresenter&) = delete;
    WindowPresenter& operator=(const WindowPresenter&) = delete;

    uint32_t width() const noexcept { return width_; }
    uint32_t height() const noexcept { return height_; }

    // GUI thread. From now on each presentation asks for a redraw of `widget` (a GtkWidget) from the
    // default main context; null stops the asking and drops a request not yet served.
    void attach(void* widget);
    // GUI thread. Moves what was presented since the last call into the shown image and returns the
    // rectangle that changed (empty when nothing did).
    Rect takePresented();
    // GUI thread. The image the window paints, row by row, as 0x00RRGGBB words.
    const uint32_t* shownPixels() const noexcept { return shown_.data(); }

protected:
    void presentImpl(const Image& frame, const Rect& rect) override;

private:
    static int onRedrawRequested(void* data);

    const uint32_t width_;
    const uint32_t height_;
    std::mutex lock_;
    // Written by the draw workers under `lock_`.
    std::vector<uint32_t> incoming_;
    Rect pending_;
    unsigned redrawSource_ = 0;  // the main-loop source that will serve `pending_`, or 0
    void* widget_ = nullptr;     // set and read under `lock_`; used on the GUI thread only
    // GUI thread only.
    std::vector<uint32_t> shown_;
};

}  // namespace tavelo::platform
