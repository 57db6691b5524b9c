#include "platform/native_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tavelo::platform {

NativeFile::~NativeFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int NativeFile::open(const char* path) noexcept {
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        return errno;
    }
    struct stat info;
    const int error = ::fstat(fd_, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
    if (error != 0) {
        ::close(fd_);
        fd_ = -1;
        return error;
    }
    return 0;
}

int64_t NativeFile::read(void* buffer, size_t size, int& error) noexcept {
    // Linux transfers at most this much per call anyway.
    constexpr size_t largestRead = 0x7FFFF000;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, std::min(size, largestRead));
        if (got >= 0) {
            return got;
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

int64_t NativeFile::seek(int64_t offset, Origin origin, int& error) noexcept {
    const int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
    const off_t position = ::lseek(fd_, offset, whence);
    if (position < 0) {
        error = errno;
        return -1;
    }
    return position;
}

int64_t NativeFile::size(int& error) noexcept {
    struct stat info;
    if (::fstat(fd_, &info) != 0) {
        error = errno;
        return -1;
    }
    return info.st_size;
}

}  // namespace tavelo::platform
