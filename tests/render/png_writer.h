#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// A PNG image as the file stores it: samples packed MSB first, 16-bit samples big-endian.
struct PngImage {
    // The file's colour types.
    enum ColorType : int { Gray = 0, Rgb = 2, Palette = 3, GrayAlpha = 4, RgbAlpha = 6 };

    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 8;
    ColorType colorType = Gray;
    bool interlaced = false;
    std::vector<uint8_t> rows;  // height rows of rowBytes() bytes
    std::vector<std::array<uint8_t, 3>> palette;
    std::vector<uint8_t> paletteAlpha;                        // tRNS of a palette image
    std::optional<std::array<uint16_t, 3>> transparentColor;  // tRNS of grey (first value) or RGB

    int channels() const;
    size_t rowBytes() const;
    uint32_t sample(uint32_t x, uint32_t y, int channel) const;
    void setSample(uint32_t x, uint32_t y, int channel, uint32_t value);
};

// Encodes the image with libpng's writer; throws std::runtime_error when libpng refuses it.
std::string encodePng(const PngImage& image);

// Images of every colour type and bit depth the loader takes, with random samples, sizes up to
// `largestSide` (interlaced ones 8 more, so that every pass has pixels) and transparency chunks that
// some pixels match.
std::vector<PngImage> samplePngImages(uint64_t seed, uint32_t largestSide);

}  // namespace velmora::test
