// Worked examples of scaled drawing, pinned by hand from the sampling and filtering rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "render/kernels/scaled_ssse3/scaled_kernel.h"
#include "tests/support/canary_image.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/kernel_test.h"

namespace velmora::test {
namespace {

using tavelo::BlendMode;
using tavelo::Image;
using tavelo::OpacityClass;
using tavelo::PixelFormat;
using tavelo::Rect;

// The examples hold in both sets: they fall where the two compute alike.
class ScaledExamplesTest : public InstructionSetTest {
protected:
    // Draws `source` (its bytes given row by row, rows packed) with the scaled copy of its format into
    // a fresh width x height destination and returns the destination's colours.
    std::vector<uint32_t> draw(PixelFormat format, uint32_t sourceWidth, uint32_t sourceHeight,
                               const std::vector<uint8_t>& bytes, const Rect& sourceRect,
                               const Rect& destinationRect, const Rect& area, uint32_t width, uint32_t height,
                               uint8_t smooth = 0, uint32_t alignment = 0, uint32_t background = 0x3C3C3C3C) {
        const uint32_t stride = sourceWidth * tavelo::bytesPerPixel(format);
        auto source = makeGuardedImage(sourceWidth, sourceHeight, format, stride, Image::spareBytes);
        std::memcpy(source->data(), bytes.data(), bytes.size());
        CanaryImage destination(width, height, alignment);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                destination.setPixel(int32_t(x), int32_t(y), background);
            }
        }
        const auto before = destination.snapshot();
        const auto& kernels = GetParam() ? tavelo::ssse3::scaledKernels : tavelo::sse2::scaledKernels;
        kernels[0][0][size_t(format)](destination.image(), tavelo::makeOpacityWeights(256), area, *source,
                                      destinationRect, sourceRect, smooth);
        const Rect written = tavelo::intersectRect(area, {0, 0, int32_t(width), int32_t(height)});
        EXPECT_EQ(destination.intactOutside(written, before.get()), "");
        std::vector<uint32_t> colours;
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                colours.push_back(destination.pixel(int32_t(x), int32_t(y)) & 0xFFFFFF);
            }
        }
        return colours;
    }

    // The source columns that a one-row nearest draw of `sourceWidth` columns from `sourceLeft` onto
    // `destinationWidth` columns samples: each Xrgb32 source pixel carries its column in blue.
    std::vector<uint32_t> sampledColumns(uint32_t sourceLeft, uint32_t sourceWidth,
                                         uint32_t destinationWidth) {
        const uint32_t imageWidth = sourceLeft + sourceWidth;
        std::vector<uint8_t> bytes(size_t{imageWidth} * 4);
        for (uint32_t x = 0; x < imageWidth; ++x) {
            bytes[size_t{x} * 4] = uint8_t(x);
        }
        const Rect rect{0, 0, int32_t(destinationWidth), 1};
        auto colours =
            draw(PixelFormat::Xrgb32, imageWidth, 1, bytes, {int32_t(sourceLeft), 0, int32_t(imageWidth), 1},
                 rect, rect, destinationWidth, 1);
        return colours;
    }

    static std::vector<uint32_t> greys(std::initializer_list<uint32_t> levels) {
        std::vector<uint32_t> colours;
        for (uint32_t level : levels) {
            colours.push_back(level * 0x010101);
        }
        return colours;
    }
};

