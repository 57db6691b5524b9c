#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/memory_helper.h"
#include "render/kernels/blit/image_blit.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"
#include "tests/support/canary_image.h"
#include "tests/support/kernel_test.h"
#include "tests/support/scaled_model.h"
#include "tests/support/seeded_random.h"

namespace velmora::test {
namespace {

using tavelo::BlendMode;
using tavelo::ClipInfo;
using tavelo::Image;
using tavelo::OpacityClass;
using tavelo::PixelFormat;
using tavelo::Rect;

using ScaledBlit = void (*)(const Image&, const ClipInfo*, BlendMode, const Rect&, const Image&, const Rect&,
                            uint8_t, uint8_t);

std::shared_ptr<Image> randomImage(SeededRandom& random, PixelFormat format, uint32_t width,
                                   uint32_t height) {
    auto image = std::make_shared<Image>(width, height, format);
    random.fill(image->data(), size_t{image->stride} * height);
    return image;
}

void fillRandom(SeededRandom& random, CanaryImage& canary) {
    for (uint32_t y = 0; y < canary.image().height; ++y) {
        for (uint32_t x = 0; x < canary.image().width; ++x) {
            canary.setPixel(int32_t(x), int32_t(y), uint32_t(random.engine()()));
        }
    }
}

// The colours of `canary` equal `expected`'s.
::testing::AssertionResult sameColours(const CanaryImage& canary, const std::vector<uint32_t>& expected) {
    const Image& image = canary.image();
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint32_t got = canary.pixel(int32_t(x), int32_t(y)) & 0xFFFFFF;
            const uint32_t want = expected[size_t{y} * image.width + x] & 0xFFFFFF;
            if (got != want) {
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                                     << got << ", the model says " << want;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

class BlitImageScaledTest : public InstructionSetTest {
protected:
    static KernelSet set() { return GetParam() ? KernelSet::Ssse3 : KernelSet::Sse2; }
    static ScaledBlit blit() {
        return GetParam() ? tavelo::blitImageScaledSsse3 : tavelo::blitImageScaledSse2;
    }

    // The class of the routine the set's dispatcher must choose.
    static OpacityClass classOf(uint32_t weight, PixelFormat format) {
        const bool alpha = format == PixelFormat::GrayAlpha16 || format == PixelFormat::Argb32;
        if (weight == 256 || alpha || set() == KernelSet::Sse2) {
            return weight == 256 ? OpacityClass::Opaque : OpacityClass::Translucent;
        }
        return weight % 2 == 0 ? OpacityClass::TranslucentEven : OpacityClass::TranslucentOdd;
    }

    // Draws through the dispatcher and checks the result against the model of the call the dispatcher
    // should make: `area` and `destinationRect` as given, the source rectangle unchanged.
    void expectDraw(SeededRandom& random, const ClipInfo* clip, uint8_t mode, const Rect& rect,
                    const Image& source, const Rect& sourceRect, uint8_t opacity, uint8_t smooth,
                    const Rect& area, const Rect& destinationRect, uint32_t width, uint32_t height) {
        CanaryImage destination(width, height, uint32_t(random.between(0, 3)) * 4);
        fillRandom(random, destination);
        const auto before = destination.snapshot();
        std::vector<uint32_t> expected(before.get(), before.get() + size_t{width} * height);
        const uint32_t weight = tavelo::opacityWeight(opacity);
        if (weight != 0) {
            ScaledCall call{BlendMode(mode), classOf(weight, tavelo::normalizedFormat(source.format)),
                            weight,          area,
                            destinationRect, sourceRect,
                            smooth};
            modelScaledDraw(set(), call, destination.image(), source, expected);
        }
        blit()(destination.image(), clip, BlendMode(mode), rect, source, sourceRect, opacity, smooth);
        EXPECT_TRUE(sameColours(destination, expected));
        EXPECT_EQ(destination.intactOutside({0, 0, int32_t(width), int32_t(height)}, before.get()), "");
    }
};

TEST_P(BlitImageScaledTest, MovesAndClipsTheDestinationRectangleForTheBand) {
    SeededRandom random;
    const auto source = randomImage(random, PixelFormat::Xrgb32, 110, 60);
    const Rect rect{10, 20, 210, 120};
    const Rect sourceRect{3, 4, 103, 54};
    expectDraw(random, nullptr, 0, rect, *source, sourceRect, 255, 1, rect, rect, 230, 130);
    // The band's offset moves the whole mapping; its clip only cuts the area, so the scale stays 2x.
    const ClipInfo band{{0, 50, 1366, 100}, 7, -5};
    expectDraw(random, &band, 0, rect, *source, sourceRect, 255, 1, {17, 50, 217, 100}, {17, 15, 217, 115},
               230, 130);
}

// Random modes (above InverseMultiply too), source formats (above Xrgb32 too), opacities, bands and
// clips: the dispatcher picks the routine the model describes.
TEST_P(BlitImageScaledTest, ChoosesTheRoutineOfModeClassAndFormat) {
    SeededRandom random;
    for (int i = 0; i < 600; ++i) {
        const auto format = PixelFormat(random.between(0, 6));
        const uint32_t sourceWidth = uint32_t(random.between(1, 12));
        const uint32_t sourceHeight = uint32_t(random.between(1, 6));
        const auto source = randomImage(random, format, sourceWidth, sourceHeight);
        const Rect sourceRect{0, 0, int32_t(sourceWidth), int32_t(sourceHeight)};
        Rect rect;
        rect.left = int32_t(random.between(-8, 30));
        rect.top = int32_t(random.between(-4, 8));
        rect.right = rect.left + int32_t(random.between(1, 40));
        rect.bottom = rect.top + int32_t(random.between(1, 12));
        ClipInfo band{{int32_t(random.between(-2, 10)), int32_t(random.between(-2, 4)), 0, 0},
                      int32_t(random.between(-6, 6)),
                      int32_t(random.between(-6, 6))};
        band.clip.right = band.clip.left + int32_t(random.between(0, 40));
        band.clip.bottom = band.clip.top + int32_t(random.between(0, 10));
        const bool clipped = random.coin();
        const Rect moved = clipped ? Rect{rect.left + band.offsetX, rect.top + band.offsetY,
                                          rect.right + band.offsetX, rect.bottom + band.offsetY}
                                   : rect;
        const Rect area = clipped ? tavelo::intersectRect(moved, band.clip) : moved;
        const auto sameSize = moved.width() == sourceRect.width() && moved.height() == sourceRect.height();
        if (sameSize) {
            continue;  // drawImageRect sends those to the unscaled routines
        }
        expectDraw(random, clipped ? &band : nullptr, uint8_t(random.between(0, 7)), rect, *source,
                   sourceRect, random.byte(), uint8_t(random.between(0, 2)), area, moved, 32, 10);
        if (HasFailure()) {
            return;
        }
    }
}

// What the routines cannot map is not drawn: inverted or empty rectangles, a destination without
// pixels, source rectangles outside the image, 65536 pixels or more on a side or with an edge beyond
// 65536, opacity 0.
TEST_P(BlitImageScaledTest, DrawsNothingItCannotMap) {
    SeededRandom random;
    const auto source = randomImage(random, PixelFormat::Gray8, 70000, 2);
    struct Refused {
        Rect rect;
        Rect sourceRect;
        uint8_t opacity;
    };
    const Refused refused[] = {
        {{10, 0, 2, 4}, {0, 0, 4, 2}, 255},                    // inverted destination rectangle
        {{0, 6, 8, 2}, {0, 0, 4, 2}, 255},                     // upside down
        {{3, 0, 3, 4}, {0, 0, 4, 2}, 255},                     // empty
        {{0, 0, 8, 4}, {4, 0, 0, 2}, 255},                     // inverted source rectangle
        {{0, 0, 8, 4}, {2, 1, 2, 2}, 255},                     // empty source rectangle
        {{0, 0, 8, 4}, {-1, 0, 3, 2}, 255},                    // left of the source
        {{0, 0, 8, 4}, {0, 0, 4, 3}, 255},                     // below the source
        {{0, 0, 8, 4}, {69990, 0, 70001, 2}, 255},             // right of the source
        {{0, 0, 8, 4}, {0, 0, 65536, 2}, 255},                 // too wide for 16.16 positions
        {{0, 0, 8, 4}, {65530, 0, 65537, 2}, 255},             // its right edge beyond them
        {{0, 0, 8, 4}, {69990, 0, 70000, 2}, 255},             // narrow, but wholly beyond them
        {{0, 0, 8, 4}, {0, 0, 4, 2}, 0},                       // transparent
        {{-2147483647, 0, 2147483647, 4}, {0, 0, 4, 2}, 255},  // wider than 32 bits can measure
    };
    for (const Refused& r : refused) {
        CanaryImage destination(8, 4);
        fillRandom(random, destination);
        const auto before = destination.snapshot();
        blit()(destination.image(), nullptr, BlendMode::Normal, r.rect, *source, r.sourceRect, r.opacity, 1);
        EXPECT_EQ(destination.intactOutside({}, before.get()), "")
            << r.rect.left << ',' << r.rect.top << ',' << r.rect.right << ',' << r.rect.bottom << " from "
            << r.sourceRect.left << ',' << r.sourceRect.top << ',' << r.sourceRect.right << ','
            << r.sourceRect.bottom;
    }
    // A source rectangle below row 65536 is refused too.
    const auto tall = randomImage(random, PixelFormat::Gray8, 2, 70000);
    CanaryImage below(8, 4);
    fillRandom(random, below);
    const auto beforeBelow = below.snapshot();
    blit()(below.image(), nullptr, BlendMode::Normal, {0, 0, 8, 4}, *tall, {0, 69990, 2, 70000}, 255, 1);
    EXPECT_EQ(below.intactOutside({}, beforeBelow.get()), "");
    // An empty destination image, and a clip that only touches the rectangle.
    CanaryImage empty(0, 4);
    blit()(empty.image(), nullptr, BlendMode::Normal, {0, 0, 8, 4}, *source, {0, 0, 4, 2}, 255, 1);
    EXPECT_EQ(empty.intactOutside({}, empty.snapshot().get()), "");
    CanaryImage touched(8, 4);
    const auto before = touched.snapshot();
    const ClipInfo band{{8, 0, 20, 4}, 0, 0};
    blit()(touched.image(), &band, BlendMode::Normal, {0, 0, 8, 4}, *source, {0, 0, 4, 2}, 255, 1);
    EXPECT_EQ(touched.intactOutside({}, before.get()), "");
    // The widest mappable source is still drawn, and so is the farthest right one.
    expectDraw(random, nullptr, 0, {0, 0, 8, 4}, *source, {0, 0, 65535, 2}, 255, 1, {0, 0, 8, 4},
               {0, 0, 8, 4}, 8, 4);
    expectDraw(random, nullptr, 0, {0, 0, 8, 4}, *source, {65526, 0, 65536, 2}, 255, 1, {0, 0, 8, 4},
               {0, 0, 8, 4}, 8, 4);
}

// The scene's background: an opaque image stretched bilinearly over the 1366 x 768 frame, drawn band by
// band into a 64 KiB band buffer as the renderer does, every band equal to the model.
TEST_P(BlitImageScaledTest, StretchesTheSceneBackgroundBandByBand) {
    SeededRandom random;
    constexpr int32_t frameWidth = 1366;
    constexpr int32_t frameHeight = 768;
    constexpr int32_t bandHeight = 0x10000 / (frameWidth * 4);
    const auto buffer = tavelo::MemoryHelper::allocate(size_t{frameWidth} * bandHeight * 4);
    const Image band(frameWidth, bandHeight, PixelFormat::Xrgb32, frameWidth * 4, buffer);
    for (PixelFormat format : {PixelFormat::Rgb24, PixelFormat::Xrgb32}) {
        const auto background = randomImage(random, format, 640, 480);
        const Rect rect{0, 0, frameWidth, frameHeight};
        const Rect sourceRect{0, 0, 640, 480};
        for (int32_t top = 0; top < frameHeight; top += bandHeight) {
            const ClipInfo clip{{0, 0, frameWidth, bandHeight}, 0, -top};
            random.fill(band.data(), size_t{frameWidth} * bandHeight * 4);
            std::vector<uint32_t> expected(size_t{frameWidth} * bandHeight);
            std::memcpy(expected.data(), band.data(), expected.size() * 4);
            const Rect moved{0, -top, frameWidth, frameHeight - top};
            modelScaledDraw(set(),
                            {BlendMode::Normal, OpacityClass::Opaque, 256,
                             tavelo::intersectRect(moved, clip.clip), moved, sourceRect, 1},
                            band, *background, expected);
            blit()(band, &clip, BlendMode::Normal, rect, *background, sourceRect, 255, 1);
            for (size_t i = 0; i < expected.size(); ++i) {
                uint32_t got;
                std::memcpy(&got, band.data() + i * 4, 4);
                ASSERT_EQ(got & 0xFFFFFF, expected[i] & 0xFFFFFF)
                    << "format " << int(format) << ", band at row " << top << ", pixel " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothSets, BlitImageScaledTest, bothInstructionSets(), instructionSetName);

}  // namespace
}  // namespace velmora::test
