#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "core/stream_reader.h"

namespace velmora::test {

// A forward stream over bytes held in memory, as a file of those bytes would read.
class MemoryStream : public tavelo::ISequentialStreamReader {
public:
    explicit MemoryStream(std::string_view bytes) : bytes_(bytes) {}

protected:
    size_t readImpl(void* buffer, size_t size) override {
        const size_t count = std::min(size, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }
    size_t skipImpl(size_t count) override {
        const size_t moved = std::min(count, bytes_.size() - position_);
        position_ += moved;
        return moved;
    }
    bool isEndImpl() override { return position_ == bytes_.size(); }

private:
    std::string bytes_;
    size_t position_ = 0;
};

}  // namespace velmora::test
