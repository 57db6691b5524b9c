#include "render/image.h"

#include <cstring>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

uint64_t Image::bufferSize(uint32_t width, uint32_t height, PixelFormat format) noexcept {
    const uint64_t stride = uint64_t{width} * bytesPerPixel(format);
    if (width > maxSide || height > maxSide || stride > UINT32_MAX) {
        return 0;
    }
    return stride * height + spareBytes;
}

Image::Image(uint32_t width, uint32_t height, PixelFormat format)
    : width(width), height(height), format(format), stride(width * bytesPerPixel(format)) {
    const uint64_t size = bufferSize(width, height, format);
    if (size == 0 || size > SIZE_MAX) {
        throw Exception(formatString("Out of memory in %s method.", "tavelo::Image::Image"));
    }
    pixels = std::shared_ptr<unsigned char>(new unsigned char[size], std::default_delete<unsigned char[]>());
    std::memset(pixels.get() + (size - spareBytes), 0, spareBytes);
}

}  // namespace tavelo
