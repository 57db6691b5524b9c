#pragma once

#include <charconv>
#include <string>

namespace tavelo {

// `value` with `digits` decimals and a '.' whatever the process's locale (the window toolkit sets the
// user's): what printf's "%.*f" gives in the C locale.
inline std::string fixedPoint(double value, int digits) {
    char buffer[64];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
    return result.ec == std::errc{} ? std::string(buffer, result.ptr) : std::string("0");
}

// The frame-rate read-out of layer screen - 1, such as "59.940 fps : screen(1)".
inline std::string fpsText(double fps, unsigned screen) {
    std::string text = fixedPoint(fps, 3);
    text.append(" fps : screen(").append(std::to_string(screen)).append(")");
    return text;
}

// A processor meter's text, such as "CPU(0) : 12.34".
inline std::string meterText(const std::string& label, double value) {
    std::string text = "CPU";
    text.append(label).append(" : ").append(fixedPoint(value, 2));
    return text;
}

}  // namespace tavelo
