#pragma once

#include "render/image.h"
#include "render/rect.h"

namespace tavelo::platform {

// Where finished frames go: a window, or an offscreen canvas. Draw workers hand a frame over in two
// steps: as each band of the frame is finished, `stageBand` gives that band's part of the frame's
// rectangle (several workers at once, on rows apart); after the last band, `present` gives the whole
// rectangle, which the staged parts tile exactly. Neither may wait for another thread, because
// shutdown joins the workers from the thread that owns the window.
class IPresenter {
public:
    virtual ~IPresenter() = default;

    // Rows of the frame that are final. A presenter that copies frames may take them here, while they
    // are still in the worker's cache; by default it copies the whole rectangle in `present` instead.
    void stageBand(const Image& frame, const Rect& rect) { stageBandImpl(frame, rect); }
    // Shows `rect` of the 32-bit `frame` at the same position, upright. `rect` lies inside the frame.
    void present(const Image& frame, const Rect& rect) { presentImpl(frame, rect); }

protected:
    virtual void stageBandImpl(const Image&, const Rect&) {}
    virtual void presentImpl(const Image& frame, const Rect& rect) = 0;
};

}  // namespace tavelo::platform
