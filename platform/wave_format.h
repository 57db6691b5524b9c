#pragma once

#include <cstdint>

namespace tavelo::platform {

// The format record of a WAVE file as it lies in the file: 18 little-endian bytes without gaps,
// followed in memory by `cbSize` bytes of format-specific data.
#pragma pack(push, 1)
struct WaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18);

inline constexpr uint16_t waveFormatPcm = 1;
inline constexpr uint16_t waveFormatIeeeFloat = 3;
inline constexpr uint16_t waveFormatExtensible = 0xFFFE;

}  // namespace tavelo::platform
