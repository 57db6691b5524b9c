#include "tests/sound/wave_files.h"

#include <cmath>
#include <cstring>

namespace velmora::test {
namespace {

void append16(std::string& out, uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void append32(std::string& out, uint32_t value) {
    append16(out, static_cast<uint16_t>(value));
    append16(out, static_cast<uint16_t>(value >> 16));
}

}  // namespace

std::string chunkClaiming(std::string_view id, uint32_t statedSize, std::string_view content) {
    std::string out(id);
    append32(out, statedSize);
    out += content;
    return out;
}

std::string chunk(std::string_view id, std::string_view content) {
    std::string out = chunkClaiming(id, static_cast<uint32_t>(content.size()), content);
    if (content.size() % 2 != 0) {
        out += '\0';
    }
    return out;
}

std::string riff(std::string_view form, std::string_view chunks) {
    return chunk("RIFF", std::string(form) + std::string(chunks));
}

std::string formatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t blockAlign = static_cast<uint16_t>(channels * bits / 8);
    std::string out;
    append16(out, tag);
    append16(out, channels);
    append32(out, rate);
    append32(out, rate * blockAlign);
    append16(out, blockAlign);
    append16(out, bits);
    return out;
}

std::string formatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                         std::string_view extra) {
    std::string out = formatRecord(tag, channels, rate, bits);
    append16(out, static_cast<uint16_t>(extra.size()));
    out += extra;
    return out;
}

std::string extensibleFormatRecord(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::string extra;
    append16(extra, bits);
    append32(extra, channels == 1 ? 0x4 : 0x3);
    append16(extra, subTag);
    extra += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return formatRecord(0xFFFE, channels, rate, bits, extra);
}

std::string waveFile(std::string_view format, std::string_view data) {
    return riff("WAVE", chunk("fmt ", format) + chunk("data", data));
}

std::string pcm16WaveFile(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
    return waveFile(formatRecord(1, channels, rate, 16), bytesOf(samples));
}

std::vector<int16_t> clickSamples(size_t frames, uint16_t channels) {
    std::vector<int16_t> samples(frames * channels);
    for (size_t frame = 0; frame < frames; ++frame) {
        const double t = static_cast<double>(frame);
        const double envelope = std::exp(-t / (static_cast<double>(frames) / 5.0));
        for (uint16_t channel = 0; channel < channels; ++channel) {
            // Offset from zero so that no sample at the start is silent; each channel its own pitch.
            const double tone = std::sin(0.05 * (channel + 1) * t + 0.6);
            samples[frame * channels + channel] =
                static_cast<int16_t>(std::lround(20000.0 * envelope * tone));
        }
    }
    return samples;
}

std::string bytesOf(const std::vector<int16_t>& samples) {
    std::string out(samples.size() * 2, '\0');
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
}

std::vector<int16_t> samplesOf(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

}  // namespace velmora::test
