#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "core/cpu.h"
#include "render/kernels/blit/image_blit.h"
#include "tests/support/canary_image.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/kernel_model.h"
#include "tests/support/kernel_test.h"
#include "tests/support/seeded_random.h"

namespace velmora::test {
namespace {

using tavelo::BlendMode;
using tavelo::ClipInfo;
using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Point;
using tavelo::Rect;

// Runs every test once per set, through that set's dispatcher, chosen as the renderer does: by
// g_hasSsse3.
class BlitImageTest : public InstructionSetTest {
protected:
    static void blitImage(const Image& destination, const ClipInfo* clip, uint8_t mode, const Rect& rect,
                          const Image& source, const Point& sourcePosition, uint8_t opacity) {
        const auto blit = g_hasSsse3 ? tavelo::blitImageSsse3 : tavelo::blitImageSse2;
        blit(destination, clip, BlendMode(mode), rect, source, sourcePosition, opacity);
    }

    static model::KernelSet kernelSet() {
        return g_hasSsse3 ? model::KernelSet::Ssse3 : model::KernelSet::Sse2;
    }
};

INSTANTIATE_TEST_SUITE_P(BothSets, BlitImageTest, bothInstructionSets(), instructionSetName);

// A source whose last pixel byte is the last readable one: any read past it faults.
std::shared_ptr<Image> guardedSource(PixelFormat format, uint32_t width, uint32_t height,
                                     uint32_t strideExtra, SeededRandom& random) {
    const uint32_t stride = width * tavelo::bytesPerPixel(format) + strideExtra;
    auto source = makeGuardedImage(width, height, format, stride, 0);
    for (size_t i = 0; i < size_t(stride) * height; ++i) {
        source->data()[i] = edgeByte(random);
    }
    return source;
}

uint32_t sourceAt(const Image& source, int64_t x, int64_t y) {
    return model::sourcePixel(source.format,
                              source.row(uint32_t(y)) + x * tavelo::bytesPerPixel(source.format));
}

// An opacity of the class: 255 (weight 256), an even weight or an odd one, edges first.
uint8_t opacityOfClass(size_t opacityClass, SeededRandom& random) {
    static constexpr uint8_t even[] = {2, 126, 253};      // weights 2, 126, 254
    static constexpr uint8_t odd[] = {1, 127, 128, 254};  // weights 1, 127, 129, 255
    switch (opacityClass) {
        case 0:
            return 255;
        case 1:
            return random.coin() ? even[random.between(0, 2)] : uint8_t(random.between(1, 63) * 2);
        default:
            return random.coin() ? odd[random.between(0, 3)] : uint8_t(random.between(0, 63) * 2 + 1);
    }
}

// Every cell of the set's table (mode, class and parity, format) on spans of 1 to 67 pixels at every
// destination alignment, from sources whose rows end at a guard page.
TEST_P(BlitImageTest, EveryCellMatchesTheModelForEveryWidthAndAlignment) {
    SeededRandom random;
    for (uint32_t width = 1; width <= 67; ++width) {
        for (uint32_t alignment = 0; alignment < 16; alignment += 4) {
            CanaryImage canary(width + 3, 3, alignment);
            const auto left = int32_t(random.between(0, 3));
            const auto top = int32_t(random.between(0, 1));
            const Rect rect{left, top, left + int32_t(width), top + 2};
            for (uint8_t format = 0; format < 5; ++format) {
                const auto skip = uint32_t(random.between(0, 3));
                const auto source = guardedSource(PixelFormat(format), width + skip, 2, 0, random);
                const Point position{int32_t(skip), 0};
                for (uint8_t mode = 0; mode < 5; ++mode) {
                    for (size_t opacityClass = 0; opacityClass < 3; ++opacityClass) {
                        const uint8_t opacity = opacityOfClass(opacityClass, random);
                        const uint32_t weight = model::opacityWeight(opacity);
                        scramblePixels(canary, random.engine());
                        const auto before = canary.snapshot();
                        blitImage(canary.image(), nullptr, mode, rect, *source, position, opacity);
                        ASSERT_TRUE(matchesModel(
                            canary, before.get(), rect,
                            model::blitDefinedBits(mode, PixelFormat(format), weight),
                            [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                                const uint32_t s = sourceAt(*source, x - left + position.x, y - top);
                                return model::blitPixel(kernelSet(), path, mode, PixelFormat(format), d, s,
                                                        weight);
                            }))
                            << "width " << width << ", alignment " << alignment << ", format " << int(format)
                            << ", mode " << int(mode) << ", opacity " << int(opacity);
                    }
                }
            }
        }
    }
}

// Destination rows at addresses off 4-byte boundaries (a buffer the caller wrapped at any byte) take the
// scalar form throughout: every cell on widths 1 to 40, and no byte outside the rectangle changes.
TEST_P(BlitImageTest, RowsOffFourByteBoundariesMatchTheModel) {
    SeededRandom random;
    constexpr uint32_t margin = 16;
    for (uint32_t width = 1; width <= 40; ++width) {
        const auto offset = uint32_t(random.between(1, 3));
        const uint32_t stride = width * 4 + uint32_t(random.between(0, 2)) * 4;  // every row off
        constexpr uint32_t height = 2;
        std::vector<unsigned char> buffer(margin + offset + size_t(stride) * height + margin);
        const Image destination(
            width, height, PixelFormat::Xrgb32, stride,
            std::shared_ptr<unsigned char>(buffer.data() + margin + offset, [](unsigned char*) {}));
        for (uint8_t format = 0; format < 5; ++format) {
            const auto source = guardedSource(PixelFormat(format), width, height, 0, random);
            for (uint8_t mode = 0; mode < 5; ++mode) {
                for (size_t opacityClass = 0; opacityClass < 3; ++opacityClass) {
                    const uint8_t opacity = opacityOfClass(opacityClass, random);
                    const uint32_t weight = model::opacityWeight(opacity);
                    random.fill(buffer.data(), buffer.size());
                    const std::vector<unsigned char> before = buffer;
                    blitImage(destination, nullptr, mode, boundsOf(destination), *source, {0, 0}, opacity);
                    const uint32_t defined = model::blitDefinedBits(mode, PixelFormat(format), weight);
                    std::vector<unsigned char> expected = before;
                    for (uint32_t y = 0; y < height; ++y) {
                        for (uint32_t x = 0; x < width; ++x) {
                            unsigned char* at =
                                expected.data() + margin + offset + size_t(y) * stride + x * 4;
                            uint32_t d;
                            std::memcpy(&d, at, 4);
                            const uint32_t pixel =
                                model::blitPixel(kernelSet(), PixelPath::Scalar, mode, PixelFormat(format), d,
                                                 sourceAt(*source, x, y), weight);
                            uint32_t got;
                            std::memcpy(&got, buffer.data() + (at - expected.data()), 4);
                            const uint32_t value = (pixel & defined) | (got & ~defined);
                            std::memcpy(at, &value, 4);
                        }
                    }
                    ASSERT_EQ(buffer, expected)
                        << "width " << width << ", offset " << offset << ", format " << int(format)
                        << ", mode " << int(mode) << ", opacity " << int(opacity);
                }
            }
        }
    }
}

// Every (destination, source) byte pair on every channel, for each mode at the weight edges, in rows
// under 8 pixels (scalar) and in one aligned row of 256 (vector). Argb32 adds every alpha.
TEST_P(BlitImageTest, EveryBytePairMatchesTheModel) {
    constexpr uint32_t pairs = 256 * 256;
    // Each channel meets every pair once: blue as (i & 255, i >> 8), green swapped, red shifted.
    const auto destinationOf = [](uint32_t i) {
        return (i & 0xFF) | (i >> 8) << 8 | ((i & 0xFF) ^ 0xA5) << 16 | (i * 7 & 0xFF) << 24;
    };
    const auto sourceOf = [](uint32_t i) {
        return (i >> 8) | (i & 0xFF) << 8 | (((i >> 8) + 77) & 0xFF) << 16 |
               ((i * 13 + (i >> 8)) & 0xFF) << 24;
    };
    const uint8_t opacities[] = {255, 1, 2, 127, 128, 254};
    for (const auto& [width, alignment] : {std::pair{7u, 4u}, std::pair{256u, 0u}}) {
        const uint32_t height = (pairs + width - 1) / width;
        CanaryImage canary(width, height, alignment);
        for (const PixelFormat format : {PixelFormat::Xrgb32, PixelFormat::Argb32}) {
            Image source(width, height, format);
            for (uint32_t i = 0; i < width * height; ++i) {
                const uint32_t s = sourceOf(i % pairs);
                std::memcpy(source.data() + size_t(i) * 4, &s, 4);
            }
            for (uint8_t mode = 0; mode < 5; ++mode) {
                for (const uint8_t opacity : opacities) {
                    for (uint32_t i = 0; i < width * height; ++i) {
                        canary.setPixel(int32_t(i % width), int32_t(i / width), destinationOf(i % pairs));
                    }
                    const auto before = canary.snapshot();
                    const Rect all = boundsOf(canary.image());
                    blitImage(canary.image(), nullptr, mode, all, source, {0, 0}, opacity);
                    const uint32_t weight = model::opacityWeight(opacity);
                    ASSERT_TRUE(matchesModel(
                        canary, before.get(), all, model::blitDefinedBits(mode, format, weight),
                        [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                            const uint32_t s = sourceAt(source, x, y);
                            return model::blitPixel(kernelSet(), path, mode, format, d, s, weight);
                        }))
                        << "width " << width << ", format " << int(format) << ", mode " << int(mode)
                        << ", opacity " << int(opacity);
                }
            }
        }
    }
}

// Random draws through the dispatcher: offsets and clip rectangles (or none), rectangles that reach
// past the destination or are inverted, source positions off the source, any stride, mode byte and
// format byte. The source pixel under destination pixel (x, y) is always (x, y) moved by the offset
// between the moved rectangle's corner and the source position.
TEST_P(BlitImageTest, ClipsThroughTheBandTheSourceAndTheDestination) {
    SeededRandom random;
    const uint8_t opacities[] = {0, 1, 2, 127, 128, 129, 253, 254, 255};
    for (int round = 0; round < 3000; ++round) {
        CanaryImage canary(uint32_t(random.between(1, 80)), uint32_t(random.between(1, 6)),
                           uint32_t(random.between(0, 3)) * 4, uint32_t(random.between(0, 3)));
        const Rect bounds = boundsOf(canary.image());
        const auto format = PixelFormat(random.coin() ? random.between(0, 4) : random.between(0, 255));
        const auto source =
            guardedSource(format, uint32_t(random.between(0, 90)), uint32_t(random.between(0, 8)),
                          uint32_t(random.between(0, 5)), random);
        scramblePixels(canary, random.engine());
        const auto before = canary.snapshot();

        // Clip rectangles may reach past the destination: the kernels cut them there.
        const Rect reach{-5, -2, bounds.right + 5, bounds.bottom + 2};
        const ClipInfo clip = randomClipInfo(random, reach, 100, 10);
        const bool clipped = random.coin();

        Rect rect{int32_t(random.between(-110, 180)), int32_t(random.between(-15, 15)), 0, 0};
        rect.right = rect.left + int32_t(random.between(-4, 100));
        rect.bottom = rect.top + int32_t(random.between(-2, 10));
        const Point position{int32_t(random.between(-20, 100)), int32_t(random.between(-5, 10))};
        const auto mode = uint8_t(random.coin() ? random.between(0, 4) : random.between(0, 255));
        const uint8_t opacity = random.coin() ? opacities[random.between(0, 8)] : random.byte();

        blitImage(canary.image(), clipped ? &clip : nullptr, mode, rect, *source, position, opacity);

        const auto intersect = [](const Rect& a, const Rect& b) {
            const Rect common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                              std::min(a.bottom, b.bottom)};
            return common.isEmpty() ? Rect{} : common;
        };
        Rect moved = rect;
        if (clipped) {
            moved = {rect.left + clip.offsetX, rect.top + clip.offsetY, rect.right + clip.offsetX,
                     rect.bottom + clip.offsetY};
        }
        const int32_t dx = position.x - moved.left;
        const int32_t dy = position.y - moved.top;
        const Rect sourceBounds{-dx, -dy, int32_t(source->width) - dx, int32_t(source->height) - dy};
        Rect area = intersect(intersect(clipped ? intersect(moved, clip.clip) : moved, sourceBounds), bounds);
        if (opacity == 0) {
            area = {};
        }
        const uint32_t weight = model::opacityWeight(opacity);
        ASSERT_TRUE(matchesModel(canary, before.get(), area, model::blitDefinedBits(mode, format, weight),
                                 [&](int32_t x, int32_t y, uint32_t d, PixelPath path) {
                                     const uint32_t s = sourceAt(*source, x + dx, y + dy);
                                     return model::blitPixel(kernelSet(), path, mode, format, d, s, weight);
                                 }))
            << "round " << round << ", format " << int(format) << ", mode " << int(mode) << ", opacity "
            << int(opacity) << (clipped ? ", clipped" : "");
    }
}

// A source that tells its pixels apart: pixel (x, y) holds x | y << 12 and a fourth byte of its own.
Image positionCoded(uint32_t width, uint32_t height) {
    Image source(width, height, PixelFormat::Xrgb32);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t code = x | y << 12 | (x + y) << 24;
            std::memcpy(source.row(y) + size_t(x) * 4, &code, 4);
        }
    }
    return source;
}

