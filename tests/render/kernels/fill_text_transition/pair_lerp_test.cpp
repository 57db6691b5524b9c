#include <gtest/gtest.h>
#include <tmmintrin.h>

#include "core/cpu.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "tests/support/kernel_model.h"

// The pair interpolation serves the SSSE3 image kernels; it is checked here, on its own, against the
// model for every destination byte, result byte and weight, in its vector form and in its variant that
// gives the scalar form's value.
#include "render/kernels/fill_text_transition/ssse3_begin.inc"
namespace tavelo::ssse3 {
#include "render/kernels/fill_text_transition/isa_ssse3.inc"

namespace {

template <bool ScalarValue>
void lerpSixteen(const uint8_t* d, const uint8_t* r, const OpacityWeights& weights, uint8_t* out) {
    const __m128i dBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i rBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r));
    const PairWeights pairs = loadPairs(weights);
    const __m128i result = weights.weight % 2 == 0
                               ? lerpPairs<OpacityClass::TranslucentEven, ScalarValue>(dBytes, rBytes, pairs)
                               : lerpPairs<OpacityClass::TranslucentOdd, ScalarValue>(dBytes, rBytes, pairs);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), result);
}

}  // namespace
}  // namespace tavelo::ssse3
#include "render/kernels/fill_text_transition/ssse3_end.inc"

namespace velmora::test {
namespace {

TEST(PairLerpTest, MatchesTheModelForEveryByteAndWeight) {
    if (!tavelo::cpuHasSsse3()) {
        GTEST_SKIP() << "this processor has no SSSE3";
    }
    uint8_t d[16], r[16], out[16], scalar[16];
    for (uint32_t weight = 1; weight < 256; ++weight) {
        const tavelo::OpacityWeights weights = tavelo::makeOpacityWeights(weight);
        for (uint32_t dByte = 0; dByte < 256; ++dByte) {
            for (uint32_t rStart = 0; rStart < 256; rStart += 16) {
                for (int i = 0; i < 16; ++i) {
                    d[i] = uint8_t(dByte);
                    r[i] = uint8_t(rStart + i);
                }
                tavelo::ssse3::lerpSixteen<false>(d, r, weights, out);
                tavelo::ssse3::lerpSixteen<true>(d, r, weights, scalar);
                for (int i = 0; i < 16; ++i) {
                    ASSERT_EQ(out[i], model::lerpPairs(d[i], r[i], weight))
                        << "d " << dByte << ", r " << int(r[i]) << ", weight " << weight;
                    ASSERT_EQ(scalar[i], model::lerp(PixelPath::Scalar, d[i], r[i], weight))
                        << "scalar value: d " << dByte << ", r " << int(r[i]) << ", weight " << weight;
                }
            }
        }
    }
    // The worked values: weight 129 (odd) lifts d 0 toward 127 to 64, where the scalar form gives 63.
    EXPECT_EQ(model::lerpPairs(0, 127, 129), 64);
    EXPECT_EQ(model::lerp(PixelPath::Scalar, 0, 127, 129), 63);
    EXPECT_EQ(model::lerpPairs(0, 1, 255), 1);
}

}  // namespace
}  // namespace velmora::test
