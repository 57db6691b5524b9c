#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/scene_window.h"

struct _XDisplay;

namespace tavelo::platform {

// Where the window's client area lies on the screen. The GUI thread writes it whenever the window
// moves, is resized or changes its frame; reader threads read it without a lock.
struct ClientOrigin {
    std::atomic<int> x{0};
    std::atomic<int> y{0};
    std::atomic<bool> alive{true};  // false once the window is gone
};

// Reads the pointer with XQueryPointer on an X connection of its own, so that the frame thread can ask
// while the GUI thread runs the toolkit on the toolkit's connection.
class X11CursorSource : public ICursorSource {
public:
    // `displayName`: the X display to connect to; a connection that cannot be opened reads nothing.
    X11CursorSource(const std::string& displayName, std::shared_ptr<const ClientOrigin> origin);
    ~X11CursorSource() override;
    X11CursorSource(const X11CursorSource&) = delete;
    X11CursorSource& operator=(const X11CursorSource&) = delete;

protected:
    bool cursorPositionImpl(Point& position) override;
    bool screenToClientImpl(Point& position) override;

private:
    _XDisplay* display_ = nullptr;
    std::shared_ptr<const ClientOrigin> origin_;
};

}  // namespace tavelo::platform