// The clip chain's worked values: which destination area is written and which source pixel lands on
// its corner.
TEST_P(BlitImageTest, WorkedClipChains) {
    struct Case {
        const char* what;
        const ClipInfo* clip;
        Rect rect;
        Point position;
        Rect area;
        Point areaSource;
    };
    const ClipInfo band{{0, 50, 1366, 100}, 7, -5};
    // The same band cut at column 20 as well: the moved rectangle {17, 15, 117, 65} loses columns on
    // the left too, and the source still lines up with its unclipped corner (5 - 17, 6 - 15).
    const ClipInfo leftCut{{20, 50, 1366, 100}, 7, -5};
    const Case cases[] = {
        {"offsets then clip", &band, {10, 20, 110, 70}, {5, 6}, {17, 50, 117, 65}, {5, 41}},
        {"left of the source", &band, {10, 20, 110, 70}, {-10, 6}, {27, 50, 117, 65}, {0, 41}},
        {"clip cuts the left edge", &leftCut, {10, 20, 110, 70}, {5, 6}, {20, 50, 117, 65}, {8, 41}},
        {"no clip", nullptr, {10, 20, 110, 70}, {-10, 6}, {20, 20, 110, 70}, {0, 6}},
        {"past the destination's left edge", nullptr, {-3, 2, 40, 5}, {1, 1}, {0, 2, 40, 5}, {4, 1}},
        {"at the source's right edge", nullptr, {10, 20, 110, 70}, {300, 6}, {}, {}},
        {"touching the clip", &band, {10, 40, 110, 55}, {5, 6}, {}, {}},
        {"inverted", nullptr, {100, 0, 0, 50}, {0, 0}, {}, {}},
        {"inverted across the clip", &band, {100, 55, 0, 70}, {0, 0}, {}, {}},
        {"upside down", nullptr, {10, 50, 110, 20}, {0, 0}, {}, {}},
    };
    const Image source = positionCoded(300, 200);
    for (const Case& c : cases) {
        CanaryImage canary(130, 75, 4);
        const auto before = canary.snapshot();
        blitImage(canary.image(), c.clip, 0, c.rect, source, c.position, 255);
        EXPECT_TRUE(matchesModel(canary, before.get(), c.area, 0xFFFFFFFF,
                                 [&](int32_t x, int32_t y, uint32_t, PixelPath) {
                                     return sourceAt(source, x - c.area.left + c.areaSource.x,
                                                     y - c.area.top + c.areaSource.y);
                                 }))
            << c.what;
    }

    // Nothing at opacity 0, nor from a source without pixels.
    CanaryImage canary(40, 4);
    const auto before = canary.snapshot();
    blitImage(canary.image(), nullptr, 1, {0, 0, 40, 4}, source, {0, 0}, 0);
    blitImage(canary.image(), nullptr, 1, {0, 0, 40, 4}, Image(0, 0, PixelFormat::Rgb24), {0, 0}, 255);
    EXPECT_EQ(canary.intactOutside({}, before.get()), "");
}

