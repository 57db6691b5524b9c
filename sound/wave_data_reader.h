#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/stream_reader.h"
#include "platform/wave_format.h"
#include "sound/riff_reader.h"

namespace tavelo {

// Reads a RIFF WAVE file that lies whole in memory: construction takes the format from the "fmt "
// chunk and stops on the first byte of the "data" chunk, whose bytes the reader then delivers and
// nothing else. The caller's bytes are read in place and must outlive the reader.
class WaveDataReader : public ISequentialStreamReader {
public:
    // Throws IoException when the bytes are not a WAVE file with "fmt " before "data".
    WaveDataReader(const void* data, size_t size);
    WaveDataReader(const WaveDataReader&) = delete;
    WaveDataReader& operator=(const WaveDataReader&) = delete;

    // The format record, followed in memory by its cbSize extra bytes. Judging it is left to whoever
    // plays the data.
    const platform::WaveFormat* format() const { return format_; }
    // The size of the data chunk as its header states it; reading leaves it alone.
    uint32_t dataSize() const { return dataSize_; }

protected:
    // The request, or what is left of the data chunk when that is less. Throws IoException when the
    // memory ends before the chunk's stated end.
    size_t readImpl(void* buffer, size_t size) override;
    size_t skipImpl(size_t size) override;
    // True once every byte of the data chunk has been read.
    bool isEndImpl() override;

private:
    RiffReader riff_;
    const platform::WaveFormat* format_ = nullptr;
    std::vector<uint8_t> formatBuffer_;
    RiffChunk dataChunk_;  // its size counts the data bytes not yet read
    uint32_t dataSize_ = 0;
};

// Reads the whole data chunk for a sound to keep. Throws IoException naming `methodName` on a short
// read; a data chunk that claims more bytes than the file holds fails in the reader first, before
// anything near its claimed size has been allocated.
std::vector<uint8_t> readWaveData(WaveDataReader& reader, const char* methodName);

}  // namespace tavelo
