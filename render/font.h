#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include "platform/system_font.h"
#include "render/glyph_data.h"

namespace tavelo {

// A source of rasterised glyphs by character code.
class IFont {
public:
    virtual ~IFont() = default;
    GlyphData getGlyphData(uint32_t code) { return getGlyphDataImpl(code); }

protected:
    virtual GlyphData getGlyphDataImpl(uint32_t code) = 0;
};

// The glyphs a font has rasterised, at most `capacity` of them. There is no eviction of single
// entries: the first new code beyond the capacity empties the cache. Bitmaps handed out live on
// through their own shared pointers.
class FontCache {
public:
    static constexpr size_t capacity = 2048;

    // Stores `glyph` under `code`, replacing what the code held.
    void put(uint32_t code, const GlyphData& glyph);
    // The glyph stored under `code`, or null.
    const GlyphData* find(uint32_t code) const;
    // Glyphs stored since the cache was last emptied.
    size_t count() const { return entries_.size(); }

private:
    std::map<uint32_t, GlyphData> entries_;
};

// A system font rasterising glyphs into Gray8 coverage bitmaps (0 no ink, 255 full ink), each kept
// in the font's cache once made. Used by one thread at a time; the bitmaps it hands out are never
// written again, so other threads may read them.
class Font : public IFont {
public:
    // `face` is a face name in code page 932; `width` and `height` are as a desktop font takes them:
    // a positive height is the character cell, a negative one the em, and a width of 0 keeps the
    // face's own proportions. Throws Win32Exception when no font can be set up.
    Font(const char* face, int width, int height, bool bold, bool italic);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const platform::TextMetrics& metrics() const { return metrics_; }
    const FontCache& cache() const { return cache_; }

    // The rasteriser's coverage levels 0..64 as bitmap bytes 0..255.
    static constexpr uint8_t coverageByte(uint8_t level) noexcept {
        return static_cast<uint8_t>(level * 255 / 64);
    }

protected:
    // Throws Win32Exception, leaving the cache as it was, when the glyph cannot be rasterised.
    GlyphData getGlyphDataImpl(uint32_t code) override;

private:
    platform::SystemFont font_;
    platform::TextMetrics metrics_;
    FontCache cache_;
};

}  // namespace tavelo
