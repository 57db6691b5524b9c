#pragma once

// The one scene the window shows. The window creates it when it is created and releases it when it
// is destroyed; every call comes from the GUI thread.
class IScene {
public:
    virtual ~IScene() = default;

    // The window was exposed: the next frame redraws everything.
    virtual void onPaint() = 0;
    // A left button press at (x, y) in client coordinates.
    virtual void onClick(int x, int y) = 0;
};
