#include "platform/x11_cursor_source.h"

#include <X11/Xlib.h>

namespace tavelo::platform {

X11CursorSource::X11CursorSource(const std::string& displayName, std::shared_ptr<const ClientOrigin> origin)
    : display_(XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str())),
      origin_(std::move(origin)) {}

X11CursorSource::~X11CursorSource() {
    if (display_) {
        XCloseDisplay(display_);
    }
}

bool X11CursorSource::cursorPositionImpl(Point& position) {
    if (!display_) {
        return false;
    }
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int buttons = 0;
    // False when the pointer is on another screen: its position on this one means nothing then.
    if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &windowX,
                       &windowY, &buttons)) {
        return false;
    }
    position = Point{rootX, rootY};
    return true;
}

bool X11CursorSource::screenToClientImpl(Point& position) {
    if (!origin_ || !origin_->alive.load(std::memory_order_acquire)) {
        return false;
    }
    position.x -= origin_->x.load(std::memory_order_relaxed);
    position.y -= origin_->y.load(std::memory_order_relaxed);
    return true;
}

}  // namespace tavelo::platform
