#include "core/memory_helper.h"

#include <cstdint>
#include <new>

namespace tavelo {

std::shared_ptr<unsigned char> MemoryHelper::allocate(size_t size) {
    if (size > SIZE_MAX - spareBytes) {
        throw std::bad_alloc();
    }
    constexpr std::align_val_t align{alignment};
    auto* block = static_cast<unsigned char*>(::operator new[](size + spareBytes, align));
    // If the shared pointer's own bookkeeping cannot be allocated, it runs the deleter on the block.
    return std::shared_ptr<unsigned char>(block, [](unsigned char* p) { ::operator delete[](p, align); });
}

}  // namespace tavelo
