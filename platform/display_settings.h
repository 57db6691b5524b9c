#pragma once

#include <cstdint>

namespace tavelo::platform {

// The display of the desktop the program runs on: its size, and temporary changes of its mode.
class IDisplaySettings {
public:
    virtual ~IDisplaySettings() = default;

    struct Size {
        uint32_t width = 0;
        uint32_t height = 0;
    };

    // The size of the primary display now.
    Size desktopSize() { return desktopSizeImpl(); }
    // Switches the primary display to width x height, or with no size back to the mode it had when this
    // object was made. 0 on success, else the reason the change was refused.
    int32_t changeMode(const Size* size) { return changeModeImpl(size); }

    // Refusals: no mode of that size exists or can be made; the display or the server refused the change.
    static constexpr int32_t badMode = -2;
    static constexpr int32_t failed = -1;

protected:
    virtual Size desktopSizeImpl() = 0;
    virtual int32_t changeModeImpl(const Size* size) = 0;
};

}  // namespace tavelo::platform
