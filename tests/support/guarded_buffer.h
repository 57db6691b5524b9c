#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "render/image.h"

namespace velmora::test {

// Memory whose last byte is followed by an inaccessible page: a read or write one byte past the end
// faults at once, with or without a sanitizer.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    unsigned char* mapping_ = nullptr;
    size_t mappingSize_ = 0;
    unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

// A source image whose pixel bytes end exactly at a guard page: stride x height bytes and then
// `spare` more (0 to prove nothing reads past the last row, Image::spareBytes for the promise an
// allocated Image makes). The returned Image keeps the buffer alive.
std::shared_ptr<tavelo::Image> makeGuardedImage(uint32_t width, uint32_t height, tavelo::PixelFormat format,
                                                uint32_t stride, size_t spare);

}  // namespace velmora::test
