#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "render/image.h"
#include "render/rect.h"

namespace velmora::test {

// A 32-bit destination inside a larger buffer whose border (rows above and below, bytes left and right
// of every row) holds a known pattern. `intactOutside` proves a routine wrote nothing outside a given
// rectangle of the destination, nor outside the destination at all.
class CanaryImage {
public:
    // `alignmentOffset` (0..15 bytes, a multiple of 4) places the first pixel that far past a 16-byte
    // boundary, so every alignment of a row's start can be tried.
    CanaryImage(uint32_t width, uint32_t height, uint32_t alignmentOffset = 0, uint32_t extraStride = 0);

    const tavelo::Image& image() const { return image_; }
    uint32_t pixel(int32_t x, int32_t y) const;
    void setPixel(int32_t x, int32_t y, uint32_t value);

    // Copies the destination's pixels for a later comparison.
    std::unique_ptr<uint32_t[]> snapshot() const;
    // Empty when every byte outside `written` (clamped to the destination) equals `before`, and every
    // border byte still holds the pattern; otherwise a description of the first difference.
    std::string intactOutside(const tavelo::Rect& written, const uint32_t* before) const;

private:
    static constexpr uint32_t borderRows = 2;
    static constexpr uint32_t borderBytes = 64;
    static constexpr uint8_t pattern = 0xC5;

    uint32_t width_;
    uint32_t height_;
    uint32_t stride_;
    std::shared_ptr<unsigned char> block_;
    size_t blockSize_;
    unsigned char* first_;
    tavelo::Image image_;
};

}  // namespace velmora::test
