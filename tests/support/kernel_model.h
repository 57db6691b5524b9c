#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

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

// The instruction set whose arithmetic a model follows where the two sets differ.
enum class KernelSet { Sse2, Ssse3 };

// An unscaled image kernel's pixel: the source pixel s (as sourcePixel reads it) over d under an
// opacity weight. Sources with alpha weight each pixel by it; the others take the blend result (Opaque)
// or interpolate toward it, with the pair form in the SSSE3 body. The copy (Normal, Opaque, Xrgb32)
// gives s with its fourth byte.
uint32_t blitPixel(KernelSet set, PixelPath path, uint8_t mode, tavelo::PixelFormat format, uint32_t d,
                   uint32_t s, uint32_t opacityWeight);

// The bits of a pixel that an unscaled image kernel defines: all four bytes for the copy, blue, green
// and red otherwise.
uint32_t blitDefinedBits(uint8_t mode, tavelo::PixelFormat format, uint32_t opacityWeight);

}  // namespace model

// The destination's bounds as a Rect.
tavelo::Rect boundsOf(const tavelo::Image& image);

// Sets every destination pixel to a random word, or to one value.
void scramblePixels(CanaryImage& canary, std::mt19937_64& engine);
void paintPixels(CanaryImage& canary, uint32_t value);

// The destination as the model expects it after one or more draws. Each draw names the area it
// writes (already clipped to the destination), the bits of those pixels that the routine defines, and
// the expected value of every pixel from its previous value and its path, which follows from the
// canary's real addresses.
class ModelImage {
public:
    ModelImage(const CanaryImage& canary, const uint32_t* before);

    template <class ExpectedPixel>
    void draw(const tavelo::Rect& area, uint32_t definedBits, ExpectedPixel&& expected) {
        const tavelo::Image& image = canary_.image();
        for (int32_t y = area.top; y < area.bottom; ++y) {
            const unsigned char* first = image.row(uint32_t(y)) + size_t(area.left) * 4;
            for (int32_t x = area.left; x < area.right; ++x) {
                const size_t index = size_t(y) * image.width + size_t(x);
                const PixelPath path = pixelPath(first, area.width(), x - area.left);
                pixels_[index] = expected(x, y, pixels_[index], path);
                defined_[index] &= definedBits;
            }
        }
    }

    // Every pixel as expected on its defined bits, and the canary's border untouched.
    ::testing::AssertionResult matches() const;

private:
    const CanaryImage& canary_;
    std::vector<uint32_t> pixels_;
    std::vector<uint32_t> defined_;
};

// One draw of a routine checked against the model: every pixel of `area` equals expected(x, y, d,
// path) on the bits of `definedBits`, where d is the pixel before the call; every other pixel equals
// `before`, and the canary's border is untouched.
template <class ExpectedPixel>
::testing::AssertionResult matchesModel(const CanaryImage& canary, const uint32_t* before,
                                        const tavelo::Rect& area, uint32_t definedBits,
                                        ExpectedPixel&& expected) {
    ModelImage model(canary, before);
    model.draw(area, definedBits, expected);
    return model.matches();
}

}  // namespace velmora::test
