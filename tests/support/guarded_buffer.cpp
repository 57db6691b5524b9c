#include "tests/support/guarded_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <new>

namespace velmora::test {

GuardedBuffer::GuardedBuffer(size_t size) : size_(size) {
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t dataPages = (size + page - 1) / page;
    mappingSize_ = (dataPages + 1) * page;
    void* mapping = ::mmap(nullptr, mappingSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        throw std::bad_alloc();
    }
    mapping_ = static_cast<unsigned char*>(mapping);
    ::mprotect(mapping_ + dataPages * page, page, PROT_NONE);
    data_ = mapping_ + dataPages * page - size;
}

GuardedBuffer::~GuardedBuffer() {
    ::munmap(mapping_, mappingSize_);
}

std::shared_ptr<tavelo::Image> makeGuardedImage(uint32_t width, uint32_t height, tavelo::PixelFormat format,
                                                uint32_t stride, size_t spare) {
    auto buffer = std::make_shared<GuardedBuffer>(size_t{stride} * height + spare);
    // The pixel pointer shares ownership of the mapping.
    std::shared_ptr<unsigned char> pixels(buffer, buffer->data());
    return std::make_shared<tavelo::Image>(width, height, format, stride, std::move(pixels));
}

}  // namespace velmora::test
