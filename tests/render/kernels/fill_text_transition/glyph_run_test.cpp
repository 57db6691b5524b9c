#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "core/cpu.h"
#include "render/glyph_data.h"
#include "render/kernels/fill_text_transition/glyph_kernels.h"
#include "render/kernels/fill_text_transition/glyph_run.h"
#include "tests/support/canary_image.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/kernel_model.h"
#include "tests/support/kernel_test.h"
#include "tests/support/seeded_random.h"

namespace velmora::test {
namespace {

using tavelo::BlendMode;
using tavelo::ClipInfo;
using tavelo::Color;
using tavelo::GlyphData;
using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Point;
using tavelo::Rect;

constexpr uint32_t colourBytes = 0x00FFFFFF;

// A bitmap whose last byte is the last readable one: any read past it faults.
std::shared_ptr<Image> guardedBitmap(uint32_t width, uint32_t height, uint32_t stride, SeededRandom& random) {
    auto bitmap = makeGuardedImage(width, height, PixelFormat::Gray8, stride, 0);
    for (size_t i = 0; i < size_t(stride) * height; ++i) {
        bitmap->data()[i] = edgeByte(random);
    }
    return bitmap;
}

uint8_t coverageAt(const Image& bitmap, int64_t x, int64_t y) {
    return bitmap.row(uint32_t(y))[x];
}

uint32_t packed(const Color& color) {
    return color.isRgb != 0 ? uint32_t(color.red) << 16 | color.green << 8 | color.blue
                            : color.red * 0x010101u;
}

// Runs every test once per instruction set, choosing the set as the renderer does: by g_hasSsse3.
class GlyphRunTest : public InstructionSetTest {
protected:
    static const tavelo::GlyphKernelTable& kernels() {
        return g_hasSsse3 ? tavelo::ssse3::glyphKernels : tavelo::sse2::glyphKernels;
    }

