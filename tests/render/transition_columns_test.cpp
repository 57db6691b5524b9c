#include "render/transition_columns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/seeded_random.h"

namespace tavelo {
namespace {

using velmora::test::SeededRandom;

// The masked kernel's weight of a mask byte, as its scalar form computes it.
uint32_t weightOf(const TransitionTable& table, uint8_t byte) {
    return (uint32_t{table.ramp[byte]} * 129) >> 7;
}

// From the leftmost to the rightmost column of `span` where some byte of rows [top, bottom) passes.
template <class Passes>
BandSpan modelColumns(const Image& mask, int32_t top, int32_t bottom, const BandSpan& span, Passes passes) {
    BandSpan found;
    for (int32_t x = span.x0; x < span.x1; ++x) {
        for (int32_t y = top; y < bottom; ++y) {
            if (passes(mask.row(uint32_t(y))[x])) {
                found = found.isEmpty() ? BandSpan{x, x + 1} : BandSpan{found.x0, x + 1};
                break;
            }
        }
    }
    return found;
}

bool contains(const BandSpan& outer, const BandSpan& inner) {
    return inner.isEmpty() || (outer.x0 <= inner.x0 && inner.x1 <= outer.x1);
}

// Every table the Screen makes (softness 64) and others (hard and fully soft ramps, whose values reach
// 254, the byte of weight 255), and one whose ramp rises and falls. Masks of bytes on either side of each
// threshold, spans narrower and wider than a register, at every offset.
TEST(TransitionColumnsTest, EachLayerShowsFromItsFirstToItsLastColumnWithAWeightThatLetsItShow) {
    SeededRandom random(velmora::test::testSeed());
    std::vector<TransitionTable> tables;
    for (const uint8_t softness : {0, 1, 64, 255}) {
        for (const uint8_t level : {1, 60, 128, 200, 254}) {
            tables.push_back(makeTransitionTable(level, softness));
        }
    }
    TransitionTable bumpy = makeTransitionTable(128, 64);
    bumpy.ramp[3] = 255;
    bumpy.ramp[250] = 0;
    bumpy.ramp[251] = 254;
    tables.push_back(bumpy);

    Image mask(83, 40, PixelFormat::Gray8);
    for (size_t t = 0; t < tables.size(); ++t) {
        const TransitionTable& table = tables[t];
        const bool exact = &table != &tables.back();
        const TransitionThresholds thresholds = transitionThresholds(table);
        const auto clamp = [](int32_t byte) { return uint8_t(std::clamp(byte, 0, 255)); };
        // Mostly bytes that hide one layer, rarely the first byte that shows it, or any byte.
        const uint8_t hidesOver = clamp(thresholds.overFrom - 1);
        const uint8_t showsOver = clamp(thresholds.overFrom);
        const uint8_t hidesBase = clamp(thresholds.baseTo + 1);
        const uint8_t showsBase = clamp(thresholds.baseTo);
        for (int fill = 0; fill < 3; ++fill) {
            for (uint32_t y = 0; y < mask.height; ++y) {
                for (uint32_t x = 0; x < mask.width; ++x) {
                    const bool rare = random.between(0, 60) == 0;
                    mask.row(y)[x] = fill == 0   ? (rare ? showsOver : hidesOver)
                                     : fill == 1 ? (rare ? showsBase : hidesBase)
                                                 : random.byte();
                }
            }
            for (int i = 0; i < 60; ++i) {
                const auto x0 = int32_t(random.between(0, mask.width - 1));
                const auto x1 = int32_t(random.between(x0 + 1, mask.width));
                const auto top = int32_t(random.between(0, mask.height - 1));
                const auto bottom =
                    int32_t(random.between(top + 1, std::min<int64_t>(mask.height, top + 12)));
                const BandSpan span{x0, x1};
                const TransitionColumns columns = transitionColumns(mask, top, bottom, span, thresholds);
                const BandSpan over = modelColumns(mask, top, bottom, span,
                                                   [&](uint8_t byte) { return weightOf(table, byte) > 0; });
                const BandSpan base = modelColumns(mask, top, bottom, span,
                                                   [&](uint8_t byte) { return weightOf(table, byte) < 256; });
                SCOPED_TRACE(::testing::Message() << "table " << t << ", fill " << fill << ", columns " << x0
                                                  << ".." << x1 << ", rows " << top << ".." << bottom);
                if (exact) {
                    EXPECT_EQ(columns.over, over);
                    EXPECT_EQ(columns.base, base);
                } else {
                    EXPECT_TRUE(contains(columns.over, over));
                    EXPECT_TRUE(contains(columns.base, base));
                }
                EXPECT_TRUE(contains(span, columns.over));
                EXPECT_TRUE(contains(span, columns.base));
            }
        }
    }
}

}  // namespace
}  // namespace tavelo
