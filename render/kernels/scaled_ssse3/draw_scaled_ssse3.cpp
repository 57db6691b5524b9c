// The scaled routines for processors with SSSE3: byte shuffles pair each bilinear sample with its
// neighbours and byte multiply-adds filter them; the opacity of sources without alpha is applied by
// the byte-pair interpolation of the TranslucentEven and TranslucentOdd classes.
#include <emmintrin.h>
#include <tmmintrin.h>

#include <algorithm>
#include <cstdint>

#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/scaled_ssse3/scaled_frame.h"
#include "render/kernels/scaled_ssse3/scaled_kernel.h"

#include "render/kernels/fill_text_transition/ssse3_begin.inc"

namespace tavelo::ssse3 {

#include "render/kernels/fill_text_transition/isa_ssse3.inc"
#include "render/kernels/fill_text_transition/kernel_template.inc"

namespace {

#include "render/kernels/scaled_ssse3/scaled_sampling.inc"

constexpr bool isMember(OpacityClass opacityClass, PixelFormat format) {
    switch (opacityClass) {
        case OpacityClass::Opaque:
            return true;
        case OpacityClass::Translucent:
            return carriesAlpha(format);
        default:
            return !carriesAlpha(format);
    }
}

// The eight byte pairs of the weights.
using OpacityLanes = PairWeights;

OpacityLanes opacityLanes(const OpacityWeights& weights) {
    return loadPairs(weights);
}

template <OpacityClass Class>
[[gnu::always_inline]] inline __m128i weighByOpacity(__m128i d, __m128i t, const OpacityLanes& pairs) {
    return lerpPairs<Class>(d, t, pairs);
}

// Eight byte pairs (64 - fy, fy): the weights of the upper and the lower filtered row.
using VerticalWeights = __m128i;

[[gnu::always_inline]] inline VerticalWeights verticalWeights(uint32_t fy) {
    return lanes16(static_cast<int>(fy << 8 | (64 - fy)));
}

// Eight bytes from source column `column` on, holding that pixel and its right neighbour. GrayAlpha16
// has no shuffle that widens it, so its two samples are widened in registers first.
template <PixelFormat Format>
[[gnu::always_inline]] inline __m128i loadNeighbours(const unsigned char* row, uint32_t column) {
    if constexpr (Format == PixelFormat::GrayAlpha16) {
        const uint64_t left = samplePixel<Format>(row, column);
        const uint64_t right = samplePixel<Format>(row, column + 1);
        return _mm_cvtsi64_si128(static_cast<long long>(right << 32 | left));
    } else {
        return loadEightBytes(row + column * SourcePixels<Format>::bytesPerPixel);
    }
}

// Shuffles two pixels' neighbour bytes (eight each) into (left, right) byte pairs per channel: blue,
// green, red, fourth. Gray8 and Rgb24 are widened on the way, their fourth channel zero.
template <PixelFormat Format>
[[gnu::always_inline]] inline __m128i neighbourPairs() {
    if constexpr (Format == PixelFormat::Gray8) {
        return _mm_setr_epi8(0, 1, 0, 1, 0, 1, cleared, cleared, 8, 9, 8, 9, 8, 9, cleared, cleared);
    } else if constexpr (Format == PixelFormat::Rgb24) {
        return _mm_setr_epi8(0, 3, 1, 4, 2, 5, cleared, cleared, 8, 11, 9, 12, 10, 13, cleared, cleared);
    } else {
        return _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    }
}

// The horizontal stage for four pixels of one source row, packed to bytes:
// (left x (64 - fx) + right x fx) >> 6 per channel, the one-pixel form's value exactly.
template <PixelFormat Format>
[[gnu::always_inline]] inline __m128i filterRowFour(const unsigned char* row, const uint32_t* columns,
                                                    __m128i weights01, __m128i weights23) {
    const __m128i pairs = neighbourPairs<Format>();
    const __m128i pixels01 = _mm_shuffle_epi8(
        _mm_unpacklo_epi64(loadNeighbours<Format>(row, columns[0]), loadNeighbours<Format>(row, columns[1])),
        pairs);
    const __m128i pixels23 = _mm_shuffle_epi8(
        _mm_unpacklo_epi64(loadNeighbours<Format>(row, columns[2]), loadNeighbours<Format>(row, columns[3])),
        pairs);
    return _mm_packus_epi16(_mm_srli_epi16(_mm_maddubs_epi16(pixels01, weights01), 6),
                            _mm_srli_epi16(_mm_maddubs_epi16(pixels23, weights23), 6));
}

// Four bilinear samples, leftmost in the low lane. Each stage truncates where the one-pixel form does,
// so both forms give the same bytes.
template <PixelFormat Format, bool BottomRow>
[[gnu::always_inline]] inline __m128i filterFour(const unsigned char* row, const unsigned char* below,
                                                 uint32_t& posX, uint32_t stepX,
                                                 const VerticalWeights& vertical) {
    const FourPositions four = nextFourPositions(posX, stepX);
    // Each pixel's byte pair (64 - fx, fx) as one 16-bit value, fx x 255 + 64, spread over its channels.
    const __m128i fx = _mm_and_si128(_mm_srli_epi32(four.positions, 10), lanes32(63));
    const __m128i pairWeights = _mm_add_epi32(_mm_sub_epi32(_mm_slli_epi32(fx, 8), fx), lanes32(64));
    const __m128i weights01 =
        _mm_shuffle_epi8(pairWeights, _mm_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5));
    const __m128i weights23 =
        _mm_shuffle_epi8(pairWeights, _mm_setr_epi8(8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13));
    const __m128i upper = filterRowFour<Format>(row, four.columns, weights01, weights23);
    if constexpr (BottomRow) {
        return upper;
    } else {
        const __m128i lower = filterRowFour<Format>(below, four.columns, weights01, weights23);
        const __m128i low = _mm_srli_epi16(_mm_maddubs_epi16(_mm_unpacklo_epi8(upper, lower), vertical), 6);
        const __m128i high = _mm_srli_epi16(_mm_maddubs_epi16(_mm_unpackhi_epi8(upper, lower), vertical), 6);
        return _mm_packus_epi16(low, high);
    }
}

// ---- The horizontal stage kept per source row: each pixel's filtered bytes.

inline constexpr size_t horizontalBytes = 4;

// The byte pairs (64 - fx, fx) of four pixels, spread over their channels: pixels 0 and 1, 2 and 3.
struct HorizontalWeights {
    __m128i pixels01;
    __m128i pixels23;
};

[[gnu::always_inline]] inline HorizontalWeights horizontalWeights(__m128i positions) {
    const __m128i fx = _mm_and_si128(_mm_srli_epi32(positions, 10), lanes32(63));
    const __m128i pairWeights = _mm_add_epi32(_mm_sub_epi32(_mm_slli_epi32(fx, 8), fx), lanes32(64));
    return {
        _mm_shuffle_epi8(pairWeights, _mm_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5)),
        _mm_shuffle_epi8(pairWeights, _mm_setr_epi8(8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13))};
}