TEST_P(ScaledExamplesTest, NearestColumnsFollowTheTruncatedStep) {
    EXPECT_EQ(sampledColumns(0, 2, 4), (std::vector<uint32_t>{0, 0, 1, 1}));
    EXPECT_EQ(sampledColumns(0, 4, 2), (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(sampledColumns(0, 3, 2), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(sampledColumns(0, 5, 3), (std::vector<uint32_t>{0, 1, 3}));
    EXPECT_EQ(sampledColumns(0, 1, 3), (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_EQ(sampledColumns(10, 4, 8), (std::vector<uint32_t>{10, 10, 11, 11, 12, 12, 13, 13}));
    const auto wide = sampledColumns(0, 100, 300);
    EXPECT_EQ(std::vector<uint32_t>(wide.end() - 3, wide.end()), (std::vector<uint32_t>{98, 99, 99}));
}

TEST_P(ScaledExamplesTest, ClippingNeverShiftsThePicture) {
    // The right half of a 2-wide source drawn 4 wide from x = -2: columns 0 and 1 show source column 1.
    const std::vector<uint8_t> twoPixels = {10, 0, 0, 0, 20, 0, 0, 0};
    EXPECT_EQ(draw(PixelFormat::Xrgb32, 2, 1, twoPixels, {0, 0, 2, 1}, {-2, 0, 2, 1}, {-2, 0, 2, 1}, 2, 1),
              (std::vector<uint32_t>{20, 20}));
    // 640 x 480 into one pixel samples the top-left source pixel.
    std::vector<uint8_t> big(640 * 480, 7);
    big[0] = 99;
    EXPECT_EQ(draw(PixelFormat::Gray8, 640, 480, big, {0, 0, 640, 480}, {0, 0, 1, 1}, {0, 0, 1, 1}, 1, 1),
              greys({99}));
    // Three source rows into two destination rows sample rows 0 and 1, never row 2.
    EXPECT_EQ(draw(PixelFormat::Gray8, 1, 3, {1, 2, 3}, {0, 0, 1, 3}, {0, 0, 1, 2}, {0, 0, 1, 2}, 1, 2),
              greys({1, 2}));
}

TEST_P(ScaledExamplesTest, AreasOutsideTheDestinationWriteNothing) {
    const std::vector<uint8_t> pixel = {50};
    for (const Rect& area : {Rect{-5, 0, 0, 2}, Rect{4, 0, 9, 2}, Rect{0, -3, 4, 0}, Rect{0, 2, 4, 5},
                             Rect{3, 1, 1, 2}, Rect{0, 1, 4, 1}}) {
        SCOPED_TRACE(testing::Message()
                     << area.left << ',' << area.top << ',' << area.right << ',' << area.bottom);
        EXPECT_EQ(draw(PixelFormat::Gray8, 1, 1, pixel, {0, 0, 1, 1}, {-5, -3, 9, 5}, area, 4, 2),
                  std::vector<uint32_t>(8, 0x3C3C3C));
    }
    EXPECT_TRUE(
        draw(PixelFormat::Gray8, 1, 1, pixel, {0, 0, 1, 1}, {0, 0, 4, 2}, {0, 0, 4, 2}, 0, 2).empty());
}

TEST_P(ScaledExamplesTest, BilinearFiltersWithTruncatedSixBitFractions) {
    const std::vector<uint8_t> ramp = {0, 64, 128, 255};
    // 2x wider: column 5 has fraction 32 but, its successor having no right neighbour, shows column 2.
    EXPECT_EQ(draw(PixelFormat::Gray8, 4, 1, ramp, {0, 0, 4, 1}, {0, 0, 8, 1}, {0, 0, 8, 1}, 8, 1, 1),
              greys({0, 32, 64, 96, 128, 128, 255, 255}));
    // 2x taller: rows 6 and 7 sample the last source row and are filtered horizontally only.
    EXPECT_EQ(draw(PixelFormat::Gray8, 1, 4, ramp, {0, 0, 1, 4}, {0, 0, 1, 8}, {0, 0, 1, 8}, 1, 8, 1),
              greys({0, 32, 64, 96, 128, 191, 255, 255}));
    // Fractions in 64ths, truncated: 0 beside 255 gives 3, 127 and 251 at fx = 1, 32 and 63.
    const auto steps =
        draw(PixelFormat::Gray8, 3, 1, {0, 255, 255}, {0, 0, 3, 1}, {0, 0, 192, 1}, {0, 0, 64, 1}, 64, 1, 1);
    EXPECT_EQ((std::vector<uint32_t>{steps[1], steps[32], steps[63]}), greys({3, 127, 251}));
    // Two truncating stages: 1, 2 over 2, 3 at fx = fy = 32 gives 1, where one division would give 2.
    std::vector<uint32_t> expected(8, 0x3C3C3C);
    expected[5] = 0x010101;
    EXPECT_EQ(draw(PixelFormat::Gray8, 3, 3, {1, 2, 9, 2, 3, 9, 0, 0, 0}, {0, 0, 3, 3}, {0, 0, 6, 6},
                   {1, 1, 2, 2}, 4, 2, 1),
              expected);
}

TEST_P(ScaledExamplesTest, WeightingRoundsByThePixelsForm) {
    // Channel 200 at alpha 128 over 100: the scalar blend gives 150, the four-pixel blend 149. With the
    // row starting 4 bytes past a 16-byte boundary, nearest rows run 3 scalar pixels, 8 in the body and
    // the rest scalar; bilinear rows of a 2-pixel source filter 7 columns (3 scalar, 4 in the body) and
    // leave the rest to the scalar edge run.
    const std::vector<uint8_t> twoPixels = {200, 200, 200, 128, 200, 200, 200, 128};
    const Rect row{0, 0, 16, 1};
    std::vector<uint32_t> nearest(16, 150 * 0x010101u);
    std::fill(nearest.begin() + 3, nearest.begin() + 11, 149 * 0x010101u);
    EXPECT_EQ(draw(PixelFormat::Argb32, 2, 1, twoPixels, {0, 0, 2, 1}, row, row, 16, 1, 0, 4, 0x646464),
              nearest);
    std::vector<uint32_t> bilinear(16, 150 * 0x010101u);
    std::fill(bilinear.begin() + 3, bilinear.begin() + 7, 149 * 0x010101u);
    EXPECT_EQ(draw(PixelFormat::Argb32, 2, 1, twoPixels, {0, 0, 2, 1}, row, row, 16, 1, 1, 4, 0x646464),
              bilinear);
}

TEST_P(ScaledExamplesTest, OnlyTheSse2FourPixelFilterTruncatesTwice) {
    // 2x wider and 4x taller: rows 1 to 3 mix two source rows with fy = 16, 32, 48; columns 0 to 11 run
    // in the four-pixel body, 12 in the tail, 13 to 15 in the edge run. The SSE2 body truncates both
    // weighted rows apart, so a flat 1 becomes 0, and an opaque alpha 254: Normal drawing of colour 100
    // over black then leaves 99. The SSSE3 body, and every one-pixel form, keep 1 and 100.
    const Rect rect{0, 0, 16, 8};
    std::vector<uint32_t> ones(16 * 8, 0x010101);
    std::vector<uint32_t> hundreds(16 * 8, 100 * 0x010101u);
    if (!GetParam()) {
        for (size_t y = 1; y <= 3; ++y) {
            std::fill_n(ones.begin() + y * 16, 12, 0);
            std::fill_n(hundreds.begin() + y * 16, 12, 99 * 0x010101u);
        }
    }
    EXPECT_EQ(draw(PixelFormat::Gray8, 8, 2, std::vector<uint8_t>(16, 1), {0, 0, 8, 2}, rect, rect, 16, 8, 1),
              ones);
    std::vector<uint8_t> opaque(8 * 2 * 4, 100);
    for (size_t i = 3; i < opaque.size(); i += 4) {
        opaque[i] = 255;
    }
    EXPECT_EQ(draw(PixelFormat::Argb32, 8, 2, opaque, {0, 0, 8, 2}, rect, rect, 16, 8, 1, 0, 0), hundreds);
    // A flat grey 200 keeps 200 wherever fy is a multiple of 8 (as above), but 3x taller, fy = 21, 42 and
    // 63 in rows 1 to 3, the SSE2 body gives 199 there: its formula holds over the claim that such a
    // source stays flat in every form.
    const Rect taller{0, 0, 16, 6};
    std::vector<uint32_t> flat(16 * 6, 200 * 0x010101u);
    if (!GetParam()) {
        for (size_t y = 1; y <= 3; ++y) {
            std::fill_n(flat.begin() + y * 16, 12, 199 * 0x010101u);
        }
    }
    EXPECT_EQ(
        draw(PixelFormat::Gray8, 8, 2, std::vector<uint8_t>(16, 200), {0, 0, 8, 2}, taller, taller, 16, 6, 1),
        flat);
}

INSTANTIATE_TEST_SUITE_P(BothSets, ScaledExamplesTest, bothInstructionSets(), instructionSetName);

}  // namespace
}  // namespace velmora::test
