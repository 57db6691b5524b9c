#pragma once

#include <cstddef>
#include <memory>

namespace tavelo {

class MemoryHelper {
public:
    static constexpr size_t alignment = 0x10000;
    // Bytes beyond the requested size that are always readable, so vector loads may run past a
    // buffer's last used byte.
    static constexpr size_t spareBytes = 0x10009;

    // A 64 KiB-aligned, uninitialised block of at least size + spareBytes bytes.
    static std::shared_ptr<unsigned char> allocate(size_t size);
};

}  // namespace tavelo
