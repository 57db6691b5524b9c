#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "core/exception.h"
#include "platform/system_font.h"
#include "render/font.h"

namespace tavelo {
namespace {

// "ＭＳ Ｐゴシック" in code page 932, as the application names it.
constexpr char msPGothic[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

TEST(FontTest, RasterisesInkedGlyphsInTheirCell) {
    for (int height : {32, 24}) {
        SCOPED_TRACE(height);
        Font font(msPGothic, 0, height, false, false);
        EXPECT_EQ(font.metrics().height, height);
        const GlyphData a = font.getGlyphData('A');
        ASSERT_NE(a.bitmap, nullptr);
        const Image& bitmap = *a.bitmap;
        EXPECT_EQ(bitmap.format, PixelFormat::Gray8);
        EXPECT_EQ(bitmap.width % 4, 0u);
        EXPECT_EQ(bitmap.stride, bitmap.width);
        EXPECT_GT(a.advanceX, 0);
        EXPECT_EQ(a.advanceY, 0);
        // From the pen on the ascent line the capital lies inside the cell.
        EXPECT_GE(a.offsetY, 0);
        EXPECT_LE(a.offsetY + static_cast<int32_t>(bitmap.height), font.metrics().ascent);

        // Every byte is one of the 65 coverage levels; full ink reaches 255.
        std::set<int> levels;
        for (int level = 0; level <= 64; ++level) {
            levels.insert(Font::coverageByte(static_cast<uint8_t>(level)));
        }
        int darkest = 0;
        for (uint32_t i = 0; i < bitmap.width * bitmap.height; ++i) {
            EXPECT_TRUE(levels.count(bitmap.data()[i])) << int{bitmap.data()[i]};
            darkest = std::max<int>(darkest, bitmap.data()[i]);
        }
        EXPECT_EQ(darkest, 255);
    }
}

TEST(FontTest, ARecordIsTheRasterisersGlyphSeenFromThePen) {
    Font font(msPGothic, 0, 32, false, false);
    platform::SystemFont rasteriser;
    ASSERT_EQ(rasteriser.openLibrary(), 0);
    ASSERT_EQ(rasteriser.create(msPGothic, 0, 32, false, false), 0);
    ASSERT_EQ(rasteriser.select(), 0);
    for (uint32_t code : {uint32_t{'A'}, uint32_t{'g'}, uint32_t{'j'}, uint32_t{' '}, uint32_t{0x3042}}) {
        SCOPED_TRACE(code);
        platform::GlyphMetrics metrics;
        int error = 0;
        const uint32_t size = rasteriser.getGlyphOutline(code, metrics, 0, nullptr, error);
        std::vector<unsigned char> levels(size);
        ASSERT_EQ(rasteriser.getGlyphOutline(code, metrics, size, levels.data(), error), size);

        const GlyphData glyph = font.getGlyphData(code);
        EXPECT_EQ(glyph.offsetX, metrics.originX);
        EXPECT_EQ(glyph.offsetY, font.metrics().ascent - metrics.originY);
        EXPECT_EQ(glyph.advanceX, metrics.cellIncX);
        EXPECT_EQ(glyph.advanceY, metrics.cellIncY);
        if (size == 0) {
            EXPECT_EQ(glyph.bitmap, nullptr);
            continue;
        }
        ASSERT_NE(glyph.bitmap, nullptr);
        ASSERT_EQ(glyph.bitmap->height, metrics.blackBoxY);
        ASSERT_EQ(glyph.bitmap->width, size / metrics.blackBoxY);
        for (uint32_t i = 0; i < size; ++i) {
            ASSERT_EQ(glyph.bitmap->data()[i], levels[i] * 255 / 64) << i;
        }
    }
}

TEST(FontTest, CoverageLevelsBecomeBytes) {
    EXPECT_EQ(Font::coverageByte(64), 255);
    EXPECT_EQ(Font::coverageByte(32), 127);
    EXPECT_EQ(Font::coverageByte(1), 3);
    EXPECT_EQ(Font::coverageByte(0), 0);
}

TEST(FontTest, ASpaceAdvancesWithoutABitmap) {
    Font font(msPGothic, 0, 24, false, false);
    const GlyphData space = font.getGlyphData(' ');
    EXPECT_EQ(space.bitmap, nullptr);
    EXPECT_GT(space.advanceX, 0);
    // Kept like any other glyph.
    EXPECT_EQ(font.cache().count(), 1u);
}

TEST(FontTest, AGlyphIsRasterisedOnceAndShared) {
    Font font(msPGothic, 0, 32, false, false);
    const GlyphData first = font.getGlyphData('g');
    const GlyphData second = font.getGlyphData('g');
    EXPECT_EQ(first.bitmap, second.bitmap);
    EXPECT_EQ(first.offsetX, second.offsetX);
    EXPECT_EQ(first.offsetY, second.offsetY);
    EXPECT_EQ(first.advanceX, second.advanceX);
    EXPECT_EQ(font.cache().count(), 1u);
}

TEST(FontTest, TheFirstCodeBeyondTheCapacityEmptiesTheCache) {
    Font font(msPGothic, 0, 24, false, false);
    const GlyphData first = font.getGlyphData(0x21);
    for (uint32_t code = 0x22; code < 0x21 + FontCache::capacity; ++code) {
        font.getGlyphData(code);
    }
    EXPECT_EQ(font.cache().count(), FontCache::capacity);
    EXPECT_EQ(font.getGlyphData(0x21).bitmap, first.bitmap);

    font.getGlyphData(0x21 + FontCache::capacity);
    EXPECT_EQ(font.cache().count(), 1u);
    // Asked again, the first glyph is rasterised anew: equal, but a bitmap of its own. The one
    // handed out before lives on through its holder.
    const GlyphData again = font.getGlyphData(0x21);
    ASSERT_NE(again.bitmap, nullptr);
    EXPECT_NE(again.bitmap, first.bitmap);
    ASSERT_EQ(again.bitmap->width, first.bitmap->width);
    ASSERT_EQ(again.bitmap->height, first.bitmap->height);
    EXPECT_EQ(0, std::memcmp(again.bitmap->data(), first.bitmap->data(),
                             size_t{again.bitmap->width} * again.bitmap->height));
    EXPECT_EQ(font.cache().count(), 2u);
}

TEST(FontCacheTest, OverwritingKeepsTheCountAndTheLimitClearsAll) {
    FontCache cache;
    GlyphData glyph;
    glyph.advanceX = 1;
    cache.put(7, glyph);
    glyph.advanceX = 2;
    cache.put(7, glyph);
    EXPECT_EQ(cache.count(), 1u);
    EXPECT_EQ(cache.find(7)->advanceX, 2);
    EXPECT_EQ(cache.find(8), nullptr);

    for (uint32_t code = 100; cache.count() < FontCache::capacity; ++code) {
        cache.put(code, glyph);
    }
    cache.put(7, glyph);  // already held: no clearing
    EXPECT_EQ(cache.count(), FontCache::capacity);
    cache.put(5, glyph);
    EXPECT_EQ(cache.count(), 1u);
    EXPECT_EQ(cache.find(7), nullptr);
    EXPECT_NE(cache.find(5), nullptr);
}

}  // namespace
}  // namespace tavelo