// Values worked out by hand, independent of the model, at a scalar pixel (0) and a body pixel (3) of a
// row whose first pixel lies 4 bytes past a 16-byte boundary.
TEST_P(BlitImageTest, WorkedPixels) {
    struct Case {
        const char* what;
        PixelFormat format;
        uint8_t mode;
        uint8_t opacity;
        uint32_t destination;
        uint32_t sourceWord;  // the source pixel's bytes, first byte lowest
        uint32_t scalar, sse2, ssse3;
        uint32_t mask;
    };
    const Case cases[] = {
        {"odd weight 129 from 0 toward 127", PixelFormat::Xrgb32, 0, 128, 0, 0x007F7F7F, 0x3F3F3F, 0x3F3F3F,
         0x404040, 0xFFFFFF},
        {"odd weight 255 from 0 toward 1", PixelFormat::Xrgb32, 0, 254, 0, 0x00010101, 0, 0, 0x010101,
         0xFFFFFF},
        {"weight 129 from 255 toward 255", PixelFormat::Rgb24, 0, 128, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFEFEFE,
         0xFFFFFF, 0xFFFFFF},
        {"even weight 2 from 200 toward 100", PixelFormat::Gray8, 0, 2, 0xC8C8C8, 0x64, 0xC7C7C7, 0xC6C6C6,
         0xC7C7C7, 0xFFFFFF},
        {"the copy keeps the fourth byte", PixelFormat::Xrgb32, 0, 255, 0x11223344, 0xA1B2C3D4, 0xA1B2C3D4,
         0xA1B2C3D4, 0xA1B2C3D4, 0xFFFFFFFF},
        {"grey as three equal bytes", PixelFormat::Gray8, 0, 255, 0x123456, 0x9C, 0x9C9C9C, 0x9C9C9C,
         0x9C9C9C, 0xFFFFFF},
        {"Rgb24 in blue, green, red order", PixelFormat::Rgb24, 0, 255, 0, 0x030201, 0x030201, 0x030201,
         0x030201, 0xFFFFFF},
        {"alpha 0 keeps the destination", PixelFormat::Argb32, 1, 255, 0x405060, 0x00FFFFFF, 0x405060,
         0x405060, 0x405060, 0xFFFFFF},
        {"alpha 0 keeps it at any opacity", PixelFormat::GrayAlpha16, 2, 77, 0x405060, 0x00FF, 0x405060,
         0x405060, 0x405060, 0xFFFFFF},
        {"alpha 255 writes the blend result", PixelFormat::GrayAlpha16, 1, 255, 0x405060, 0xFF20, 0x607080,
         0x607080, 0x607080, 0xFFFFFF},
        {"alpha 1 at weight 255 reaches the body only", PixelFormat::Argb32, 0, 254, 0xFFFFFF, 0x01000000,
         0xFFFFFF, 0xFEFEFE, 0xFEFEFE, 0xFFFFFF},
        {"mode byte 7 inverts and multiplies", PixelFormat::Xrgb32, 7, 255, 0x123456, 0, 0xEDCBA9, 0xEDCBA9,
         0xEDCBA9, 0xFFFFFF},
        {"format byte 9 reads four bytes", PixelFormat(9), 3, 255, 0x808080, 0x404040, 0x202020, 0x202020,
         0x202020, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        CanaryImage canary(11, 1, 4);
        paintPixels(canary, c.destination);
        Image source(11, 1, c.format);
        const uint32_t bytesPerPixel = tavelo::bytesPerPixel(c.format);
        for (uint32_t x = 0; x < 11; ++x) {
            std::memcpy(source.data() + x * bytesPerPixel, &c.sourceWord, bytesPerPixel);
        }
        blitImage(canary.image(), nullptr, c.mode, {0, 0, 11, 1}, source, {0, 0}, c.opacity);
        const uint32_t vector = g_hasSsse3 ? c.ssse3 : c.sse2;
        EXPECT_EQ(canary.pixel(0, 0) & c.mask, c.scalar) << c.what << ", scalar";
        EXPECT_EQ(canary.pixel(3, 0) & c.mask, vector) << c.what << ", vector";
    }
}

}  // namespace
}  // namespace velmora::test
