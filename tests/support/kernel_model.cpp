#include "tests/support/kernel_model.h"

#include <algorithm>
#include <sstream>

namespace velmora::test {

PixelPath pixelPath(const void* first, int64_t count, int64_t i) {
    const auto address = reinterpret_cast<uintptr_t>(first);
    // The span goes to the vector body only from 8 pixels on ((end - p) & ~3 > 28 bytes), and only when
    // its pixels are whole words that can reach a 16-byte boundary.
    if (count < 8 || address % 4 != 0) {
        return PixelPath::Scalar;
    }
    const int64_t head = int64_t((16 - address % 16) % 16) / 4;
    const int64_t body = (count - head) / 8 * 8;
    return i >= head && i < head + body ? PixelPath::Vector : PixelPath::Scalar;
}

namespace model {

uint32_t opacityWeight(uint8_t opacity) {
    return opacity * 129u / 128u;
}

uint8_t blend(uint8_t mode, uint8_t d, uint8_t s) {
    const auto multiplier = [](uint32_t x) { return x * 129 / 128; };
    switch (std::min<uint8_t>(mode, 4)) {
        case 0:
            return s;
        case 1:
            return uint8_t(std::min(d + s, 255));
        case 2:
            return uint8_t(std::max(d - s, 0));
        case 3:
            return uint8_t(d * multiplier(s) / 256);
        default:
            return uint8_t((255 - d) * multiplier(255 - s) / 256);
    }
}

uint8_t lerp(PixelPath path, uint8_t d, uint8_t r, uint32_t a) {
    if (path == PixelPath::Scalar) {
        return uint8_t((d * (256 - a) + r * a) / 256);
    }
    // Each term is a multiply-high of the byte x 256 with its weight; the sum saturates to a byte.
    return uint8_t(std::min<uint32_t>(r * 256 * a / 65536 + d * 256 * (256 - a) / 65536, 255));
}

uint8_t lerpPairs(uint8_t d, uint8_t r, uint32_t a) {
    const uint32_t x = a / 2;
    if (a % 2 == 0) {
        return uint8_t((d * (128 - x) + r * x) / 128);
    }
    return uint8_t(std::min<uint32_t>((d * (127 - x) + r * x + (d + r + 1) / 2) / 128, 255));
}

uint32_t byteWeight(PixelPath path, uint8_t byte, uint32_t opacityWeight) {
    if (opacityWeight >= 256) {
        return byte * 129u / 128u;
    }
    if (path == PixelPath::Scalar) {
        return byte * opacityWeight / 256 * 129 / 128;
    }
    return byte * opacityWeight * 258 / 65536;
}

uint32_t sourcePixel(tavelo::PixelFormat format, const unsigned char* at) {
    switch (tavelo::normalizedFormat(format)) {
        case tavelo::PixelFormat::Gray8:
            return at[0] * 0x010101u;
        case tavelo::PixelFormat::Rgb24:
            return at[0] | at[1] << 8 | at[2] << 16;
        case tavelo::PixelFormat::GrayAlpha16:
            return at[0] * 0x010101u | uint32_t(at[1]) << 24;
        default:
            return at[0] | at[1] << 8 | at[2] << 16 | uint32_t(at[3]) << 24;
    }
}

namespace {

template <class ChannelFunction>
uint32_t perChannel(uint32_t d, uint32_t s, ChannelFunction function) {
    uint32_t result = 0;
    for (unsigned shift = 0; shift < 24; shift += 8) {
        result |= uint32_t(function(uint8_t(d >> shift), uint8_t(s >> shift))) << shift;
    }
    return result;
}

}  // namespace

uint32_t blendPixel(uint8_t mode, uint32_t d, uint32_t s) {
    return perChannel(d, s, [mode](uint8_t dc, uint8_t sc) { return blend(mode, dc, sc); });
}

uint32_t lerpPixel(PixelPath path, uint32_t d, uint32_t r, uint32_t a) {
    return perChannel(d, r, [path, a](uint8_t dc, uint8_t rc) { return lerp(path, dc, rc, a); });
}

uint32_t composeUniform(PixelPath path, uint8_t mode, uint32_t d, uint32_t s, uint32_t opacityWeight) {
    const uint32_t r = blendPixel(mode, d, s);
    return opacityWeight >= 256 ? r : lerpPixel(path, d, r, opacityWeight);
}

uint32_t composeWeighted(PixelPath path, uint8_t mode, uint32_t d, uint32_t s, uint8_t byte,
                         uint32_t opacityWeight) {
    return lerpPixel(path, d, blendPixel(mode, d, s), byteWeight(path, byte, opacityWeight));
}

namespace {

bool isCopy(uint8_t mode, tavelo::PixelFormat format, uint32_t opacityWeight) {
    return mode == 0 && opacityWeight >= 256 &&
           tavelo::normalizedFormat(format) == tavelo::PixelFormat::Xrgb32;
}

}  // namespace

uint32_t blitPixel(KernelSet set, PixelPath path, uint8_t mode, tavelo::PixelFormat format, uint32_t d,
                   uint32_t s, uint32_t opacityWeight) {
    const tavelo::PixelFormat normalized = tavelo::normalizedFormat(format);
    if (normalized == tavelo::PixelFormat::GrayAlpha16 || normalized == tavelo::PixelFormat::Argb32) {
        return composeWeighted(path, mode, d, s, uint8_t(s >> 24), opacityWeight);
    }
    if (isCopy(mode, format, opacityWeight)) {
        return s;
    }
    if (set == KernelSet::Ssse3 && path == PixelPath::Vector && opacityWeight < 256) {
        return perChannel(d, blendPixel(mode, d, s), [opacityWeight](uint8_t dc, uint8_t rc) {
            return lerpPairs(dc, rc, opacityWeight);
        });
    }
    return composeUniform(path, mode, d, s, opacityWeight);
}

uint32_t blitDefinedBits(uint8_t mode, tavelo::PixelFormat format, uint32_t opacityWeight) {
    return isCopy(mode, format, opacityWeight) ? 0xFFFFFFFF : 0x00FFFFFF;
}

}  // namespace model

tavelo::Rect boundsOf(const tavelo::Image& image) {
    return {0, 0, int32_t(image.width), int32_t(image.height)};
}

void scramblePixels(CanaryImage& canary, std::mt19937_64& engine) {
    for (uint32_t y = 0; y < canary.image().height; ++y) {
        for (uint32_t x = 0; x < canary.image().width; ++x) {
            canary.setPixel(int32_t(x), int32_t(y), uint32_t(engine()));
        }
    }
}

void paintPixels(CanaryImage& canary, uint32_t value) {
    for (uint32_t y = 0; y < canary.image().height; ++y) {
        for (uint32_t x = 0; x < canary.image().width; ++x) {
            canary.setPixel(int32_t(x), int32_t(y), value);
        }
    }
}

ModelImage::ModelImage(const CanaryImage& canary, const uint32_t* before)
    : canary_(canary),
      pixels_(before, before + size_t(canary.image().width) * canary.image().height),
      defined_(pixels_.size(), 0xFFFFFFFF) {}

::testing::AssertionResult ModelImage::matches() const {
    // The border first: intactOutside with the whole destination as the written area checks only it.
    if (std::string border = canary_.intactOutside(boundsOf(canary_.image()), pixels_.data());
        !border.empty()) {
        return ::testing::AssertionFailure() << border;
    }
    const tavelo::Image& image = canary_.image();
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const size_t index = size_t(y) * image.width + x;
            const uint32_t got = canary_.pixel(int32_t(x), int32_t(y)) & defined_[index];
            const uint32_t want = pixels_[index] & defined_[index];
            if (got != want) {
                const unsigned char* first = image.row(y);
                std::ostringstream message;
                message << "pixel (" << x << ", " << y << ") at byte "
                        << (x * 4 + (uintptr_t(first) & 15)) % 16 << " of its 16: got 0x" << std::hex << got
                        << ", model 0x" << want;
                return ::testing::AssertionFailure() << message.str();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace velmora::test
