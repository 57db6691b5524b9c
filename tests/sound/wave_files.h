#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

// Builders for RIFF WAVE files in memory, byte by byte as they lie in a file.

// A chunk with its header stating the content's size, and a pad byte after odd content.
std::string chunk(std::string_view id, std::string_view content);
// A chunk header that states `statedSize`, followed by `content` whatever its real size.
std::string chunkClaiming(std::string_view id, uint32_t statedSize, std::string_view content);
// A RIFF file of the form `form` holding `chunks`.
std::string riff(std::string_view form, std::string_view chunks);

// The 16 bytes of a format record without cbSize.
std::string formatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
// A format record with cbSize and its extra bytes.
std::string formatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                         std::string_view extra);
// The extensible record: cbSize 22, valid bits, channel mask and the sub-format of `subTag`.
std::string extensibleFormatRecord(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits);

// A WAVE file with one "fmt " chunk holding `format` and one "data" chunk holding `data`.
std::string waveFile(std::string_view format, std::string_view data);
// A 16-bit PCM WAVE file of interleaved samples.
std::string pcm16WaveFile(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate);

// A short, deterministic click: a decaying tone with no silent sample at its start, so a recording of
// it can be found by its first samples.
std::vector<int16_t> clickSamples(size_t frames, uint16_t channels);

std::string bytesOf(const std::vector<int16_t>& samples);
std::vector<int16_t> samplesOf(const std::vector<uint8_t>& bytes);

}  // namespace velmora::test
