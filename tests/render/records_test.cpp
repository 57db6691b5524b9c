#include <gtest/gtest.h>

#include "core/exception.h"
#include "render/color.h"
#include "render/image.h"
#include "render/rect.h"

namespace tavelo {
namespace {

TEST(RectTest, EmptinessIncludesInvertedRectangles) {
    EXPECT_TRUE((Rect{}).isEmpty());
    EXPECT_TRUE((Rect{5, 7, 5, 9}).isEmpty());
    EXPECT_TRUE((Rect{10, 0, 5, 10}).isEmpty());
    EXPECT_TRUE((Rect{0, 10, 10, 5}).isEmpty());
    EXPECT_FALSE((Rect{-10, -10, -9, -9}).isEmpty());
    EXPECT_EQ((Rect{INT32_MIN, 0, INT32_MAX, 1}).width(), int64_t{UINT32_MAX});
}

TEST(RectTest, UniteRect) {
    struct Case {
        Rect a, b, expected;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {-5, 2, 3, 20}, {-5, 0, 10, 20}},
        // Empty operands count as nothing, however far away; two empties give the second.
        {{0, 0, 0, 0}, {5, 7, 5, 9}, {5, 7, 5, 9}},
        {{1, 2, 3, 4}, {500, 500, 500, 900}, {1, 2, 3, 4}},
        {{100, 100, 90, 120}, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {{1, 2, 3, 4}, {-50, -50, -60, -40}, {1, 2, 3, 4}},
        {{-20, -30, -10, -5}, {-8, -4, -2, -1}, {-20, -30, -2, -1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(uniteRect(c.a, c.b), c.expected);
    }
}

TEST(RectTest, IntersectRect) {
    struct Case {
        Rect a, b, expected;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}},  // touching: empty but not zero
        {{0, 0, 10, 10}, {11, 0, 20, 10}, {}},
        {{-10, -10, 5, 5}, {-20, -3, -4, 30}, {-10, -3, -4, 5}},
        {{0, 0, 1366, 11}, {-10, 3, -2, 8}, {}},
        // Inverted operands count as empty.
        {{0, 0, 10, 10}, {8, 2, 3, 7}, {}},
        {{20, 0, 0, 10}, {0, 0, 10, 10}, {}},
        {{0, 0, 0, 10}, {0, 0, 10, 10}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(intersectRect(c.a, c.b), c.expected);
        EXPECT_EQ(intersectRect(c.b, c.a), c.expected);
    }
}

TEST(ColorTest, PacksGreyAndRgb) {
    EXPECT_EQ(packColor({0, 200, 1, 2}), 0x00C8C8C8u);
    EXPECT_EQ(packColor({1, 200, 1, 2}), 0x00C80102u);
    EXPECT_EQ(packColor({9, 0xFF, 0xFF, 0xFF}), 0x00FFFFFFu);
}

TEST(ImageTest, AllocatingConstructorSizesAndZeroesTheSpareBytes) {
    const Image rgb(3, 2, PixelFormat::Rgb24);
    EXPECT_EQ(rgb.stride, 9u);
    EXPECT_EQ(Image::bufferSize(3, 2, PixelFormat::Rgb24), 33u);
    for (int i = 18; i < 33; ++i) {
        EXPECT_EQ(rgb.data()[i], 0) << i;
    }
    // Every format value above 3 counts four bytes a pixel.
    EXPECT_EQ(Image(3, 2, static_cast<PixelFormat>(7)).stride, 12u);
    EXPECT_EQ(Image(5, 1, PixelFormat::Gray8).stride, 5u);
    EXPECT_EQ(Image(5, 1, PixelFormat::GrayAlpha16).stride, 10u);
    EXPECT_EQ(Image(5, 1, PixelFormat::Argb32).stride, 20u);
    EXPECT_EQ(Image(0, 0, PixelFormat::Argb32).stride, 0u);
}

TEST(ImageTest, RefusesSizesThatWouldOverflow) {
    // A stride beyond 32 bits, and sides too long to compare as signed.
    EXPECT_EQ(Image::bufferSize(0x40000000, 1, PixelFormat::Argb32), 0u);
    EXPECT_EQ(Image::bufferSize(0x80000000u, 1, PixelFormat::Gray8), 0u);
    EXPECT_EQ(Image::bufferSize(1, 0x80000000u, PixelFormat::Gray8), 0u);
    // The byte size itself is computed in 64 bits, never wrapped to something small.
    EXPECT_EQ(Image::bufferSize(0x10000, 0x10001, PixelFormat::Argb32), 0x400040000ull + 15);
    try {
        Image image(0x40000000, 4, PixelFormat::Xrgb32);
        FAIL() << "expected Exception";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Out of memory in tavelo::Image::Image method.");
    }
}

TEST(ImageTest, WrappingConstructorSharesTheBuffer) {
    auto buffer = std::shared_ptr<unsigned char>(new unsigned char[64], std::default_delete<unsigned char[]>());
    Image image(4, 4, PixelFormat::Xrgb32, 16, buffer);
    EXPECT_EQ(image.data(), buffer.get());
    EXPECT_EQ(image.row(2), buffer.get() + 32);
    EXPECT_EQ(buffer.use_count(), 2);
}

}  // namespace
}  // namespace tavelo
