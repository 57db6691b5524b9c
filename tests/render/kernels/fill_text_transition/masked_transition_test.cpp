#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>

#include "core/cpu.h"
#include "render/kernels/fill_text_transition/masked_kernels.h"
#include "render/kernels/fill_text_transition/masked_transition.h"
#include "tests/support/canary_image.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/kernel_model.h"
#include "tests/support/kernel_test.h"
#include "tests/support/seeded_random.h"

namespace velmora::test {
namespace {

using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Point;
using tavelo::Rect;
using tavelo::TransitionTable;

constexpr uint32_t colourBytes = 0x00FFFFFF;

// An image of random bytes whose last byte is the last readable one.
std::shared_ptr<Image> guardedImage(uint32_t width, uint32_t height, PixelFormat format, uint32_t stride,
                                    SeededRandom& random) {
    auto image = makeGuardedImage(width, height, format, stride, 0);
    random.fill(image->data(), size_t(stride) * height);
    return image;
}

// Ramps that exercise the ends (0 keeps the destination, 255 writes the source, 128 weighs 129).
TransitionTable randomTable(SeededRandom& random) {
    TransitionTable table;
    table.weight = uint32_t(random.between(1, 255));
    for (uint8_t& value : table.ramp) {
        const int64_t pick = random.between(0, 5);
        value = pick == 0 ? 0 : pick == 1 ? 255 : pick == 2 ? 128 : random.byte();
    }
    return table;
}

uint32_t modelPixel(PixelPath path, uint32_t d, const Image& source, int64_t sx, int64_t sy,
                    const Image& mask, int64_t mx, int64_t my, const TransitionTable& table) {
    const unsigned char* at = source.row(uint32_t(sy)) + size_t(sx) * tavelo::bytesPerPixel(source.format);
    const uint8_t ramp = table.ramp[mask.row(uint32_t(my))[mx]];
    return model::composeWeighted(path, 0, d, model::sourcePixel(source.format, at), ramp, 256);
}

class MaskedTransitionTest : public InstructionSetTest {
protected:
    static const tavelo::MaskedKernelTable& kernels() {
        return g_hasSsse3 ? tavelo::ssse3::maskedKernels : tavelo::sse2::maskedKernels;
    }

