#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "render/kernels/fill_text_transition/fill_kernels.h"
#include "render/kernels/fill_text_transition/fill_rect.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "tests/support/canary_image.h"
#include "tests/support/kernel_model.h"
#include "tests/support/kernel_test.h"
#include "tests/support/seeded_random.h"

namespace velmora::test {
namespace {

using tavelo::BlendMode;
using tavelo::ClipInfo;
using tavelo::Color;
using tavelo::Rect;

constexpr uint32_t colourBytes = 0x00FFFFFF;

// Only fill<Normal, Opaque> defines the fourth byte (the colour's, 0).
uint32_t compareMask(uint8_t mode, uint32_t weight) {
    return mode == 0 && weight == 256 ? 0xFFFFFFFF : colourBytes;
}

// Runs one fill kernel on the canary's current pixels and checks the result against the model.
::testing::AssertionResult kernelMatchesModel(CanaryImage& canary, uint8_t mode, uint32_t weight,
                                              const Rect& rect, uint32_t colour) {
    const auto before = canary.snapshot();
    const tavelo::OpacityWeights weights = tavelo::makeOpacityWeights(weight);
    const auto opacityClass = tavelo::classIndex(tavelo::opacityClass(weight));
    tavelo::sse2::fillKernels[mode][opacityClass](canary.image(), weights, rect, colour);
    const Rect area = tavelo::intersectRect(rect, boundsOf(canary.image()));
    return matchesModel(canary, before.get(), area, compareMask(mode, weight),
                        [&](int32_t, int32_t, uint32_t d, PixelPath path) {
                            return model::composeUniform(path, mode, d, colour, weight);
                        })
           << " (mode " << int(mode) << ", weight " << weight << ", colour 0x" << std::hex << colour << ")";
}

std::vector<uint32_t> weightsToTry(SeededRandom& random) {
    return {1, 2, 127, 128, 129, 254, 255, uint32_t(random.between(3, 253)), 256};
}

TEST(FillKernelsTest, MatchTheModelForEveryWidthAndAlignment) {
    SeededRandom random;
    for (uint32_t width = 1; width <= 67; ++width) {
        for (uint32_t alignment = 0; alignment < 16; alignment += 4) {
            CanaryImage canary(width + 3, 2, alignment);
            const auto left = int32_t(random.between(0, 3));
            const Rect rect{left, 0, left + int32_t(width), 2};
            for (uint8_t mode = 0; mode < 5; ++mode) {
                for (uint32_t weight : weightsToTry(random)) {
                    scramblePixels(canary, random.engine());
                    ASSERT_TRUE(
                        kernelMatchesModel(canary, mode, weight, rect, uint32_t(random.between(0, 0xFFFFFF))))
                        << "width " << width << ", alignment " << alignment;
                }
            }
        }
    }
}

// Every blend result of every operand byte over every destination byte, on each channel, in the
// scalar form (rows of 7 pixels) and in the vector form (one long aligned row).
TEST(FillKernelsTest, BlendResultsMatchTheModelOnEveryByte) {
    CanaryImage scalarRows(7, 37);
    CanaryImage vectorRow(256, 1);
    for (CanaryImage* canary : {&scalarRows, &vectorRow}) {
        for (uint8_t mode = 0; mode < 5; ++mode) {
            for (uint32_t c = 0; c < 256; ++c) {
                for (uint32_t i = 0; i < canary->image().width * canary->image().height; ++i) {
                    const uint32_t d = (i & 0xFF) | ((255 - i) & 0xFF) << 8 | ((i * 7 + 3) & 0xFF) << 16;
                    canary->setPixel(int32_t(i % canary->image().width), int32_t(i / canary->image().width),
                                     d);
                }
                const uint32_t colour = c | (c ^ 0x5A) << 8 | (255 - c) << 16;
                ASSERT_TRUE(kernelMatchesModel(*canary, mode, 256, boundsOf(canary->image()), colour));
            }
        }
    }
}

// The worked values of the blend results, at a scalar pixel (0) and a body pixel (8) of a row that
// starts on a 16-byte boundary.
TEST(FillKernelsTest, WorkedBlendResults) {
    struct Case {
        uint8_t mode;
        uint32_t destination, colour, result;
    };
    const Case cases[] = {
        {1, 0x00F01080, 0x00208090, 0x00FF90FF},  // Add saturates each channel on its own
        {2, 0x00F01080, 0x00208090, 0x00D00000},  // Subtract: destination minus colour, floored
        {3, 0x00123456, 0x00FFFFFF, 0x00123456},  // Multiply by 255 keeps the destination
        {3, 0x00123456, 0x00000000, 0x00000000},  // and by 0 clears it
        {4, 0x00123456, 0x00000000, 0x00EDCBA9},  // InverseMultiply by 0 gives 255 - d
        {4, 0x00123456, 0x00FFFFFF, 0x00000000},  // by 255 gives 0
        {4, 0x00FFFFFF, 0x00123456, 0x00000000},  // and over 255 gives 0
        {9, 0x00FFFFFF, 0x00123456, 0x00000000},  // every mode byte above 4 acts as InverseMultiply
        {3, 0x00808080, 0x00404040, 0x00202020},  // grey over grey stays grey
    };
    CanaryImage canary(20, 1);
    for (const Case& c : cases) {
        paintPixels(canary, c.destination);
        const Color color{1, uint8_t(c.colour >> 16), uint8_t(c.colour >> 8), uint8_t(c.colour)};
        tavelo::fillRect(canary.image(), nullptr, BlendMode(c.mode), {0, 0, 20, 1}, color, 255);
        EXPECT_EQ(canary.pixel(0, 0) & colourBytes, c.result) << "mode " << int(c.mode) << ", scalar";
        EXPECT_EQ(canary.pixel(8, 0) & colourBytes, c.result) << "mode " << int(c.mode) << ", vector";
    }
}

// Interpolating 255 toward 255 with weight 129 (opacity 128) gives 255 in the scalar form and 254 in
// the vector body, so the values show which pixels the body took.
TEST(FillKernelsTest, RowSplitsAtSixteenByteBoundaries) {
    struct Case {
        uint32_t alignment, width;
        std::vector<int> bodyPixels;
    };
    const Case cases[] = {
        {0, 7, {}},                                                       // under 8 pixels: all scalar
        {0, 8, {0, 1, 2, 3, 4, 5, 6, 7}},                                 // one body iteration
        {4, 8, {}},                                                       // 3 head + 5 tail, no body
        {4, 10, {}},                                                      // 3 head + 7 tail
        {4, 11, {3, 4, 5, 6, 7, 8, 9, 10}},                               // 3 head + 8 body
        {0, 20, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},  // two iterations, 4 tail
    };
    for (const Case& c : cases) {
        CanaryImage canary(c.width, 1, c.alignment);
        paintPixels(canary, 0x00FFFFFF);
        tavelo::fillRect(canary.image(), nullptr, BlendMode::Normal, {0, 0, int32_t(c.width), 1},
                         {1, 255, 255, 255}, 128);
        for (uint32_t x = 0; x < c.width; ++x) {
            const bool body =
                std::find(c.bodyPixels.begin(), c.bodyPixels.end(), int(x)) != c.bodyPixels.end();
            EXPECT_EQ(canary.pixel(int32_t(x), 0) & colourBytes, body ? 0x00FEFEFEu : 0x00FFFFFFu)
                << "pixel " << x << " of " << c.width << " at alignment " << c.alignment;
        }
    }
}

TEST(FillRectTest, MovesByTheOffsetsAndClipsToTheClipRectangle) {
    CanaryImage canary(640, 64);
    auto before = canary.snapshot();
    const ClipInfo band{{0, 0, 640, 64}, 0, -64};
    tavelo::fillRect(canary.image(), &band, BlendMode::Normal, {10, 70, 20, 80}, {1, 0x12, 0x34, 0x56}, 255);
    EXPECT_TRUE(matchesModel(canary, before.get(), {10, 6, 20, 16}, 0xFFFFFFFF,
                             [](int32_t, int32_t, uint32_t, PixelPath) { return 0x00123456u; }));

    // Rectangles that only touch the clip rectangle, inverted ones, and opacity 0 draw nothing.
    before = canary.snapshot();
    tavelo::fillRect(canary.image(), &band, BlendMode::Normal, {-10, 70, 0, 80}, {1, 1, 2, 3}, 255);
    tavelo::fillRect(canary.image(), &band, BlendMode::Normal, {10, 128, 20, 140}, {1, 1, 2, 3}, 255);
    tavelo::fillRect(canary.image(), &band, BlendMode::Add, {30, 90, 20, 100}, {1, 1, 2, 3}, 255);
    tavelo::fillRect(canary.image(), nullptr, BlendMode::Add, {30, 10, 20, 20}, {1, 1, 2, 3}, 255);
    tavelo::fillRect(canary.image(), nullptr, BlendMode::Add, {10, 20, 30, 10}, {1, 1, 2, 3}, 255);
    tavelo::fillRect(canary.image(), nullptr, BlendMode::Normal, {0, 0, 640, 64}, {1, 1, 2, 3}, 0);
    EXPECT_EQ(canary.intactOutside({}, before.get()), "");

    // Without a clip, the kernel cuts the rectangle at the destination's edges.
    tavelo::fillRect(canary.image(), nullptr, BlendMode::Normal, {600, -5, 700, 3}, {0, 0x40, 1, 2}, 255);
    EXPECT_TRUE(matchesModel(canary, before.get(), {600, 0, 640, 3}, 0xFFFFFFFF,
                             [](int32_t, int32_t, uint32_t, PixelPath) { return 0x00404040u; }));
}

// Offsets that push a rectangle past the 32-bit range move it out of the clip; they never wrap it
// back in (and the sanitizer build sees no signed overflow).
TEST(FillRectTest, ExtremeCoordinatesDrawNothing) {
    CanaryImage canary(64, 8);
    const auto before = canary.snapshot();
    const ClipInfo farRight{{0, 0, 64, 8}, INT32_MAX, 0};
    const ClipInfo farUp{{0, 0, 64, 8}, 0, INT32_MIN};
    tavelo::fillRect(canary.image(), &farRight, BlendMode::Normal, {10, 0, 20, 8}, {1, 1, 2, 3}, 255);
    tavelo::fillRect(canary.image(), &farUp, BlendMode::Normal, {0, -5, 64, 8}, {1, 1, 2, 3}, 255);
    tavelo::fillRect(canary.image(), &farRight, BlendMode::Add, {INT32_MAX - 5, 0, INT32_MAX, 8},
                     {1, 1, 2, 3}, 255);
    tavelo::fillRect(canary.image(), nullptr, BlendMode::Add, {INT32_MIN, INT32_MIN, INT32_MIN + 9, 3},
                     {1, 1, 2, 3}, 255);
    EXPECT_EQ(canary.intactOutside({}, before.get()), "");
}

// A destination whose rows are off 4-byte boundaries could never reach an aligned vector store: every
// pixel takes the scalar form (a fill of white at weight 129 leaves white white only there).
TEST(FillRectTest, RowsOffFourByteBoundariesAreDrawnScalar) {
    auto block = std::shared_ptr<unsigned char>(new unsigned char[4 * 24 * 2 + 16],
                                                std::default_delete<unsigned char[]>());
    const tavelo::Image destination(24, 2, tavelo::PixelFormat::Xrgb32, 4 * 24,
                                    std::shared_ptr<unsigned char>(block, block.get() + 1));
    std::memset(destination.data(), 0xFF, 4 * 24 * 2);
    tavelo::fillRect(destination, nullptr, BlendMode::Normal, {0, 0, 24, 2}, {1, 255, 255, 255}, 128);
    for (size_t i = 0; i < 24 * 2; ++i) {
        EXPECT_EQ(tavelo::loadPixel(destination.data() + 4 * i) & colourBytes, colourBytes) << "pixel " << i;
    }
}

// Random commands, with and without a band's clip, reaching past the destination, inverted, at every
// opacity and mode byte; destination rows whose stride is no multiple of 16 bytes (as in a 1366-wide
// frame) start each row at another alignment.
TEST(FillRectTest, MatchesTheModelForRandomCommands) {
    SeededRandom random;
    const uint8_t opacities[] = {0, 1, 2, 127, 128, 129, 254, 255};
    for (int round = 0; round < 1500; ++round) {
        CanaryImage canary(uint32_t(random.between(1, 80)), uint32_t(random.between(1, 6)),
                           uint32_t(random.between(0, 3)) * 4, uint32_t(random.between(0, 3)));
        const Rect bounds = boundsOf(canary.image());
        scramblePixels(canary, random.engine());
        const auto before = canary.snapshot();

        const ClipInfo clip = randomClipInfo(random, bounds, 100, 10);
        const bool clipped = random.coin();

        Rect rect{int32_t(random.between(-110, 180)), int32_t(random.between(-15, 15)), 0, 0};
        rect.right = rect.left + int32_t(random.between(-4, 90));
        rect.bottom = rect.top + int32_t(random.between(-2, 9));
        const auto mode = uint8_t(random.coin() ? random.between(0, 5) : random.between(0, 255));
        const uint8_t opacity = random.coin() ? opacities[random.between(0, 7)] : random.byte();
        const Color color{uint8_t(random.between(0, 1)), random.byte(), random.byte(), random.byte()};

        tavelo::fillRect(canary.image(), clipped ? &clip : nullptr, BlendMode(mode), rect, color, opacity);

        Rect area = rect;
        if (clipped) {
            const Rect moved{rect.left + clip.offsetX, rect.top + clip.offsetY, rect.right + clip.offsetX,
                             rect.bottom + clip.offsetY};
            area = tavelo::intersectRect(moved, clip.clip);
        }
        area = tavelo::intersectRect(area, bounds);
        const uint32_t weight = model::opacityWeight(opacity);
        if (weight == 0) {
            area = {};
        }
        const uint32_t colour = color.isRgb != 0 ? uint32_t(color.red) << 16 | color.green << 8 | color.blue
                                                 : color.red * 0x010101u;
        ASSERT_TRUE(matchesModel(canary, before.get(), area, compareMask(std::min<uint8_t>(mode, 4), weight),
                                 [&](int32_t, int32_t, uint32_t d, PixelPath path) {
                                     return model::composeUniform(path, mode, d, colour, weight);
                                 }))
            << "mode " << int(mode) << ", opacity " << int(opacity) << (clipped ? ", clipped" : "");
    }
}

TEST(OpacityWeightsTest, WeightsAndBytePairs) {
    struct Case {
        uint8_t opacity;
        uint32_t weight;
        int8_t destinationWeight, resultWeight;
    };
    const Case cases[] = {{1, 1, 127, 0},     {2, 2, 127, 1},     {126, 126, 65, 63}, {127, 127, 64, 63},
                          {128, 129, 63, 64}, {129, 130, 63, 65}, {254, 255, 0, 127}};
    for (const Case& c : cases) {
        const uint32_t weight = tavelo::opacityWeight(c.opacity);
        EXPECT_EQ(weight, c.weight);
        const tavelo::OpacityWeights weights = tavelo::makeOpacityWeights(weight);
        EXPECT_EQ(weights.weight, c.weight);
        for (size_t i = 0; i < weights.pairs.size(); i += 2) {
            EXPECT_EQ(weights.pairs[i], c.destinationWeight) << "opacity " << int(c.opacity);
            EXPECT_EQ(weights.pairs[i + 1], c.resultWeight) << "opacity " << int(c.opacity);
        }
    }
    EXPECT_EQ(tavelo::opacityWeight(0), 0u);
    EXPECT_EQ(tavelo::opacityWeight(255), 256u);
}

}  // namespace
}  // namespace velmora::test
