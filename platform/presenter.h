#pragma once

#include "render/image.h"
#include "render/rect.h"

namespace tavelo::platform {

// Where finished frames go: a window, or an offscreen canvas. A draw worker calls `present` with the
// frame it has just completed; it must return without waiting for any other thread, because shutdown
// joins the workers from the thread that owns the window.
class IPresenter {
public:
    virtual ~IPresenter() = default;

    // Shows `rect` of the 32-bit `frame` at the same position, upright. `rect` lies inside the frame.
    void present(const Image& frame, const Rect& rect) { presentImpl(frame, rect); }

protected:
    virtual void presentImpl(const Image& frame, const Rect& rect) = 0;
};

}  // namespace tavelo::platform
