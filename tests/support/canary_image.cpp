#include "tests/support/canary_image.h"

#include <cstring>
#include <sstream>

#include "core/memory_helper.h"

namespace velmora::test {

CanaryImage::CanaryImage(uint32_t width, uint32_t height, uint32_t alignmentOffset, uint32_t extraStride)
    : width_(width),
      height_(height),
      stride_(width * 4 + extraStride * 4 + 2 * borderBytes),
      blockSize_(size_t{stride_} * (height + 2 * borderRows) + 64),
      image_(0, 0, tavelo::PixelFormat::Xrgb32, 0, nullptr) {
    block_ = tavelo::MemoryHelper::allocate(blockSize_);
    std::memset(block_.get(), pattern, blockSize_);
    // The border rows above need not end on a 16-byte boundary: round up before the requested offset.
    const size_t leading = (size_t{stride_} * borderRows + borderBytes + 15) & ~size_t{15};
    first_ = block_.get() + leading + (alignmentOffset & 12);
    image_ = tavelo::Image(width, height, tavelo::PixelFormat::Xrgb32, stride_,
                           std::shared_ptr<unsigned char>(block_, first_));
    for (uint32_t y = 0; y < height; ++y) {
        std::memset(first_ + size_t{y} * stride_, 0x3C, size_t{width} * 4);
    }
}

uint32_t CanaryImage::pixel(int32_t x, int32_t y) const {
    uint32_t value;
    std::memcpy(&value, first_ + size_t(y) * stride_ + size_t(x) * 4, 4);
    return value;
}

void CanaryImage::setPixel(int32_t x, int32_t y, uint32_t value) {
    std::memcpy(first_ + size_t(y) * stride_ + size_t(x) * 4, &value, 4);
}

std::unique_ptr<uint32_t[]> CanaryImage::snapshot() const {
    auto copy = std::make_unique<uint32_t[]>(size_t{width_} * height_);
    for (uint32_t y = 0; y < height_; ++y) {
        std::memcpy(&copy[size_t{y} * width_], first_ + size_t{y} * stride_, size_t{width_} * 4);
    }
    return copy;
}

std::string CanaryImage::intactOutside(const tavelo::Rect& written, const uint32_t* before) const {
    std::ostringstream problem;
    const unsigned char* pixelsStart = first_;
    const unsigned char* pixelsEnd = first_ + size_t{stride_} * (height_ - 1) + size_t{width_} * 4;
    for (size_t i = 0; i < blockSize_; ++i) {
        const unsigned char* at = block_.get() + i;
        const bool inside = height_ > 0 && width_ > 0 && at >= pixelsStart && at < pixelsEnd &&
                            size_t(at - pixelsStart) % stride_ < size_t{width_} * 4;
        if (!inside && *at != pattern) {
            problem << "border byte written at block offset " << i;
            return problem.str();
        }
    }
    for (uint32_t y = 0; y < height_; ++y) {
        for (uint32_t x = 0; x < width_; ++x) {
            const bool inRect = int64_t{x} >= written.left && int64_t{x} < written.right && int64_t{y} >= written.top &&
                                int64_t{y} < written.bottom;
            if (!inRect && pixel(int32_t(x), int32_t(y)) != before[size_t{y} * width_ + x]) {
                problem << "pixel (" << x << ", " << y << ") outside the rectangle changed";
                return problem.str();
            }
        }
    }
    return {};
}

}  // namespace velmora::test
