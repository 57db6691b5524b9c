#include <gtest/gtest.h>

#include <algorithm>

#include "core/cpu.h"
#include "render/kernels/blit/image_blit.h"
#include "tests/support/canary_image.h"
#include "tests/support/kernel_model.h"
#include "tests/support/kernel_test.h"
#include "tests/support/seeded_random.h"

namespace velmora::test {
namespace {

using tavelo::BlendMode;
using tavelo::ClipInfo;
using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Rect;

class DrawImageRectTest : public InstructionSetTest {};

INSTANTIATE_TEST_SUITE_P(BothSets, DrawImageRectTest, bothInstructionSets(), instructionSetName);

bool samePixels(const CanaryImage& a, const CanaryImage& b) {
    const size_t count = size_t(a.image().width) * a.image().height;
    const auto pixelsA = a.snapshot();
    const auto pixelsB = b.snapshot();
    return std::equal(pixelsA.get(), pixelsA.get() + count, pixelsB.get());
}

// drawImageRect against the route it should take, called directly on a copy of the destination:
// blitImage of the set g_hasSsse3 names, from the source rectangle's corner, when the absolute sizes
// agree; blitImageScaled of that set otherwise.
TEST_P(DrawImageRectTest, RoutesByAbsoluteSizeToTheFlaggedSet) {
    struct Case {
        const char* what;
        Rect rect;
        Rect sourceRect;
        bool scaled;
    };
    const Case cases[] = {
        {"own size at another place", {0, 0, 100, 50}, {20, 10, 120, 60}, false},
        {"source's right edge left of its left", {0, 0, 100, 50}, {120, 10, 20, 60}, false},
        {"source upside down", {5, 5, 105, 55}, {20, 60, 120, 10}, false},
        {"wider", {0, 0, 200, 50}, {20, 10, 120, 60}, true},
        {"taller", {0, 0, 100, 51}, {20, 10, 120, 60}, true},
        {"smaller", {3, 4, 53, 29}, {0, 0, 100, 50}, true},
    };
    SeededRandom random;
    Image source(300, 200, PixelFormat::Xrgb32);
    random.fill(source.data(), size_t(source.stride) * source.height);
    const ClipInfo band{{0, 8, 120, 40}, 7, -5};
    const auto blit = g_hasSsse3 ? tavelo::blitImageSsse3 : tavelo::blitImageSse2;
    const auto blitScaled = g_hasSsse3 ? tavelo::blitImageScaledSsse3 : tavelo::blitImageScaledSse2;
    for (const Case& c : cases) {
        for (const ClipInfo* clip : {static_cast<const ClipInfo*>(nullptr), &band}) {
            for (const uint8_t opacity : {255, 128, 126}) {
                CanaryImage routed(220, 60);
                CanaryImage direct(220, 60);
                scramblePixels(routed, random.engine());
                for (int32_t y = 0; y < 60; ++y) {
                    for (int32_t x = 0; x < 220; ++x) {
                        direct.setPixel(x, y, routed.pixel(x, y));
                    }
                }
                tavelo::drawImageRect(routed.image(), clip, BlendMode::Normal, c.rect, source, c.sourceRect,
                                      opacity, 1);
                if (c.scaled) {
                    blitScaled(direct.image(), clip, BlendMode::Normal, c.rect, source, c.sourceRect, opacity,
                               1);
                } else {
                    blit(direct.image(), clip, BlendMode::Normal, c.rect, source,
                         {c.sourceRect.left, c.sourceRect.top}, opacity);
                }
                EXPECT_TRUE(samePixels(routed, direct))
                    << c.what << ", opacity " << int(opacity) << (clip ? ", clipped" : "");
            }
        }
    }
}

// A destination whose right edge lies left of its left edge, with the source's absolute size, goes the
// unscaled way and draws nothing; so does an empty source rectangle.
TEST_P(DrawImageRectTest, InvertedDestinationsDrawNothing) {
    Image source(100, 50, PixelFormat::Rgb24);
    CanaryImage canary(120, 60);
    const auto before = canary.snapshot();
    tavelo::drawImageRect(canary.image(), nullptr, BlendMode::Add, {100, 0, 0, 50}, source, {0, 0, 100, 50},
                          255, 0);
    tavelo::drawImageRect(canary.image(), nullptr, BlendMode::Add, {100, 0, 0, 50}, source, {0, 0, 90, 50},
                          255, 1);
    tavelo::drawImageRect(canary.image(), nullptr, BlendMode::Add, {0, 0, 100, 50}, source, {5, 5, 5, 5}, 255,
                          1);
    EXPECT_EQ(canary.intactOutside({}, before.get()), "");
}

}  // namespace
}  // namespace velmora::test
