#include "tests/support/scaled_model.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "tests/support/kernel_model.h"

namespace velmora::test {
namespace {

using tavelo::PixelFormat;
using Channels = std::array<uint32_t, 4>;  // blue, green, red, fourth

int64_t extent(int32_t a, int32_t b) {
    return std::llabs(int64_t{b} - a);
}

Channels sourcePixel(const tavelo::Image& source, uint32_t column, uint32_t row) {
    const uint32_t word =
        model::sourcePixel(source.format, source.data() + uint64_t{row} * source.stride +
                                              uint64_t{column} * tavelo::bytesPerPixel(source.format));
    return {word & 0xFF, word >> 8 & 0xFF, word >> 16 & 0xFF, word >> 24};
}

Channels mix(const Channels& a, const Channels& b, uint32_t f) {
    Channels out;
    for (int c = 0; c < 4; ++c) {
        out[c] = (a[c] * (64 - f) + b[c] * f) >> 6;
    }
    return out;
}

// The SSE2 four-pixel form of an interior row: horizontal sums scaled by 4 into 16 bits, then the
// high halves of their products with the vertical weights scaled by 4.
Channels mixSse2Four(const Channels& p0, const Channels& p1, const Channels& q0, const Channels& q1,
                     uint32_t fx, uint32_t fy) {
    Channels out;
    for (int c = 0; c < 4; ++c) {
        const uint32_t upper = p0[c] * (256 - 4 * fx) + p1[c] * 4 * fx;
        const uint32_t lower = q0[c] * (256 - 4 * fx) + q1[c] * 4 * fx;
        out[c] = ((upper * (256 - 4 * fy)) >> 16) + ((lower * 4 * fy) >> 16);
    }
    return out;
}

uint32_t pack(const Channels& c) {
    return c[0] | c[1] << 8 | c[2] << 16 | c[3] << 24;
}

// What the blend and the weighting of `call` make of the sample s over the destination pixel d.
uint32_t weigh(const ScaledCall& call, tavelo::PixelFormat format, PixelPath path, uint32_t d, uint32_t s) {
    const auto mode = static_cast<uint8_t>(call.mode);
    if (format == tavelo::PixelFormat::GrayAlpha16 || format == tavelo::PixelFormat::Argb32) {
        return model::composeWeighted(path, mode, d, s, uint8_t(s >> 24), call.weight);
    }
    const bool pairs = call.opacityClass == tavelo::OpacityClass::TranslucentEven ||
                       call.opacityClass == tavelo::OpacityClass::TranslucentOdd;
    if (!pairs || path == PixelPath::Scalar) {
        return model::composeUniform(path, mode, d, s, call.weight);
    }
    const uint32_t t = model::blendPixel(mode, d, s);
    uint32_t out = 0;
    for (unsigned shift = 0; shift < 24; shift += 8) {
        out |= uint32_t{model::lerpPairs(uint8_t(d >> shift), uint8_t(t >> shift), call.weight)} << shift;
    }
    return out;
}

// Pixels of a stretch of `count` destination pixels from `start` that take the four-pixel form.
struct VectorRange {
    uint32_t first = 0;
    uint32_t end = 0;
};

VectorRange vectorRange(const unsigned char* start, uint32_t count, uint32_t minimum, uint32_t unit) {
    const auto address = reinterpret_cast<uintptr_t>(start);
    if (count < minimum || address % 4 != 0) {
        return {};
    }
    const uint32_t head = uint32_t(16 - address % 16) % 16 / 4;
    return {head, head + (count - head) / unit * unit};
}

}  // namespace

void modelScaledDraw(KernelSet set, const ScaledCall& call, const tavelo::Image& destination,
                     const tavelo::Image& source, std::vector<uint32_t>& pixels) {
    const int64_t width = destination.width;
    const int64_t height = destination.height;
    const tavelo::Rect& area = call.area;
    if (width == 0 || height == 0 || area.left >= area.right || area.top >= area.bottom || area.right <= 0 ||
        area.left >= width || area.bottom <= 0 || area.top >= height) {
        return;
    }
    const int64_t left = std::max<int64_t>(area.left, 0);
    const int64_t top = std::max<int64_t>(area.top, 0);
    const int64_t right = std::min<int64_t>(area.right, width);
    const int64_t bottom = std::min<int64_t>(area.bottom, height);

    const tavelo::PixelFormat format = tavelo::normalizedFormat(source.format);
    const tavelo::Rect& dst = call.destinationRect;
    const tavelo::Rect& src = call.sourceRect;
    const int64_t sourceWidth = extent(src.left, src.right);
    const uint32_t stepX = uint32_t((sourceWidth << 16) / extent(dst.left, dst.right));
    const uint32_t stepY = uint32_t((extent(src.top, src.bottom) << 16) / extent(dst.top, dst.bottom));
    // A column is filtered horizontally only when the next column's sample still has a right neighbour.
    const auto offset = [&](int64_t x) { return ((x - dst.left) * stepX) >> 16; };
    int64_t edgeX = right;
    while (edgeX > left && offset(edgeX) + 1 >= sourceWidth) {
        --edgeX;
    }

    for (int64_t y = top; y < bottom; ++y) {
        const uint64_t positionY = uint64_t(y - dst.top) * stepY + (uint64_t(src.top) << 16);
        const auto sy = uint32_t(positionY >> 16);
        const uint32_t fy = (positionY >> 10) & 63;
        const bool bottomRow = sy + 1 == uint32_t(src.bottom);
        const unsigned char* rowStart =
            destination.data() + uint64_t(y) * destination.stride + uint64_t(left) * 4;
        const VectorRange vector = call.smooth == 0 ? vectorRange(rowStart, uint32_t(right - left), 8, 8)
                                                    : vectorRange(rowStart, uint32_t(edgeX - left), 4, 4);
        for (int64_t x = left; x < right; ++x) {
            const uint64_t positionX = uint64_t(x - dst.left) * stepX + (uint64_t(src.left) << 16);
            const auto sx = uint32_t(positionX >> 16);
            const uint32_t fx = (positionX >> 10) & 63;
            const auto index = uint32_t(x - left);
            const bool fourPixelForm = index >= vector.first && index < vector.end;
            Channels sample;
            if (call.smooth == 0) {
                sample = sourcePixel(source, sx, sy);
            } else if (x < edgeX) {
                const Channels p0 = sourcePixel(source, sx, sy);
                const Channels p1 = sourcePixel(source, sx + 1, sy);
                if (bottomRow) {
                    sample = mix(p0, p1, fx);
                } else {
                    const Channels q0 = sourcePixel(source, sx, sy + 1);
                    const Channels q1 = sourcePixel(source, sx + 1, sy + 1);
                    sample = set == KernelSet::Sse2 && fourPixelForm
                                 ? mixSse2Four(p0, p1, q0, q1, fx, fy)
                                 : mix(mix(p0, p1, fx), mix(q0, q1, fx), fy);
                }
            } else {
                const Channels p0 = sourcePixel(source, sx, sy);
                sample = bottomRow ? p0 : mix(p0, sourcePixel(source, sx, sy + 1), fy);
            }
            uint32_t& pixel = pixels[uint64_t(y) * destination.width + uint64_t(x)];
            pixel = weigh(call, format, fourPixelForm ? PixelPath::Vector : PixelPath::Scalar, pixel,
                          pack(sample)) &
                    0x00FFFFFF;
        }
    }
}

}  // namespace velmora::test