    static void drawRun(const Image& destination, const ClipInfo* clip, BlendMode mode, Point origin,
                        const std::vector<GlyphData>& glyphs, const Color& color, uint8_t opacity) {
        const auto run = g_hasSsse3 ? tavelo::drawGlyphRunSsse3 : tavelo::drawGlyphRunSse2;
        run(destination, clip, mode, origin, glyphs.data(), glyphs.size(), color, opacity);
    }
};

INSTANTIATE_TEST_SUITE_P(BothSets, GlyphRunTest, bothInstructionSets(), instructionSetName);

// Every kernel, on spans of 1 to 67 pixels at every destination alignment, with coverage that ends at a
// guard page.
TEST_P(GlyphRunTest, KernelsMatchTheModelForEveryWidthAndAlignment) {
    SeededRandom random;
    const uint32_t weights[] = {1, 2, 127, 128, 129, 254, 255, uint32_t(random.between(3, 253)), 256};
    for (uint32_t width = 1; width <= 67; ++width) {
        const uint32_t stride = width + uint32_t(random.between(0, 5));
        const auto bitmap = guardedBitmap(width, 3, stride, random);
        for (uint32_t alignment = 0; alignment < 16; alignment += 4) {
            CanaryImage canary(width + 2, 3, alignment);
            const auto left = int32_t(random.between(0, 2));
            const auto top = int32_t(random.between(0, 1));
            const Rect rect{left, top, left + int32_t(width), top + 2};
            const Point position{0, int32_t(random.between(0, 1))};
            for (uint8_t mode = 0; mode < 5; ++mode) {
                for (uint32_t weight : weights) {
                    scramblePixels(canary, random.engine());
                    const auto before = canary.snapshot();
                    const auto colour = uint32_t(random.between(0, 0xFFFFFF));
                    const auto opacityClass = tavelo::classIndex(tavelo::opacityClass(weight));
                    kernels()[mode][opacityClass](canary.image(), tavelo::makeOpacityWeights(weight), rect,
                                                  *bitmap, position, colour);
                    ASSERT_TRUE(matchesModel(
                        canary, before.get(), rect, colourBytes,
                        [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                            const uint8_t a =
                                coverageAt(*bitmap, position.x + x - rect.left, position.y + y - rect.top);
                            return model::composeWeighted(path, mode, d, colour, a, weight);
                        }))
                        << "width " << width << ", alignment " << alignment << ", mode " << int(mode)
                        << ", weight " << weight;
                }
            }
        }
    }
}

// Bitmaps whose last row ends at a guard page, drawn whole so that a vector group ends on their very
// last byte: nothing past it may be read.
TEST_P(GlyphRunTest, CoverageIsNotReadPastItsLastByte) {
    SeededRandom random;
    for (uint32_t width = 8; width <= 40; ++width) {
        for (uint32_t alignment = 0; alignment < 16; alignment += 4) {
            const auto bitmap = guardedBitmap(width, 2, width, random);
            CanaryImage canary(width, 2, alignment);
            scramblePixels(canary, random.engine());
            const auto before = canary.snapshot();
            drawRun(canary.image(), nullptr, BlendMode::Add, {0, 0}, {{0, 0, 0, 0, bitmap}}, {1, 9, 8, 7},
                    200);
            ASSERT_TRUE(matchesModel(canary, before.get(), boundsOf(canary.image()), colourBytes,
                                     [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                                         return model::composeWeighted(path, 1, d, 0x090807,
                                                                       coverageAt(*bitmap, x, y), 201);
                                     }));
        }
    }
}

// Random runs: glyphs with and without ink, clipped by a band or not (reaching past every edge of the
// destination), in every mode byte and at every opacity.
TEST_P(GlyphRunTest, RunsMatchTheModel) {
    SeededRandom random;
    const uint8_t opacities[] = {0, 1, 2, 127, 128, 129, 254, 255};
    for (int round = 0; round < 600; ++round) {
        CanaryImage canary(uint32_t(random.between(1, 70)), uint32_t(random.between(1, 12)),
                           uint32_t(random.between(0, 3)) * 4, uint32_t(random.between(0, 2)));
        const Rect bounds = boundsOf(canary.image());
        scramblePixels(canary, random.engine());
        const auto before = canary.snapshot();

        std::vector<GlyphData> glyphs(size_t(random.between(0, 5)));
        for (GlyphData& glyph : glyphs) {
            glyph.offsetX = int32_t(random.between(-4, 6));
            glyph.offsetY = int32_t(random.between(-10, 2));
            glyph.advanceX = int32_t(random.between(-3, 16));
            glyph.advanceY = int32_t(random.between(-1, 2));
            if (random.between(0, 5) != 0) {
                const auto width = uint32_t(random.between(1, 24));
                glyph.bitmap = guardedBitmap(width, uint32_t(random.between(1, 9)),
                                             width + uint32_t(random.between(0, 3)), random);
            } else if (random.coin()) {
                glyph.bitmap = std::make_shared<Image>(0, 0, PixelFormat::Gray8);
            }
        }
        const ClipInfo clip = randomClipInfo(random, bounds, 30, 8);
        const bool clipped = random.coin();
        const Point origin{int32_t(random.between(-20, 80)), int32_t(random.between(-4, 16))};
        const auto mode = uint8_t(random.coin() ? random.between(0, 5) : random.between(0, 255));
        const uint8_t opacity = random.coin() ? opacities[random.between(0, 7)] : random.byte();
        const Color color{uint8_t(random.between(0, 1)), random.byte(), random.byte(), random.byte()};

        drawRun(canary.image(), clipped ? &clip : nullptr, BlendMode(mode), origin, glyphs, color, opacity);

        ModelImage expected(canary, before.get());
        const uint32_t weight = model::opacityWeight(opacity);
        int64_t penX = origin.x;
        int64_t penY = origin.y;
        for (const GlyphData& glyph : glyphs) {
            int64_t left = penX + glyph.offsetX;
            int64_t top = penY + glyph.offsetY;
            penX += glyph.advanceX;
            penY += glyph.advanceY;
            if (!glyph.bitmap || weight == 0) {
                continue;
            }
            if (clipped) {
                left += clip.offsetX;
                top += clip.offsetY;
            }
            const Rect placed{int32_t(left), int32_t(top), int32_t(left + glyph.bitmap->width),
                              int32_t(top + glyph.bitmap->height)};
            const Rect visible =
                tavelo::intersectRect(clipped ? tavelo::intersectRect(placed, clip.clip) : placed, bounds);
            expected.draw(visible, colourBytes, [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                const uint8_t a = coverageAt(*glyph.bitmap, x - placed.left, y - placed.top);
                return model::composeWeighted(path, mode, d, packed(color), a, weight);
            });
        }
        ASSERT_TRUE(expected.matches()) << glyphs.size() << " glyphs, mode " << int(mode) << ", opacity "
                                        << int(opacity) << (clipped ? ", clipped" : "");
    }
}

// Pen (10, 20), a glyph with offsets (1, -6), advances (6, 0) and a 5 x 7 bitmap, clipped by
// {12, 0, 100, 100}: drawn into {12, 14, 16, 21} from bitmap column 1; the pen moves to (16, 20).
TEST_P(GlyphRunTest, WorkedPlacement) {
    CanaryImage canary(40, 30);
    paintPixels(canary, 0);
    const auto before = canary.snapshot();
    auto first = std::make_shared<Image>(5, 7, PixelFormat::Gray8);
    for (uint32_t y = 0; y < 7; ++y) {
        for (uint32_t x = 0; x < 5; ++x) {
            first->row(y)[x] = x == 1 ? 255 : 0;
        }
    }
    auto dot = std::make_shared<Image>(1, 1, PixelFormat::Gray8);
    dot->row(0)[0] = 255;
    const std::vector<GlyphData> glyphs{{1, -6, 6, 0, first}, {0, -1, 1, 0, dot}};
    const ClipInfo clip{{12, 0, 100, 100}, 0, 0};
    drawRun(canary.image(), &clip, BlendMode::Normal, {10, 20}, glyphs, {1, 0xFF, 0, 0}, 255);

    ModelImage expected(canary, before.get());
    expected.draw({12, 14, 16, 21}, colourBytes,
                  [](int32_t x, int32_t, uint32_t, PixelPath) { return x == 12 ? 0x00FF0000u : 0u; });
    expected.draw({16, 19, 17, 20}, colourBytes,
                  [](int32_t, int32_t, uint32_t, PixelPath) { return 0x00FF0000u; });
    EXPECT_TRUE(expected.matches());
}

// Coverage 1 at opacity 254 (weight 255) gives the weight 0 in the scalar form and 1 in the vector
// body: a black colour leaves white scalar pixels white and darkens body pixels by one.
TEST_P(GlyphRunTest, TranslucentCoverageWeightRoundsUpInTheBody) {
    CanaryImage canary(20, 1);
    paintPixels(canary, 0x00FFFFFF);
    auto faint = std::make_shared<Image>(20, 1, PixelFormat::Gray8);
    std::fill(faint->row(0), faint->row(0) + 20, 1);
    drawRun(canary.image(), nullptr, BlendMode::Normal, {0, 0}, {{0, 0, 0, 0, faint}}, {1, 0, 0, 0}, 254);
    for (int32_t x = 0; x < 20; ++x) {
        EXPECT_EQ(canary.pixel(x, 0) & colourBytes, x < 16 ? 0x00FEFEFEu : 0x00FFFFFFu) << "pixel " << x;
    }
}

// A pen pushed past the 32-bit range by advances and offsets leaves the glyphs outside; nothing wraps
// back into the destination (and the sanitizer build sees no signed overflow).
TEST_P(GlyphRunTest, ExtremePenPositionsDrawNothing) {
    CanaryImage canary(32, 8);
    const auto before = canary.snapshot();
    auto ink = std::make_shared<Image>(4, 4, PixelFormat::Gray8);
    std::fill(ink->data(), ink->data() + 16, 255);
    const std::vector<GlyphData> glyphs{
        {0, 0, INT32_MAX, 0, ink}, {INT32_MAX, 0, INT32_MAX, INT32_MIN, ink}, {0, INT32_MIN, 0, 0, ink}};
    const ClipInfo band{{0, 0, 32, 8}, INT32_MAX, INT32_MIN};
    drawRun(canary.image(), nullptr, BlendMode::Normal, {INT32_MAX - 2, 0}, glyphs, {1, 1, 2, 3}, 255);
    drawRun(canary.image(), &band, BlendMode::Normal, {0, 0}, glyphs, {1, 1, 2, 3}, 255);
    EXPECT_EQ(canary.intactOutside({}, before.get()), "");
}

// The two sets differ only in how they load coverage: every byte they write is the same.
TEST(GlyphRunSetsTest, WriteIdenticalPixels) {
    if (!tavelo::cpuHasSsse3()) {
        GTEST_SKIP() << "this processor has no SSSE3";
    }
    SeededRandom random;
    for (int round = 0; round < 300; ++round) {
        const auto width = uint32_t(random.between(1, 60));
        const auto height = uint32_t(random.between(1, 6));
        const auto alignment = uint32_t(random.between(0, 3)) * 4;
        CanaryImage sse2(width, height, alignment);
        CanaryImage ssse3(width, height, alignment);
        scramblePixels(sse2, random.engine());
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                ssse3.setPixel(int32_t(x), int32_t(y), sse2.pixel(int32_t(x), int32_t(y)));
            }
        }
        std::vector<GlyphData> glyphs(size_t(random.between(1, 3)));
        for (GlyphData& glyph : glyphs) {
            glyph = {
                int32_t(random.between(-2, 4)), int32_t(random.between(-6, 0)),
                int32_t(random.between(0, 20)), 0,
                guardedBitmap(uint32_t(random.between(1, 40)), uint32_t(random.between(1, 6)), 40, random)};
        }
        const Point origin{int32_t(random.between(0, 20)), int32_t(random.between(0, 6))};
        const auto mode = BlendMode(random.between(0, 6));
        const Color color{1, random.byte(), random.byte(), random.byte()};
        const uint8_t opacity = random.coin() ? 255 : random.byte();
        tavelo::drawGlyphRunSse2(sse2.image(), nullptr, mode, origin, glyphs.data(), glyphs.size(), color,
                                 opacity);
        tavelo::drawGlyphRunSsse3(ssse3.image(), nullptr, mode, origin, glyphs.data(), glyphs.size(), color,
                                  opacity);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                ASSERT_EQ(sse2.pixel(int32_t(x), int32_t(y)), ssse3.pixel(int32_t(x), int32_t(y)))
                    << "pixel (" << x << ", " << y << "), round " << round;
            }
        }
    }
}

}  // namespace
}  // namespace velmora::test