template <PixelFormat Format>
[[gnu::always_inline]] inline void filterFourInto(unsigned char* out, const unsigned char* row,
                                                  const uint32_t* columns, const HorizontalWeights& weights) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     filterRowFour<Format>(row, columns, weights.pixels01, weights.pixels23));
}

template <PixelFormat Format>
[[gnu::always_inline]] inline void filterOneInto(unsigned char* out, const unsigned char* row,
                                                 uint32_t posX) {
    storePixel(out, filterOne<Format, true>(row, nullptr, posX, 0));
}

// The vertical stage of four pixels from their kept rows, as filterFour computes it.
[[gnu::always_inline]] inline __m128i mixFour(const unsigned char* upper, const unsigned char* lower,
                                              const VerticalWeights& vertical) {
    const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper));
    const __m128i down = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower));
    const __m128i low = _mm_srli_epi16(_mm_maddubs_epi16(_mm_unpacklo_epi8(up, down), vertical), 6);
    const __m128i high = _mm_srli_epi16(_mm_maddubs_epi16(_mm_unpackhi_epi8(up, down), vertical), 6);
    return _mm_packus_epi16(low, high);
}

[[gnu::always_inline]] inline __m128i keptFour(const unsigned char* upper) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper));
}

#include "render/kernels/scaled_ssse3/draw_scaled.inc"

}  // namespace

constinit const ScaledKernelTable scaledKernels = makeScaledKernelTable();

}  // namespace tavelo::ssse3

#include "render/kernels/fill_text_transition/ssse3_end.inc"
