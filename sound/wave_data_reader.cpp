#include "sound/wave_data_reader.h"

#include <algorithm>
#include <cstring>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {
namespace {

constexpr const char* invalidFormat = "Invalid file format in %s method.";

IoException invalidFile(const char* methodName) {
    return IoException(formatString(invalidFormat, methodName));
}

}  // namespace

WaveDataReader::WaveDataReader(const void* data, size_t size) : riff_(data, size) {
    constexpr const char* method = "tavelo::WaveDataReader::WaveDataReader";
    RiffChunk riff;
    if (!riff_.descend(riff) || riff.id != fourCC("RIFF") || riff.formType != fourCC("WAVE")) {
        throw invalidFile(method);
    }

    constexpr uint32_t baseFormatBytes = 16;  // the record without its cbSize
    RiffChunk formatChunk;
    if (!riff_.findChunk(fourCC("fmt "), riff, formatChunk) || formatChunk.size < baseFormatBytes) {
        throw invalidFile(method);
    }
    platform::WaveFormat record{};
    if (riff_.read(&record, baseFormatBytes) != baseFormatBytes) {
        throw invalidFile(method);
    }
    // PCM has no extra bytes whatever the chunk holds. Other tags carry cbSize and its bytes, but only
    // as far as the chunk reaches: a chunk too short for cbSize has none, one too short for its
    // bytes is broken.
    uint16_t cbSize = 0;
    if (record.formatTag != platform::waveFormatPcm && formatChunk.size >= sizeof record) {
        if (riff_.read(&cbSize, sizeof cbSize) != sizeof cbSize ||
            sizeof record + cbSize > formatChunk.size) {
            throw invalidFile(method);
        }
    }
    record.cbSize = cbSize;
    formatBuffer_.resize(sizeof record + cbSize);
    std::memcpy(formatBuffer_.data(), &record, sizeof record);
    if (riff_.read(formatBuffer_.data() + sizeof record, cbSize) != cbSize) {
        throw invalidFile(method);
    }
    format_ = reinterpret_cast<const platform::WaveFormat*>(formatBuffer_.data());

    // "data" is searched for after "fmt " only; other chunks on the way are stepped over.
    if (!riff_.ascend(formatChunk) || !riff_.findChunk(fourCC("data"), riff, dataChunk_)) {
        throw invalidFile(method);
    }
    dataSize_ = dataChunk_.size;
}

size_t WaveDataReader::readImpl(void* buffer, size_t size) {
    if (!buffer || size == 0) {
        return 0;
    }
    const size_t count = std::min<size_t>(size, dataChunk_.size);
    if (riff_.remaining() < count) {
        throw invalidFile("tavelo::WaveDataReader::readImpl");
    }
    riff_.read(buffer, count);
    dataChunk_.size -= static_cast<uint32_t>(count);
    return count;
}

size_t WaveDataReader::skipImpl(size_t size) {
    uint8_t scratch[2048];
    size_t skipped = 0;
    while (skipped < size) {
        const size_t step = std::min(sizeof scratch, size - skipped);
        const size_t count = readImpl(scratch, step);
        skipped += count;
        // A read answers short only at the end of the data.
        if (count != step) {
            break;
        }
    }
    return skipped;
}

bool WaveDataReader::isEndImpl() {
    return dataChunk_.size == 0;
}

std::vector<uint8_t> readWaveData(WaveDataReader& reader, const char* methodName) {
    // Grown by doubling from a modest first step, capped at the stated size: an honest file ends with
    // exactly its data allocated, and a lying one fails before the allocation outgrows the file.
    constexpr size_t firstStep = 64 * 1024;
    const size_t total = reader.dataSize();
    std::vector<uint8_t> data;
    while (data.size() < total) {
        const size_t offset = data.size();
        const size_t count = std::min(total, std::max(firstStep, 2 * offset)) - offset;
        data.reserve(offset + count);
        data.resize(offset + count);
        if (reader.read(data.data() + offset, count) != count) {
            throw invalidFile(methodName);
        }
    }
    return data;
}

}  // namespace tavelo
