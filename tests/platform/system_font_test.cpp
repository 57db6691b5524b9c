#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/system_font.h"

namespace tavelo::platform {
namespace {

// "ＭＳ Ｐゴシック" in code page 932, as the application names it.
constexpr char msPGothic[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

struct Glyph {
    GlyphMetrics metrics;
    std::vector<unsigned char> rows;
};

Glyph rasterise(SystemFont& font, uint32_t code) {
    Glyph glyph;
    int error = 0;
    const uint32_t size = font.getGlyphOutline(code, glyph.metrics, 0, nullptr, error);
    EXPECT_NE(size, SystemFont::glyphError) << error;
    glyph.rows.resize(size);
    if (size != 0) {
        EXPECT_EQ(font.getGlyphOutline(code, glyph.metrics, size, glyph.rows.data(), error), size);
    }
    return glyph;
}

void open(SystemFont& font, const char* name, int height, bool bold = false, bool italic = false) {
    ASSERT_EQ(font.openLibrary(), 0);
    ASSERT_EQ(font.create(name, 0, height, bold, italic), 0);
    ASSERT_EQ(font.select(), 0);
}

TEST(SystemFontTest, WindowsFaceNamesResolveToIpaPGothic) {
    for (const char* name : {msPGothic, "MS PGothic"}) {
        SystemFont font;
        open(font, name, 32);
        EXPECT_EQ(font.familyName(), "IPAPGothic") << name;
    }
}

TEST(SystemFontTest, APositiveHeightIsTheCellAndANegativeOneTheEm) {
    SystemFont cell;
    open(cell, msPGothic, 32);
    TextMetrics metrics;
    ASSERT_EQ(cell.getTextMetrics(metrics), 0);
    EXPECT_EQ(metrics.height, 32);
    EXPECT_EQ(metrics.ascent + metrics.descent, 32);
    EXPECT_GT(metrics.ascent, metrics.descent);

    // IPAPGothic's cell is taller than its em, so an em of 32 gives a taller cell.
    SystemFont em;
    open(em, msPGothic, -32);
    TextMetrics emMetrics;
    ASSERT_EQ(em.getTextMetrics(emMetrics), 0);
    EXPECT_GT(emMetrics.height, 32);
    EXPECT_GT(rasterise(em, 'A').metrics.blackBoxY, rasterise(cell, 'A').metrics.blackBoxY);
}

TEST(SystemFontTest, GlyphRowsArePaddedCoverageLevels) {
    SystemFont font;
    open(font, msPGothic, 32);
    for (uint32_t code : {uint32_t{'A'}, uint32_t{'i'}, uint32_t{'W'}, uint32_t{0x3042}}) {
        SCOPED_TRACE(code);
        const Glyph glyph = rasterise(font, code);
        const GlyphMetrics& m = glyph.metrics;
        ASSERT_GT(m.blackBoxY, 0u);
        const uint32_t pitch = static_cast<uint32_t>(glyph.rows.size()) / m.blackBoxY;
        EXPECT_EQ(glyph.rows.size(), size_t{pitch} * m.blackBoxY);
        EXPECT_EQ(pitch % 4, 0u);
        EXPECT_GE(pitch, m.blackBoxX);
        EXPECT_LT(pitch, m.blackBoxX + 4);
        EXPECT_GT(m.cellIncX, 0);
        EXPECT_EQ(m.cellIncY, 0);
        EXPECT_GT(m.originY, 0);  // above the baseline
        EXPECT_LE(*std::max_element(glyph.rows.begin(), glyph.rows.end()), 64);
        for (uint32_t y = 0; y < m.blackBoxY; ++y) {
            for (uint32_t x = m.blackBoxX; x < pitch; ++x) {
                EXPECT_EQ(glyph.rows[y * pitch + x], 0) << x << "," << y;
            }
        }
    }
    // Full ink somewhere in a broad stroke.
    const Glyph w = rasterise(font, 'W');
    EXPECT_EQ(*std::max_element(w.rows.begin(), w.rows.end()), 64);
}

TEST(SystemFontTest, ASpaceHasAnAdvanceAndNoRows) {
    SystemFont font;
    open(font, msPGothic, 24);
    const Glyph space = rasterise(font, ' ');
    EXPECT_TRUE(space.rows.empty());
    EXPECT_GT(space.metrics.cellIncX, 0);
}

TEST(SystemFontTest, RefusesABufferTooSmall) {
    SystemFont font;
    open(font, msPGothic, 24);
    GlyphMetrics metrics;
    int error = 0;
    const uint32_t size = font.getGlyphOutline('A', metrics, 0, nullptr, error);
    ASSERT_GT(size, 1u);
    std::vector<unsigned char> buffer(size - 1);
    EXPECT_EQ(font.getGlyphOutline('A', metrics, size - 1, buffer.data(), error), SystemFont::glyphError);
    EXPECT_NE(error, 0);
}

TEST(SystemFontTest, BoldAndItalicAreSynthesisedForAFaceWithoutThem) {
    auto ink = [](const Glyph& glyph) {
        unsigned total = 0;
        for (unsigned char level : glyph.rows) {
            total += level;
        }
        return total;
    };
    SystemFont regular;
    open(regular, msPGothic, 32);
    SystemFont bold;
    open(bold, msPGothic, 32, true);
    EXPECT_GT(ink(rasterise(bold, 'A')), ink(rasterise(regular, 'A')) * 11 / 10);

    // A slanted upright stroke covers more columns.
    SystemFont italic;
    open(italic, msPGothic, 32, false, true);
    EXPECT_GT(rasterise(italic, 'l').metrics.blackBoxX, rasterise(regular, 'l').metrics.blackBoxX + 2);
}

TEST(SystemFontTest, CoverageLevelsRound) {
    EXPECT_EQ(SystemFont::coverageLevel(0), 0);
    EXPECT_EQ(SystemFont::coverageLevel(1), 0);
    EXPECT_EQ(SystemFont::coverageLevel(2), 1);
    EXPECT_EQ(SystemFont::coverageLevel(128), 32);
    EXPECT_EQ(SystemFont::coverageLevel(254), 64);
    EXPECT_EQ(SystemFont::coverageLevel(255), 64);
}

}  // namespace
}  // namespace tavelo::platform
