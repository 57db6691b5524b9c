// The scaled routines for processors without SSSE3. The bilinear four-pixel filter widens the
// neighbours to 16-bit lanes and weights them by 16-bit multiplies (weights scaled by 4, the vertical
// stage by multiply-high), which may land one above or below the one-pixel form in rows that mix two
// source rows; the opacity of sources without alpha is one uniform interpolation weight.
#include <emmintrin.h>

#include <algorithm>
#include <cstdint>

#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/scaled_ssse3/scaled_frame.h"
#include "render/kernels/scaled_ssse3/scaled_kernel.h"

namespace tavelo::sse2 {

#include "render/kernels/fill_text_transition/isa_sse2.inc"
#include "render/kernels/fill_text_transition/kernel_template.inc"

namespace {

#include "render/kernels/scaled_ssse3/scaled_sampling.inc"

constexpr bool isMember(OpacityClass opacityClass, PixelFormat) {
    return opacityClass == OpacityClass::Opaque || opacityClass == OpacityClass::Translucent;
}

// The opacity in every 16-bit lane beside 256 minus it.
using OpacityLanes = LaneWeights;

OpacityLanes opacityLanes(const OpacityWeights& weights) {
    return uniformWeights(weights.weight);
}

template <OpacityClass Class>
[[gnu::always_inline]] inline __m128i weighByOpacity(__m128i d, __m128i t, const OpacityLanes& lanes) {
    return lerpVector(d, t, lanes);
}

// The vertical weights scaled by 4, 256 - 4 fy for the upper row and 4 fy for the lower, in every lane.
struct VerticalWeights {
    __m128i upper;
    __m128i lower;
};

[[gnu::always_inline]] inline VerticalWeights verticalWeights(uint32_t fy) {
    return {lanes16(static_cast<int>(256 - 4 * fy)), lanes16(static_cast<int>(4 * fy))};
}

// A pixel's sample and its right neighbour's, the left one in the low 32 bits.
template <PixelFormat Format>
[[gnu::always_inline]] inline __m128i loadNeighbours(const unsigned char* row, uint32_t column) {
    if constexpr (Format == PixelFormat::Rgb24) {
        // Both from one 8-byte read: bytes 0 to 3 and 3 to 6, each with a neighbour byte on top.
        const __m128i bytes = loadEightBytes(row + column * 3);
        return _mm_unpacklo_epi32(bytes, _mm_srli_epi64(bytes, 24));
    } else if constexpr (Format == PixelFormat::Argb32 || Format == PixelFormat::Xrgb32) {
        return loadEightBytes(row + column * 4);
    } else {
        const uint64_t left = samplePixel<Format>(row, column);
        const uint64_t right = samplePixel<Format>(row, column + 1);
        return _mm_cvtsi64_si128(static_cast<long long>(right << 32 | left));
    }
}

// 4 x (left x (64 - fx) + right x fx) per channel of two pixels, in eight 16-bit lanes: exact, the sum
// reaching at most 255 x 256.
[[gnu::always_inline]] inline __m128i horizontalSums(__m128i first, __m128i second, __m128i leftWeights,
                                                     __m128i rightWeights) {
    const __m128i zero = _mm_setzero_si128();
    // Both left pixels in the low half, both right ones in the high half.
    const __m128i pixels = _mm_unpacklo_epi32(first, second);
    return _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pixels, zero), leftWeights),
                         _mm_mullo_epi16(_mm_unpackhi_epi8(pixels, zero), rightWeights));
}

// The horizontal sums of four pixels of one source row: pixels 0 and 1, then 2 and 3.
struct RowSums {
    __m128i first;
    __m128i second;
};

template <PixelFormat Format>
[[gnu::always_inline]] inline RowSums rowSums(const unsigned char* row, const uint32_t* columns,
                                              const LaneWeights& weights) {
    return {horizontalSums(loadNeighbours<Format>(row, columns[0]), loadNeighbours<Format>(row, columns[1]),
                           weights.lowComplement, weights.low),
            horizontalSums(loadNeighbours<Format>(row, columns[2]), loadNeighbours<Format>(row, columns[3]),
                           weights.highComplement, weights.high)};
}

