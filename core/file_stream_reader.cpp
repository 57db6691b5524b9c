#include "core/file_stream_reader.h"

#include <cstdint>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

namespace {

[[noreturn]] void throwApiFailure(const char* format, const char* method, int error) {
    throw Win32Exception(formatString(format, method), static_cast<uint32_t>(error));
}

}  // namespace

FileStreamReader::FileStreamReader(const char* fileName) {
    if (const int error = file_.open(fileName)) {
        throwApiFailure("CreateFileA API failed in %s method.", "tavelo::FileStreamReader::FileStreamReader",
                        error);
    }
}

size_t FileStreamReader::readImpl(void* buffer, size_t size) {
    auto* place = static_cast<unsigned char*>(buffer);
    size_t total = 0;
    while (total < size) {
        int error = 0;
        const int64_t got = file_.read(place + total, size - total, error);
        if (got < 0) {
            throwApiFailure("ReadFile API failed in %s method.", "tavelo::FileStreamReader::readImpl", error);
        }
        // Nothing more to read: at the end, or positioned beyond it by a skip.
        if (got == 0) {
            break;
        }
        total += static_cast<size_t>(got);
    }
    return total;
}

size_t FileStreamReader::skipImpl(size_t count) {
    // A count this large would be a backward move; refuse it before the position changes.
    if (count > static_cast<size_t>(INT64_MAX)) {
        throw IoException(
            formatString("Invalid seek position in %s method.", "tavelo::FileStreamReader::skipImpl"));
    }
    const int64_t before = getCursorImpl();
    seekImpl(static_cast<int64_t>(count), SeekOrigin::Current);
    const int64_t after = getCursorImpl();
    if (after < before) {
        throw IoException(
            formatString("Invalid seek position in %s method.", "tavelo::FileStreamReader::skipImpl"));
    }
    return static_cast<size_t>(after - before);
}

bool FileStreamReader::isEndImpl() {
    const int64_t cursor = getCursorImpl();
    return cursor == getLengthImpl();
}

void FileStreamReader::seekImpl(int64_t offset, SeekOrigin origin) {
    const auto nativeOrigin = origin == SeekOrigin::Begin     ? platform::NativeFile::Origin::Begin
                              : origin == SeekOrigin::Current ? platform::NativeFile::Origin::Current
                                                              : platform::NativeFile::Origin::End;
    int error = 0;
    if (file_.seek(offset, nativeOrigin, error) < 0) {
        throwApiFailure("SetFilePointer API failed in %s method.", "tavelo::FileStreamReader::seekImpl", error);
    }
}

int64_t FileStreamReader::getCursorImpl() {
    int error = 0;
    const int64_t position = file_.seek(0, platform::NativeFile::Origin::Current, error);
    if (position < 0) {
        throwApiFailure("SetFilePointer API failed in %s method.", "tavelo::FileStreamReader::getCursorImpl",
                        error);
    }
    return position;
}

int64_t FileStreamReader::getLengthImpl() {
    int error = 0;
    const int64_t length = file_.size(error);
    if (length < 0) {
        throwApiFailure("GetFileSizeEx API failed in %s method.", "tavelo::FileStreamReader::getLengthImpl",
                        error);
    }
    return length;
}

}  // namespace tavelo
