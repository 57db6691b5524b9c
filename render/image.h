#pragma once

#include <cstdint>
#include <memory>

namespace tavelo {

// The layout of one pixel. Every value above 4 is read as Xrgb32.
enum class PixelFormat : uint8_t {
    Gray8 = 0,        // grey
    Rgb24 = 1,        // blue, green, red
    GrayAlpha16 = 2,  // grey, alpha
    Argb32 = 3,       // blue, green, red, alpha (straight alpha)
    Xrgb32 = 4,       // blue, green, red, a byte that carries nothing: the frame buffers' format
};

// Folds every value above Xrgb32 onto Xrgb32.
constexpr PixelFormat normalizedFormat(PixelFormat format) noexcept {
    return static_cast<uint8_t>(format) >= static_cast<uint8_t>(PixelFormat::Xrgb32) ? PixelFormat::Xrgb32
                                                                                     : format;
}

constexpr uint32_t bytesPerPixel(PixelFormat format) noexcept {
    switch (normalizedFormat(format)) {
        case PixelFormat::Gray8:
            return 1;
        case PixelFormat::Rgb24:
            return 3;
        case PixelFormat::GrayAlpha16:
            return 2;
        default:
            return 4;
    }
}

// A rectangular pixel buffer, row 0 on top. Copies share the pixel bytes.
struct Image {
    // Bytes after the last row that vector loads may read past a row's last used byte.
    static constexpr uint32_t spareBytes = 15;
    // Widths and heights stay below 2^31 so that the pixel routines may compare them as signed.
    static constexpr uint32_t maxSide = 0x7FFFFFFF;

    // An image with a buffer of its own: stride = width x bytes per pixel, stride x height + 15 bytes,
    // the pixels uninitialised and the 15 spare bytes zeroed. Throws Exception ("Out of memory") for a
    // size it cannot represent.
    Image(uint32_t width, uint32_t height, PixelFormat format);
    // An image around a given buffer (the renderer's aligned frame and band buffers).
    Image(uint32_t width, uint32_t height, PixelFormat format, uint32_t stride,
          std::shared_ptr<unsigned char> pixels) noexcept
        : width(width), height(height), format(format), stride(stride), pixels(std::move(pixels)) {}

    // The allocating constructor's byte count in 64 bits, or 0 when the size is not representable.
    static uint64_t bufferSize(uint32_t width, uint32_t height, PixelFormat format) noexcept;

    unsigned char* data() const noexcept { return pixels.get(); }
    unsigned char* row(uint32_t y) const noexcept { return pixels.get() + uint64_t{y} * stride; }

    uint32_t width;
    uint32_t height;
    PixelFormat format;
    uint32_t stride;
    std::shared_ptr<unsigned char> pixels;
};

}  // namespace tavelo
