#pragma once

#include <cstddef>
#include <cstdint>

namespace tavelo::platform {

// A file opened read-only. Calls return a result or -1, with the errno value in `error`; the caller
// decides which message a failure carries.
class NativeFile {
public:
    enum class Origin { Begin, Current, End };

    NativeFile() = default;
    ~NativeFile();
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    // 0, or the errno value; a directory is refused with EISDIR.
    int open(const char* path) noexcept;
    // Bytes read (0 at the end of the file) or -1.
    int64_t read(void* buffer, size_t size, int& error) noexcept;
    // The new position or -1.
    int64_t seek(int64_t offset, Origin origin, int& error) noexcept;
    int64_t size(int& error) noexcept;

private:
    int fd_ = -1;
};

}  // namespace tavelo::platform
