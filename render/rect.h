#pragma once

#include <cstdint>

namespace tavelo {

// Pixel rectangle; right and bottom are exclusive. One with left >= right or top >= bottom is empty:
// an inverted rectangle covers nothing, wherever it is tested.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool isEmpty() const noexcept { return left >= right || top >= bottom; }
    // Sizes in 64 bits: the difference of two 32-bit edges may not fit in 32.
    int64_t width() const noexcept { return int64_t{right} - left; }
    int64_t height() const noexcept { return int64_t{bottom} - top; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// A pixel position; also the source or mask pixel that lands on a destination rectangle's corner.
struct Point {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

// The bounding box of a and b; an empty one counts as nothing.
Rect uniteRect(const Rect& a, const Rect& b) noexcept;

// The common part of a and b, or the zero Rect when either is empty or they lie apart. Rectangles that
// only touch pass the overlap test and give an empty (not necessarily zero) result.
Rect intersectRect(const Rect& a, const Rect& b) noexcept;

}  // namespace tavelo
