#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

#include "render/image.h"
#include "render/rect.h"
#include "tests/support/canary_image.h"

namespace velmora::test {

// The two forms a pixel of a kernel's row can take: scalar (the head up to a 16-byte boundary, the
// tail, and whole rows under 8 pixels) or vector (the 8-pixel body).
enum class PixelPath { Scalar, Vector };

// The form the row skeleton gives pixel `i` of a row of `count` pixels whose first pixel lies at
// `first`: decided by the real address, since the head runs to the next 16-byte boundary.
PixelPath pixelPath(const void* first, int64_t count, int64_t i);

// A plain model of the kernels' arithmetic, one channel at a time. Channel functions take and give
// bytes; pixel functions apply them to blue, green and red and leave 0 in the fourth byte.
namespace model {

uint32_t opacityWeight(uint8_t opacity);

// The blend result R of the operand s over the destination d; modes above 4 act as InverseMultiply.
uint8_t blend(uint8_t mode, uint8_t d, uint8_t s);

// The interpolation from d toward r by a (0..256) in its scalar or its SSE2 vector form.
uint8_t lerp(PixelPath path, uint8_t d, uint8_t r, uint32_t a);

// The SSSE3 pair form of the interpolation, for weights 1..255.
uint8_t lerpPairs(uint8_t d, uint8_t r, uint32_t a);

// The weight taken from a per-pixel byte: the Opaque form when `opacityWeight` is 256, else the
// Translucent form of the given path.
uint32_t byteWeight(PixelPath path, uint8_t byte, uint32_t opacityWeight);

// A source pixel as a 32-bit word, blue in the low byte, as the scalar paths read it.
uint32_t sourcePixel(tavelo::PixelFormat format, const unsigned char* at);

uint32_t blendPixel(uint8_t mode, uint32_t d, uint32_t s);
uint32_t lerpPixel(PixelPath path, uint32_t d, uint32_t r, uint32_t a);

// A uniform operand under an opacity weight: R itself at 256, else the interpolation toward R.
uint32_t composeUniform(PixelPath path, uint8_t mode, uint32_t d, uint32_t s, uint32_t opacityWeight);

// An operand weighted per pixel by `byte` (and by the opacity weight when it is below 256).
uint32_t composeWeighted(PixelPath path, uint8_t mode, uint32_t d, uint32_t s, uint8_t byte,
                         uint32_t opacityWeight);

}  // namespace model

// The destination's bounds as a Rect.
tavelo::Rect boundsOf(const tavelo::Image& image);

// Checks a routine's output in `canary` against the model: every pixel of `area` (already clipped to
// the destination) equals expected(x, y, d, path) on the bits of `compareMask`, where d is the pixel
// before the call; every other pixel equals `before`, and the canary's border is untouched.
template <class ExpectedPixel>
::testing::AssertionResult matchesModel(const CanaryImage& canary, const uint32_t* before,
                                        const tavelo::Rect& area, uint32_t compareMask,
                                        ExpectedPixel&& expected) {
    if (std::string outside = canary.intactOutside(area, before); !outside.empty()) {
        return ::testing::AssertionFailure() << outside;
    }
    const tavelo::Image& image = canary.image();
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const unsigned char* first = image.row(uint32_t(y)) + size_t(area.left) * 4;
        for (int32_t x = area.left; x < area.right; ++x) {
            const PixelPath path = pixelPath(first, area.width(), x - area.left);
            const uint32_t d = before[size_t(y) * image.width + size_t(x)];
            const uint32_t want = expected(x, y, d, path) & compareMask;
            const uint32_t got = canary.pixel(x, y) & compareMask;
            if (got != want) {
                std::ostringstream message;
                message << std::hex << "pixel (" << std::dec << x << ", " << y << ") of area {" << area.left
                        << ", " << area.top << ", " << area.right << ", " << area.bottom << "}, "
                        << (path == PixelPath::Vector ? "vector" : "scalar") << " path: before 0x" << std::hex
                        << d << ", got 0x" << got << ", model 0x" << want;
                return ::testing::AssertionFailure() << message.str();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace velmora::test
