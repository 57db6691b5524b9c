#pragma once

#include <memory>

#include "platform/scene_window.h"
#include "render/rect.h"

namespace tavelo {

// The pointer in the client coordinates of the scene's window. Updated once on the GUI thread while
// the scene is built, then only on the frame thread, which also reads it.
class Mouse {
public:
    explicit Mouse(std::shared_ptr<platform::ICursorSource> source) : source_(std::move(source)) {}

    // Reads the pointer; throws Win32Exception when it cannot be read or translated, keeping the
    // last position. The exception carries the errno the source set, or 0.
    void update();

    Point position;

private:
    std::shared_ptr<platform::ICursorSource> source_;
};

}  // namespace tavelo
