#pragma once

#include <cstddef>
#include <cstdint>

namespace tavelo {

// The little-endian four-character code of a chunk id or form type.
constexpr uint32_t fourCC(const char (&code)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

// One chunk of a RIFF file: its id, the size its header states, its form type (RIFF and LIST chunks
// only) and the offset of its content. A RIFF chunk's content starts with its form type.
struct RiffChunk {
    uint32_t id = 0;
    uint32_t size = 0;
    uint32_t formType = 0;
    uint64_t dataOffset = 0;
};

// Walks the chunks of a RIFF file that lies whole in memory, reading the caller's bytes in place.
// Offsets are 64-bit, so no stated size can wrap a bound; nothing is read outside the memory.
class RiffReader {
public:
    RiffReader(const void* data, size_t size);

    // Reads the chunk header at the cursor (and the form type of a RIFF or LIST chunk) and leaves the
    // cursor on the chunk's content. False when the memory ends first.
    bool descend(RiffChunk& chunk);
    // Searches forward from the cursor, within `parent`, for a chunk with the id `id`, stepping over
    // others, and leaves the cursor on its content. False when there is none.
    bool findChunk(uint32_t id, const RiffChunk& parent, RiffChunk& chunk);
    // Moves the cursor past the chunk's end and its pad byte. False when that is past the memory.
    bool ascend(const RiffChunk& chunk);
    // Copies up to `size` bytes from the cursor, whichever chunk they belong to; returns the count.
    size_t read(void* buffer, size_t size);
    // Bytes from the cursor to the end of the memory.
    uint64_t remaining() const { return size_ - cursor_; }

private:
    uint32_t wordAt(uint64_t offset) const;

    const uint8_t* data_;
    uint64_t size_;
    uint64_t cursor_ = 0;
};

}  // namespace tavelo
