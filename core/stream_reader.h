#pragma once

#include <cstddef>
#include <cstdint>

namespace tavelo {

// Forward reading. Public operations forward to the *Impl operations that implementations override.
class ISequentialStreamReader {
public:
    virtual ~ISequentialStreamReader() = default;

    // Copies up to `size` bytes; fewer only at the end of the stream.
    size_t read(void* buffer, size_t size) { return readImpl(buffer, size); }
    // Moves forward by up to `count` bytes and returns how far it moved.
    size_t skip(size_t count) { return skipImpl(count); }
    bool isEnd() { return isEndImpl(); }

protected:
    virtual size_t readImpl(void* buffer, size_t size) = 0;
    virtual size_t skipImpl(size_t count) = 0;
    virtual bool isEndImpl() = 0;
};

// Begin 0, Current 1, and every other value End.
enum class SeekOrigin : uint8_t { Begin = 0, Current = 1, End = 2 };

class ISeekable {
public:
    virtual ~ISeekable() = default;

    void seek(int64_t offset, SeekOrigin origin) { seekImpl(offset, origin); }
    int64_t getCursor() { return getCursorImpl(); }
    // The length of the whole stream, not of the part after the cursor.
    int64_t getLength() { return getLengthImpl(); }

protected:
    virtual void seekImpl(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t getCursorImpl() = 0;
    virtual int64_t getLengthImpl() = 0;
};

class IStreamReader : public ISequentialStreamReader, public virtual ISeekable {};

}  // namespace tavelo
