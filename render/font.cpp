#include "render/font.h"

#include <vector>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

namespace {

[[noreturn]] void throwApiFailure(const char* format, const char* method, int error) {
    throw Win32Exception(formatString(format, method), static_cast<uint32_t>(error));
}

constexpr char constructorName[] = "tavelo::Font::Font";
constexpr char glyphName[] = "tavelo::Font::getGlyphDataImpl";

}  // namespace

void FontCache::put(uint32_t code, const GlyphData& glyph) {
    if (auto found = entries_.find(code); found != entries_.end()) {
        found->second = glyph;
        return;
    }
    if (entries_.size() == capacity) {
        entries_.clear();
    }
    entries_.emplace(code, glyph);
}

const GlyphData* FontCache::find(uint32_t code) const {
    const auto found = entries_.find(code);
    return found != entries_.end() ? &found->second : nullptr;
}

Font::Font(const char* face, int width, int height, bool bold, bool italic) {
    if (const int error = font_.openLibrary()) {
        throwApiFailure("CreateCompatibleDC API failed in %s method.", constructorName, error);
    }
    if (const int error = font_.create(face, width, height, bold, italic)) {
        throwApiFailure("CreateFontA API failed in %s method.", constructorName, error);
    }
    if (const int error = font_.select()) {
        throwApiFailure("SelectObject API failed in %s method.", constructorName, error);
    }
    if (const int error = font_.getTextMetrics(metrics_)) {
        throwApiFailure("GetTextMetrics API failed in %s method.", constructorName, error);
    }
}

GlyphData Font::getGlyphDataImpl(uint32_t code) {
    if (const GlyphData* cached = cache_.find(code)) {
        return *cached;
    }
    platform::GlyphMetrics metrics;
    int error = 0;
    const uint32_t size = font_.getGlyphOutline(code, metrics, 0, nullptr, error);
    if (size == platform::SystemFont::glyphError) {
        throwApiFailure("GetGlyphOutline API failed in %s method.", glyphName, error);
    }
    std::vector<unsigned char> levels(size);
    if (size != 0 && font_.getGlyphOutline(code, metrics, size, levels.data(), error) ==
                         platform::SystemFont::glyphError) {
        throwApiFailure("GetGlyphOutline API failed in %s method.", glyphName, error);
    }

    GlyphData glyph;
    const uint32_t rows = metrics.blackBoxY;
    // Rows are padded to whole words, so the bitmap is as wide as a row of the data, not as the ink.
    const uint32_t pitch = rows != 0 ? size / rows : 0;
    if (pitch != 0) {
        glyph.bitmap = std::make_shared<Image>(pitch, rows, PixelFormat::Gray8);
        unsigned char* pixels = glyph.bitmap->data();
        // pitch x rows, never more: data of a size that is not a whole number of rows has a tail
        // the bitmap has no room for.
        for (size_t i = 0; i < size_t{pitch} * rows; ++i) {
            pixels[i] = coverageByte(levels[i]);
        }
    }
    glyph.offsetX = metrics.originX;
    glyph.offsetY = metrics_.ascent - metrics.originY;
    glyph.advanceX = metrics.cellIncX;
    glyph.advanceY = metrics.cellIncY;
    cache_.put(code, glyph);
    return glyph;
}

}  // namespace tavelo
