#pragma once

// What every kernel and dispatcher shares that does not depend on the instruction set: pixel access,
// clipping in 64 bits, the kernel's area inside its destination, the row split and the selector
// tables. The arithmetic of each set is in kernel_template.inc.

#include <emmintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "render/draw_command.h"
#include "render/image.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/rect.h"

namespace tavelo {

// ---- Pixel access. Through memcpy: buffers are bytes, and 24- and 16-bit sources are not aligned.

inline uint32_t loadPixel(const unsigned char* at) noexcept {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline void storePixel(unsigned char* at, uint32_t value) noexcept {
    std::memcpy(at, &value, sizeof value);
}

// Operand loads that read exactly the bytes they use, so no load reaches past the end of a buffer
// (wrapped buffers and glyph bitmaps carry no spare bytes). Baseline SSE2: safe in either set.
inline __m128i loadFourBytes(const unsigned char* at) noexcept {
    return _mm_cvtsi32_si128(static_cast<int>(loadPixel(at)));
}

inline __m128i loadEightBytes(const unsigned char* at) noexcept {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
}

inline __m128i loadTwelveBytes(const unsigned char* at) noexcept {
    return _mm_unpacklo_epi64(loadEightBytes(at), loadFourBytes(at + 8));
}

// The address of pixel (x, y), in 64-bit arithmetic: no row offset wraps, whatever the image's size.
inline unsigned char* pixelAt(const Image& image, int64_t x, int64_t y, uint32_t bytesPerPixel) noexcept {
    return image.data() + static_cast<size_t>(y) * image.stride + static_cast<size_t>(x) * bytesPerPixel;
}

// ---- Clipping

// A rectangle whose edges may lie beyond 32 bits: a command's rectangle moved by a band's offset.
struct WideRect {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;

    explicit WideRect(const Rect& rect) noexcept
        : left(rect.left), top(rect.top), right(rect.right), bottom(rect.bottom) {}
    WideRect(int64_t left, int64_t top, int64_t right, int64_t bottom) noexcept
        : left(left), top(top), right(right), bottom(bottom) {}

    bool isEmpty() const noexcept { return left >= right || top >= bottom; }
    WideRect moved(int64_t dx, int64_t dy) const noexcept {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
};

// An image's pixels as a Rect, sides beyond 2^31 - 1 cut there.
Rect imageBounds(const Image& image) noexcept;

// intersectRect's rule in 64 bits. A non-empty result lies inside `bounds`, so it fits a Rect.
Rect intersectWide(const WideRect& rect, const Rect& bounds) noexcept;

// A command's rectangle in destination coordinates: moved by the clip's offsets and limited to its
// rectangle, or as given when there is no clip.
Rect applyClip(const ClipInfo* clip, const Rect& rect) noexcept;

// The part of a kernel's rectangle inside its destination. `skipX` and `skipY` say how far it starts
// past the rectangle's own corner, so that operand positions move with the clip and the content
// stays where it belongs.
struct KernelArea {
    Rect rect;
    int64_t skipX = 0;
    int64_t skipY = 0;

    bool isEmpty() const noexcept { return rect.isEmpty(); }
    size_t width() const noexcept { return static_cast<size_t>(rect.width()); }
    size_t height() const noexcept { return static_cast<size_t>(rect.height()); }
};

// Empty when nothing of `rect` lies inside the destination, including for an inverted rectangle.
KernelArea clipToDestination(const Image& destination, const Rect& rect) noexcept;

// ---- Row split

// How the row skeleton divides a span of destination pixels: scalar pixels up to the first 16-byte
// boundary (0 to 3), a body of whole 8-pixel iterations with aligned vector loads and stores, and a
// scalar tail. Spans under 8 pixels are scalar throughout, and so are rows off 4-byte boundaries,
// which no whole pixel could bring to a 16-byte one. The scaled routines' bilinear rows split the
// same way with 4-pixel iterations from 4 pixels on (`minimum` and `unit`).
struct RowSplit {
    size_t head = 0;
    size_t body = 0;
};

inline RowSplit splitRow(const unsigned char* first, size_t count, size_t minimum = 8, size_t unit = 8) noexcept {
    const auto address = reinterpret_cast<uintptr_t>(first);
    if (count < minimum || (address & 3) != 0) {
        return {count, 0};
    }
    const size_t head = ((16 - (address & 15)) & 15) / 4;
    return {head, (count - head) / unit * unit};
}

// ---- Selector tables

inline constexpr size_t blendModeCount = 5;
inline constexpr size_t pixelFormatCount = 5;

constexpr size_t modeIndex(BlendMode mode) noexcept {
    return static_cast<size_t>(normalizedBlendMode(mode));
}

constexpr size_t formatIndex(PixelFormat format) noexcept {
    return static_cast<size_t>(normalizedFormat(format));
}

constexpr size_t classIndex(OpacityClass opacityClass) noexcept {
    return static_cast<size_t>(opacityClass);
}

// Sources whose fourth byte is an alpha that weights each pixel.
constexpr bool carriesAlpha(PixelFormat format) noexcept {
    return format == PixelFormat::GrayAlpha16 || format == PixelFormat::Argb32;
}

// A table with one entry per key value 0..Count-1, the entry for key K being makeEntry.operator()<K>():
// the compiler instantiates each kernel a table names, and no cell is typed out by hand.
template <class Key, size_t Count, class MakeEntry>
constexpr auto tableOf(MakeEntry makeEntry) {
    return [&]<size_t... Index>(std::index_sequence<Index...>) {
        return std::array{makeEntry.template operator()<static_cast<Key>(Index)>()...};
    }
    (std::make_index_sequence<Count>());
}

}  // namespace tavelo