    // As the draw worker calls it: the set chosen by g_hasSsse3.
    static void blitMasked(const Image& destination, const Rect& rect, const Image& source,
                           Point sourcePosition, const Image& mask, Point maskPosition,
                           const TransitionTable& table) {
        const auto blit = g_hasSsse3 ? tavelo::blitImageMaskedSsse3 : tavelo::blitImageMaskedSse2;
        blit(destination, rect, source, sourcePosition, mask, maskPosition, table);
    }
};

INSTANTIATE_TEST_SUITE_P(BothSets, MaskedTransitionTest, bothInstructionSets(), instructionSetName);

// Every member, for every source format, on spans of 1 to 67 pixels at every destination alignment.
// Sources and masks end at a guard page, and the rows drawn include their last ones.
TEST_P(MaskedTransitionTest, KernelsMatchTheModelForEveryWidthAndAlignment) {
    SeededRandom random;
    for (uint8_t format = 0; format < 6; ++format) {
        const uint32_t bytes = tavelo::bytesPerPixel(PixelFormat(format));
        for (uint32_t width = 1; width <= 67; ++width) {
            const uint32_t slack = random.coin() ? 0 : uint32_t(random.between(1, 5));
            const auto source = guardedImage(width, 3, PixelFormat(format), width * bytes + slack, random);
            const auto mask = guardedImage(width + 1, 3, PixelFormat::Gray8, width + 1, random);
            for (uint32_t alignment = 0; alignment < 16; alignment += 4) {
                CanaryImage canary(width + 1, 3, alignment);
                scramblePixels(canary, random.engine());
                const auto before = canary.snapshot();
                const Rect rect{int32_t(random.between(0, 1)), 1, 0, 3};
                const Rect area{rect.left, rect.top, rect.left + int32_t(width), rect.bottom};
                const Point sourceAt{0, 1};
                const Point maskAt{1, 1};
                const TransitionTable table = randomTable(random);
                kernels()[tavelo::formatIndex(PixelFormat(format))](canary.image(), {}, area, *source,
                                                                    sourceAt, *mask, maskAt, table);
                ASSERT_TRUE(matchesModel(canary, before.get(), area, colourBytes,
                                         [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                                             const int64_t dx = x - area.left;
                                             const int64_t dy = y - area.top;
                                             return modelPixel(path, d, *source, dx, sourceAt.y + dy, *mask,
                                                               maskAt.x + dx, maskAt.y + dy, table);
                                         }))
                    << "format " << int(format) << ", width " << width << ", alignment " << alignment;
            }
        }
    }
}

// Masks in runs of bytes that keep the destination, that write the source, that miss either by one
// ramp step, and single mixed bytes: long stretches of a row fall at either end of the ramp, or just miss
// it by one pixel or one step.
TEST_P(MaskedTransitionTest, RunsAtTheEndsOfTheRampMatchTheModel) {
    SeededRandom random;
    for (uint8_t format = 0; format < 6; ++format) {
        const uint32_t bytes = tavelo::bytesPerPixel(PixelFormat(format));
        for (uint32_t width = 4; width <= 200; width += 7) {
            TransitionTable table = randomTable(random);
            table.ramp[0] = 0;
            table.ramp[1] = 1;
            table.ramp[128] = 128;
            table.ramp[254] = 254;
            table.ramp[255] = 255;
            const auto source = guardedImage(width, 3, PixelFormat(format), width * bytes, random);
            const auto mask = guardedImage(width, 3, PixelFormat::Gray8, width, random);
            for (uint32_t y = 0; y < 3; ++y) {
                for (uint32_t x = 0; x < width;) {
                    const uint8_t byte = std::array<uint8_t, 5>{0, 255, 1, 254, 128}[random.between(0, 4)];
                    const uint32_t run = byte == 128 ? 1 : uint32_t(random.between(1, 80));
                    for (uint32_t end = std::min(width, x + run); x < end; ++x) {
                        mask->row(y)[x] = byte;
                    }
                }
            }
            for (uint32_t alignment = 0; alignment < 16; alignment += 4) {
                CanaryImage canary(width, 3, alignment);
                scramblePixels(canary, random.engine());
                const auto before = canary.snapshot();
                const Rect area{0, 0, int32_t(width), 3};
                kernels()[tavelo::formatIndex(PixelFormat(format))](canary.image(), {}, area, *source, {0, 0},
                                                                    *mask, {0, 0}, table);
                ASSERT_TRUE(matchesModel(canary, before.get(), area, colourBytes,
                                         [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                                             return modelPixel(path, d, *source, x, y, *mask, x, y, table);
                                         }))
                    << "format " << int(format) << ", width " << width << ", alignment " << alignment;
            }
        }
    }
}

// Random rectangles and positions, partly outside the source, the mask or the destination: only the
// pixels whose source and mask pixels both exist are composed, each from its own source and mask pixel.
TEST_P(MaskedTransitionTest, DispatchMatchesTheModel) {
    SeededRandom random;
    for (int round = 0; round < 800; ++round) {
        CanaryImage canary(uint32_t(random.between(1, 50)), uint32_t(random.between(1, 8)),
                           uint32_t(random.between(0, 3)) * 4, uint32_t(random.between(0, 2)));
        scramblePixels(canary, random.engine());
        const auto before = canary.snapshot();
        const auto format = PixelFormat(random.between(0, 7));
        const auto sourceWidth = uint32_t(random.between(0, 50));
        const auto source = guardedImage(sourceWidth, uint32_t(random.between(1, 8)), format,
                                         sourceWidth * tavelo::bytesPerPixel(format), random);
        const auto maskWidth = uint32_t(random.between(1, 50));
        const auto mask =
            guardedImage(maskWidth, uint32_t(random.between(0, 9)), PixelFormat::Gray8, maskWidth, random);
        Rect rect{int32_t(random.between(-10, 40)), int32_t(random.between(-3, 8)), 0, 0};
        rect.right = rect.left + int32_t(random.between(-2, 60));
        rect.bottom = rect.top + int32_t(random.between(-1, 9));
        const Point sourceAt{int32_t(random.between(-20, 30)), int32_t(random.between(-4, 6))};
        const Point maskAt{int32_t(random.between(-20, 30)), int32_t(random.between(-4, 6))};
        TransitionTable table = randomTable(random);
        if (random.between(0, 9) == 0) {
            table.weight = 0;
        }

        blitMasked(canary.image(), rect, *source, sourceAt, *mask, maskAt, table);

        // Destination pixel (x, y) shows source pixel (x + dx, y + dy) and mask pixel (x + mx, y + my).
        const int32_t dx = sourceAt.x - rect.left;
        const int32_t dy = sourceAt.y - rect.top;
        const int32_t mx = maskAt.x - rect.left;
        const int32_t my = maskAt.y - rect.top;
        const Rect sourceArea{-dx, -dy, int32_t(source->width) - dx, int32_t(source->height) - dy};
        const Rect maskArea{-mx, -my, int32_t(mask->width) - mx, int32_t(mask->height) - my};
        Rect area = tavelo::intersectRect(tavelo::intersectRect(rect, sourceArea), maskArea);
        area = table.weight == 0 ? Rect{} : tavelo::intersectRect(area, boundsOf(canary.image()));
        ASSERT_TRUE(matchesModel(canary, before.get(), area, colourBytes,
                                 [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                                     return modelPixel(path, d, *source, x + dx, y + dy, *mask, x + mx,
                                                       y + my, table);
                                 }))
            << "round " << round << ", format " << int(format);
    }
}

// With the rectangle {0, 64, 100, 128}, source position (0, 0) and mask position (0, 64), source rows
// 0 to 63 land on rows 64 to 127 through mask rows 64 to 127; a ramp of 255 writes them exactly.
TEST_P(MaskedTransitionTest, WorkedPlacementAndFullRamp) {
    CanaryImage canary(100, 128);
    paintPixels(canary, 0);
    const auto before = canary.snapshot();
    auto source = std::make_shared<Image>(100, 64, PixelFormat::Xrgb32);
    auto mask = std::make_shared<Image>(100, 128, PixelFormat::Gray8);
    for (uint32_t y = 0; y < 128; ++y) {
        for (uint32_t x = 0; x < 100; ++x) {
            if (y < 64) {
                tavelo::storePixel(source->row(y) + x * 4, 0x5A000000 | x | y << 8 | (x ^ y) << 16);
            }
            mask->row(y)[x] = y < 64 ? 0 : 200;
        }
    }
    blitMasked(canary.image(), {0, 64, 100, 128}, *source, {0, 0}, *mask, {0, 64},
               tavelo::makeTransitionTable(255, 9));
    EXPECT_TRUE(matchesModel(canary, before.get(), {0, 64, 100, 128}, colourBytes,
                             [](int32_t x, int32_t y, uint32_t, PixelPath) {
                                 return uint32_t(x | (y - 64) << 8 | (x ^ (y - 64)) << 16);
                             }));
}

// An 800 x 600 mask over a 1366-wide band composes its first 800 columns; the rest keeps layer 0. A
// table weight of 0 draws nothing, and neither does a ramp of zeros.
TEST_P(MaskedTransitionTest, SmallMaskZeroWeightAndZeroRamp) {
    SeededRandom random;
    CanaryImage canary(1366, 11);
    scramblePixels(canary, random.engine());
    auto before = canary.snapshot();
    auto source = std::make_shared<Image>(1366, 11, PixelFormat::Argb32);
    random.fill(source->data(), size_t(source->stride) * 11);
    for (uint32_t y = 0; y < 11; ++y) {
        for (uint32_t x = 0; x < 1366; ++x) {
            source->row(y)[x * 4 + 3] = 0;  // transparent: the mask alone decides
        }
    }
    auto mask = std::make_shared<Image>(800, 600, PixelFormat::Gray8);
    random.fill(mask->data(), size_t(mask->stride) * 600);
    const TransitionTable table = tavelo::makeTransitionTable(128, 64);
    blitMasked(canary.image(), {0, 0, 1366, 11}, *source, {0, 0}, *mask, {0, 0}, table);
    EXPECT_TRUE(matchesModel(canary, before.get(), {0, 0, 800, 11}, colourBytes,
                             [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                                 return modelPixel(path, d, *source, x, y, *mask, x, y, table);
                             }));

    before = canary.snapshot();
    TransitionTable silent = tavelo::makeTransitionTable(200, 30);
    silent.weight = 0;
    blitMasked(canary.image(), {0, 0, 1366, 11}, *source, {0, 0}, *mask, {0, 0}, silent);
    const TransitionTable zeros = tavelo::makeTransitionTable(1, 100);
    blitMasked(canary.image(), {0, 0, 1366, 11}, *source, {0, 0}, *mask, {0, 0}, zeros);
    EXPECT_EQ(canary.intactOutside({}, before.get()), "");
}

TEST(TransitionTableTest, RampsOfTheWorkedLevelsAndSoftnesses) {
    // Softness 64 at level 128: 0 up to 95, then (i - 95) x 255 / 64, 255 from 159.
    const TransitionTable middle = tavelo::makeTransitionTable(128, 64);
    EXPECT_EQ(middle.weight, 129u);
    for (int i = 0; i < 256; ++i) {
        const int expected = i <= 95 ? 0 : i < 159 ? (i - 95) * 255 / 64 : 255;
        EXPECT_EQ(middle.ramp[i], expected) << "entry " << i;
    }
    EXPECT_EQ(middle.ramp[158], 251);

    // Softness 255 at level 128: i + 1 up to 253, then 255.
    const TransitionTable soft = tavelo::makeTransitionTable(128, 255);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(soft.ramp[i], i <= 253 ? i + 1 : 255) << "entry " << i;
    }

    // Softness 0 is a hard step, with no division by zero.
    const TransitionTable hard = tavelo::makeTransitionTable(128, 0);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(hard.ramp[i], i < 127 ? 0 : 255) << "entry " << i;
    }

    // Level 255 shows layer 1 everywhere, level 1 nowhere, level 0 has weight 0.
    const TransitionTable full = tavelo::makeTransitionTable(255, 64);
    const TransitionTable faint = tavelo::makeTransitionTable(1, 64);
    const TransitionTable none = tavelo::makeTransitionTable(0, 64);
    EXPECT_EQ(full.weight, 256u);
    EXPECT_EQ(faint.weight, 1u);
    EXPECT_EQ(none.weight, 0u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(full.ramp[i], 255);
        EXPECT_EQ(faint.ramp[i], 0);
        EXPECT_EQ(none.ramp[i], 0);
    }
}

}  // namespace
}  // namespace velmora::test
