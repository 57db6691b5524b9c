#pragma once

#include "core/stream_reader.h"
#include "platform/native_file.h"

namespace tavelo {

// An IStreamReader over a file opened read-only; open from construction to destruction.
class FileStreamReader : public IStreamReader {
public:
    explicit FileStreamReader(const char* fileName);

protected:
    size_t readImpl(void* buffer, size_t size) override;
    size_t skipImpl(size_t count) override;
    bool isEndImpl() override;
    void seekImpl(int64_t offset, SeekOrigin origin) override;
    int64_t getCursorImpl() override;
    int64_t getLengthImpl() override;

private:
    platform::NativeFile file_;
};

}  // namespace tavelo
