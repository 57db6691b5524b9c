#pragma once

#include <cstdint>

namespace tavelo {

// A grey level (isRgb 0: the level is in `red`) or a red, green, blue triple.
struct Color {
    uint8_t isRgb = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// The colour as the pixel routines take it: 0x00RRGGBB.
constexpr uint32_t packColor(Color color) noexcept {
    if (color.isRgb == 0) {
        return uint32_t{color.red} * 0x010101u;
    }
    return uint32_t{color.red} << 16 | uint32_t{color.green} << 8 | color.blue;
}

}  // namespace tavelo
