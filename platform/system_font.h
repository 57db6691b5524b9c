#pragma once

#include <cstdint>
#include <string>

// FreeType's own records; only system_font.cpp sees inside them.
struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace tavelo::platform {

// A font's vertical metrics in pixels. A glyph's pen stands on the ascent line.
struct TextMetrics {
    int32_t height = 0;  // the character cell: ascent + descent
    int32_t ascent = 0;
    int32_t descent = 0;
};

// Where one glyph's inked pixels (its black box) lie and how far the pen moves after it. The origin
// is the box's top-left corner relative to the pen on the baseline, y counting upwards.
struct GlyphMetrics {
    uint32_t blackBoxX = 0;
    uint32_t blackBoxY = 0;
    int32_t originX = 0;
    int32_t originY = 0;
    int16_t cellIncX = 0;
    int16_t cellIncY = 0;
};

// A system font found by face name through fontconfig and rasterised by a FreeType library of its
// own (a library may not be used by two threads at once; each font is used by one at a time).
//
// It is set up in the four steps a desktop font goes through, each reporting its own failure:
// openLibrary, create, select and getTextMetrics. Failures return the FreeType error, or an errno
// value where FreeType is not involved, and 0 for success.
class SystemFont {
public:
    // The result of a failed getGlyphOutline.
    static constexpr uint32_t glyphError = 0xFFFFFFFF;

    SystemFont() = default;
    ~SystemFont();
    SystemFont(const SystemFont&) = delete;
    SystemFont& operator=(const SystemFont&) = delete;

    int openLibrary() noexcept;
    // Finds the face for `name`, a face name in code page 932 (Shift-JIS; bytes that are not are
    // taken as they are). "ＭＳ Ｐゴシック" and "MS PGothic" resolve to IPAPGothic. Another name gets
    // fontconfig's closest face. A bold or italic request the face found cannot meet is synthesised.
    int create(const char* name, int width, int height, bool bold, bool italic);
    // Sizes the face as a desktop font mapper would: a positive height is the character cell
    // (ascent + descent), a negative one the em, 0 a default 16-pixel cell; a width other than 0
    // stretches the glyphs so that the average character is that wide.
    int select() noexcept;
    int getTextMetrics(TextMetrics& metrics) const noexcept;

    // The glyph of a character code as coverage rows of 0..64 per pixel, each row zero-padded to a
    // multiple of 4 bytes. Returns the byte size of those rows and sets `metrics`; with a buffer of
    // at least that size it also writes them there. A code the face lacks gets its missing-glyph
    // box. Returns glyphError, with `error` set, when the glyph cannot be rasterised or the buffer
    // is too small.
    uint32_t getGlyphOutline(uint32_t code, GlyphMetrics& metrics, uint32_t bufferSize, unsigned char* buffer,
                             int& error) noexcept;

    // The family of the face found, such as "IPAPGothic".
    std::string familyName() const;

    // FreeType's 256 coverage levels in the 65 (0..64) that the rows above carry, rounded.
    static constexpr uint8_t coverageLevel(uint8_t coverage) noexcept {
        return static_cast<uint8_t>((coverage * 64 + 127) / 255);
    }

private:
    int loadGlyph(uint32_t code) noexcept;

    FT_LibraryRec_* library_ = nullptr;
    FT_FaceRec_* face_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool embolden_ = false;
    bool oblique_ = false;
    bool selected_ = false;
    TextMetrics metrics_;
    // The glyph slot still holds this code's bitmap: asking for its size and then its rows
    // rasterises once.
    int64_t loadedCode_ = -1;
};

}  // namespace tavelo::platform
