#pragma once

#include <memory>

#include "platform/presenter.h"
#include "render/rect.h"

namespace tavelo::platform {

// Reads the pointer for one reader thread. Each source owns its own connection to the display, so the
// frame thread can ask while the GUI thread runs the toolkit. A step that fails may set errno to say
// why; the caller clears errno before each step, so a source with no code to give leaves it alone.
class ICursorSource {
public:
    virtual ~ICursorSource() = default;

    // The pointer in screen (root window) coordinates; false when it cannot be read.
    bool cursorPosition(Point& position) { return cursorPositionImpl(position); }
    // Turns screen coordinates into the client area's, in place; false when that cannot be done.
    bool screenToClient(Point& position) { return screenToClientImpl(position); }

protected:
    virtual bool cursorPositionImpl(Point& position) = 0;
    virtual bool screenToClientImpl(Point& position) = 0;
};

// What a scene takes from the window that shows it: where its frames go, the size of the client area
// and a pointer reader of its own. A window, or an offscreen stand-in in tests and benchmarks.
class ISceneWindow {
public:
    virtual ~ISceneWindow() = default;

    // Outlives the scene's Screen: the draw workers present into it until they stop.
    std::shared_ptr<IPresenter> presenter() { return presenterImpl(); }
    // The client area, {0, 0, width, height}.
    Rect clientRect() const { return clientRectImpl(); }
    // A new reader for the caller alone (the scene's Mouse), reading against this window's client area.
    std::shared_ptr<ICursorSource> cursorSource() { return cursorSourceImpl(); }

protected:
    virtual std::shared_ptr<IPresenter> presenterImpl() = 0;
    virtual Rect clientRectImpl() const = 0;
    virtual std::shared_ptr<ICursorSource> cursorSourceImpl() = 0;
};

}  // namespace tavelo::platform
