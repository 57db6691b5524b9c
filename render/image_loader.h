#pragma once

#include <cstdint>

#include "render/image.h"

namespace tavelo {

// A decoder that describes an image and then hands out its rows, top to bottom, one per call.
class IImageLoader {
public:
    virtual ~IImageLoader() = default;

    virtual uint32_t getWidth() = 0;
    virtual uint32_t getHeight() = 0;
    virtual PixelFormat getFormat() = 0;
    // Bytes of one decoded row.
    virtual uint32_t getStride() = 0;

    // Decodes the next row into `row`, which holds `rowBytes` bytes, at least getStride(); returns
    // getStride().
    uint32_t load(unsigned char* row, uint32_t rowBytes) { return loadImpl(row, rowBytes); }

protected:
    virtual uint32_t loadImpl(unsigned char* row, uint32_t rowBytes) = 0;
};

}  // namespace tavelo