// The vertical stage: each row's sum times its weight, keeping the high halves, added.
[[gnu::always_inline]] inline __m128i mixRows(__m128i upper, __m128i lower, const VerticalWeights& vertical) {
    return _mm_add_epi16(_mm_mulhi_epu16(upper, vertical.upper), _mm_mulhi_epu16(lower, vertical.lower));
}

// Four bilinear samples, leftmost in the low lane.
template <PixelFormat Format, bool BottomRow>
[[gnu::always_inline]] inline __m128i filterFour(const unsigned char* row, const unsigned char* below,
                                                 uint32_t& posX, uint32_t stepX,
                                                 const VerticalWeights& vertical) {
    const FourPositions four = nextFourPositions(posX, stepX);
    // 4 fx per pixel, spread over its channels beside 256 - 4 fx.
    const LaneWeights weights = spreadWeights(_mm_and_si128(_mm_srli_epi32(four.positions, 8), lanes32(252)));
    const RowSums upper = rowSums<Format>(row, four.columns, weights);
    if constexpr (BottomRow) {
        return _mm_packus_epi16(_mm_srli_epi16(upper.first, 8), _mm_srli_epi16(upper.second, 8));
    } else {
        const RowSums lower = rowSums<Format>(below, four.columns, weights);
        return _mm_packus_epi16(mixRows(upper.first, lower.first, vertical),
                                mixRows(upper.second, lower.second, vertical));
    }
}

// ---- The horizontal stage kept per source row: each pixel's four 16-bit sums.

inline constexpr size_t horizontalBytes = 8;

using HorizontalWeights = LaneWeights;

[[gnu::always_inline]] inline HorizontalWeights horizontalWeights(__m128i positions) {
    return spreadWeights(_mm_and_si128(_mm_srli_epi32(positions, 8), lanes32(252)));
}

template <PixelFormat Format>
[[gnu::always_inline]] inline void filterFourInto(unsigned char* out, const unsigned char* row,
                                                  const uint32_t* columns, const HorizontalWeights& weights) {
    const RowSums sums = rowSums<Format>(row, columns, weights);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), sums.first);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), sums.second);
}

// One pixel's sums as horizontalSums gives them: 4 x (left x (64 - fx) + right x fx) per channel.
template <PixelFormat Format>
[[gnu::always_inline]] inline void filterOneInto(unsigned char* out, const unsigned char* row,
                                                 uint32_t posX) {
    const uint32_t column = posX >> 16;
    const uint32_t fx = fraction6(posX);
    const __m128i zero = _mm_setzero_si128();
    const __m128i pixels = _mm_unpacklo_epi8(loadNeighbours<Format>(row, column), zero);
    const __m128i sums =
        _mm_add_epi16(_mm_mullo_epi16(pixels, lanes16(static_cast<int>(256 - 4 * fx))),
                      _mm_mullo_epi16(_mm_srli_si128(pixels, 8), lanes16(static_cast<int>(4 * fx))));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), sums);
}

// The vertical stage of four pixels from their kept rows, as filterFour computes it.
[[gnu::always_inline]] inline __m128i mixFour(const unsigned char* upper, const unsigned char* lower,
                                              const VerticalWeights& vertical) {
    const auto at = [](const unsigned char* sums) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums));
    };
    return _mm_packus_epi16(mixRows(at(upper), at(lower), vertical),
                            mixRows(at(upper + 16), at(lower + 16), vertical));
}

[[gnu::always_inline]] inline __m128i keptFour(const unsigned char* upper) {
    const auto at = [](const unsigned char* sums) {
        return _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sums)), 8);
    };
    return _mm_packus_epi16(at(upper), at(upper + 16));
}

#include "render/kernels/scaled_ssse3/draw_scaled.inc"

}  // namespace

constinit const ScaledKernelTable scaledKernels = makeScaledKernelTable();

}  // namespace tavelo::sse2
