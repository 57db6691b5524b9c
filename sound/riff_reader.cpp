#include "sound/riff_reader.h"

#include <algorithm>
#include <cstring>

namespace tavelo {
namespace {

constexpr uint64_t headerBytes = 8;
constexpr uint64_t formTypeBytes = 4;

bool hasFormType(uint32_t id) {
    return id == fourCC("RIFF") || id == fourCC("LIST");
}

}  // namespace

RiffReader::RiffReader(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

uint32_t RiffReader::wordAt(uint64_t offset) const {
    uint32_t word;
    std::memcpy(&word, data_ + offset, sizeof word);
    return word;
}

bool RiffReader::descend(RiffChunk& chunk) {
    if (remaining() < headerBytes) {
        return false;
    }
    RiffChunk found;
    found.id = wordAt(cursor_);
    found.size = wordAt(cursor_ + 4);
    found.dataOffset = cursor_ + headerBytes;
    uint64_t content = found.dataOffset;
    if (hasFormType(found.id)) {
        if (size_ - content < formTypeBytes) {
            return false;
        }
        found.formType = wordAt(content);
        content += formTypeBytes;
    }
    chunk = found;
    cursor_ = content;
    return true;
}

bool RiffReader::findChunk(uint32_t id, const RiffChunk& parent, RiffChunk& chunk) {
    const uint64_t end = std::min(parent.dataOffset + parent.size, size_);
    for (uint64_t at = cursor_; at + headerBytes <= end;) {
        const uint32_t size = wordAt(at + 4);
        if (wordAt(at) == id) {
            chunk = RiffChunk{id, size, 0, at + headerBytes};
            cursor_ = chunk.dataOffset;
            return true;
        }
        at += headerBytes + size + (size & 1);
    }
    return false;
}

bool RiffReader::ascend(const RiffChunk& chunk) {
    const uint64_t end = chunk.dataOffset + chunk.size + (chunk.size & 1);
    if (end > size_) {
        return false;
    }
    cursor_ = end;
    return true;
}

size_t RiffReader::read(void* buffer, size_t size) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(size, remaining()));
    if (count > 0) {
        std::memcpy(buffer, data_ + cursor_, count);
        cursor_ += count;
    }
    return count;
}

}  // namespace tavelo
