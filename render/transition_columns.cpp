#include "render/transition_columns.h"

#include <emmintrin.h>

#include <algorithm>

namespace tavelo {

TransitionThresholds transitionThresholds(const TransitionTable& table) noexcept {
    TransitionThresholds thresholds;
    for (int32_t byte = 255; byte >= 0; --byte) {
        if (table.ramp[byte] != 0) {
            thresholds.overFrom = byte;
        }
    }
    for (int32_t byte = 0; byte < 256; ++byte) {
        if (table.ramp[byte] != 255) {
            thresholds.baseTo = byte;
        }
    }
    return thresholds;
}

namespace {

// One bit a column: where layer 1 can show, and where layer 0 can.
struct ColumnBits {
    uint32_t over = 0;
    uint32_t base = 0;
};

// The columns of one band's mask rows against the thresholds.
class MaskColumns {
public:
    MaskColumns(const Image& mask, int32_t top, int32_t bottom, const BandSpan& span,
                const TransitionThresholds& thresholds)
        : origin_(mask.data() + size_t(top) * mask.stride + size_t(span.x0)),
          stride_(mask.stride),
          rows_(size_t(bottom - top)),
          width_(size_t(span.x1 - span.x0)),
          overFrom_(thresholds.overFrom),
          baseTo_(thresholds.baseTo),
          overFromLanes_(_mm_set1_epi8(static_cast<char>(std::min(overFrom_, 255)))),
          baseToLanes_(_mm_set1_epi8(static_cast<char>(std::max(baseTo_, 0)))) {}

    size_t width() const noexcept { return width_; }

    // Columns [at, at + 16): the minimum and maximum of each over the rows, one register each, tested
    // against the thresholds.
    ColumnBits sixteen(size_t at) const noexcept {
        const unsigned char* column = origin_ + at;
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column));
        __m128i high = low;
        for (size_t y = 1; y < rows_; ++y) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column + y * stride_));
            low = _mm_min_epu8(low, bytes);
            high = _mm_max_epu8(high, bytes);
        }
        ColumnBits bits;
        if (overFrom_ < 256) {
            bits.over = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(high, overFromLanes_), high)));
        }
        if (baseTo_ >= 0) {
            bits.base = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(low, baseToLanes_), low)));
        }
        return bits;
    }

    // Every column of a span under 16 wide.
    ColumnBits few() const noexcept {
        ColumnBits bits;
        for (size_t x = 0; x < width_; ++x) {
            int32_t low = 255;
            int32_t high = 0;
            for (size_t y = 0; y < rows_; ++y) {
                low = std::min<int32_t>(low, origin_[y * stride_ + x]);
                high = std::max<int32_t>(high, origin_[y * stride_ + x]);
            }
            bits.over |= uint32_t(high >= overFrom_) << x;
            bits.base |= uint32_t(low <= baseTo_) << x;
        }
        return bits;
    }

private:
    const unsigned char* origin_;
    size_t stride_;
    size_t rows_;
    size_t width_;
    int32_t overFrom_;
    int32_t baseTo_;
    __m128i overFromLanes_;
    __m128i baseToLanes_;
};

// The leftmost and the rightmost set column of one layer, -1 until found.
struct Extent {
    int64_t first = -1;
    int64_t last = -1;

    BandSpan span(int32_t x0) const noexcept {
        return first < 0 ? BandSpan{} : BandSpan{int32_t(x0 + first), int32_t(x0 + last + 1)};
    }
};

int64_t lowestBit(uint32_t bits) noexcept {
    return __builtin_ctz(bits);
}

int64_t highestBit(uint32_t bits) noexcept {
    return 31 - __builtin_clz(bits);
}

}  // namespace

TransitionColumns transitionColumns(const Image& mask, int32_t top, int32_t bottom, const BandSpan& span,
                                    const TransitionThresholds& thresholds) noexcept {
    const bool findOver = thresholds.overFrom < 256;
    const bool findBase = thresholds.baseTo >= 0;
    if (span.isEmpty() || top >= bottom || (!findOver && !findBase)) {
        return {};
    }
    const MaskColumns columns(mask, top, bottom, span, thresholds);
    Extent over;
    Extent base;
    if (columns.width() < 16) {
        const ColumnBits bits = columns.few();
        if (bits.over != 0) {
            over = {lowestBit(bits.over), highestBit(bits.over)};
        }
        if (bits.base != 0) {
            base = {lowestBit(bits.base), highestBit(bits.base)};
        }
        return {over.span(span.x0), base.span(span.x0)};
    }
    // Chunks of 16 columns; the last one ends at the span's end, overlapping the one before it.
    const size_t chunks = (columns.width() + 15) / 16;
    const auto chunkAt = [&](size_t chunk) { return std::min(16 * chunk, columns.width() - 16); };
    // From the left until both layers' first columns are found (or are known to be nowhere), then from
    // the right for the last columns of the layers found, stopping at the first column at the latest.
    for (size_t chunk = 0; chunk < chunks; ++chunk) {
        const size_t at = chunkAt(chunk);
        const ColumnBits bits = columns.sixteen(at);
        if (over.first < 0 && bits.over != 0) {
            over.first = int64_t(at) + lowestBit(bits.over);
        }
        if (base.first < 0 && bits.base != 0) {
            base.first = int64_t(at) + lowestBit(bits.base);
        }
        if ((!findOver || over.first >= 0) && (!findBase || base.first >= 0)) {
            break;
        }
    }
    for (size_t chunk = chunks; chunk-- > 0;) {
        const bool overLeft = over.first >= 0 && over.last < 0;
        const bool baseLeft = base.first >= 0 && base.last < 0;
        if (!overLeft && !baseLeft) {
            break;
        }
        const size_t at = chunkAt(chunk);
        const ColumnBits bits = columns.sixteen(at);
        if (overLeft && bits.over != 0) {
            over.last = int64_t(at) + highestBit(bits.over);
        }
        if (baseLeft && bits.base != 0) {
            base.last = int64_t(at) + highestBit(bits.base);
        }
    }
    return {over.span(span.x0), base.span(span.x0)};
}

}  // namespace tavelo
