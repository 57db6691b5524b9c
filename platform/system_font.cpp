#include "platform/system_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace tavelo::platform {

namespace {

// The Windows face names the program asks for, resolved to the IPA font that takes their place.
constexpr char faceAliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <alias binding="same"><family>ＭＳ Ｐゴシック</family><prefer><family>IPAPGothic</family></prefer></alias>
  <alias binding="same"><family>MS PGothic</family><prefer><family>IPAPGothic</family></prefer></alias>
</fontconfig>
)";

// The system's font configuration with the aliases above, built once and shared: fontconfig's
// matching is safe from several threads.
FcConfig* fontConfig() {
    static const std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> config(
        [] {
            FcConfig* loaded = FcInitLoadConfig();
            if (loaded != nullptr) {
                FcConfigParseAndLoadFromMemory(loaded, reinterpret_cast<const FcChar8*>(faceAliases), FcTrue);
                FcConfigBuildFonts(loaded);
            }
            return loaded;
        }(),
        &FcConfigDestroy);
    return config.get();
}

// A face name in code page 932 as UTF-8; bytes that are not valid there are kept as they are.
std::string faceNameToUtf8(const char* name) {
    std::string in(name);
    const std::unique_ptr<void, decltype(&iconv_close)> converter(iconv_open("UTF-8", "CP932"), &iconv_close);
    if (converter.get() == reinterpret_cast<iconv_t>(-1)) {
        return in;
    }
    // One or two CP932 bytes become at most three UTF-8 bytes.
    std::string out(in.size() * 3, '\0');
    char* from = in.data();
    size_t fromLeft = in.size();
    char* to = out.data();
    size_t toLeft = out.size();
    if (iconv(converter.get(), &from, &fromLeft, &to, &toLeft) == static_cast<size_t>(-1)) {
        return in;
    }
    out.resize(out.size() - toLeft);
    return out;
}

int64_t roundedDivide(int64_t numerator, int64_t denominator) {
    return (numerator + denominator / 2) / denominator;
}

}  // namespace

SystemFont::~SystemFont() {
    if (face_ != nullptr) {
        FT_Done_Face(face_);
    }
    if (library_ != nullptr) {
        FT_Done_FreeType(library_);
    }
}

int SystemFont::openLibrary() noexcept {
    return FT_Init_FreeType(&library_);
}

int SystemFont::create(const char* name, int width, int height, bool bold, bool italic) {
    FcConfig* config = fontConfig();
    const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(),
                                                                          &FcPatternDestroy);
    if (config == nullptr || pattern == nullptr) {
        return ENOMEM;
    }
    const std::string family = faceNameToUtf8(name);
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    // Only outlines give anti-aliased coverage at any size.
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(
        FcFontMatch(config, pattern.get(), &result), &FcPatternDestroy);
    FcChar8* file = nullptr;
    if (match == nullptr || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
        return ENOENT;
    }
    int index = 0;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    if (const FT_Error error = FT_New_Face(library_, reinterpret_cast<const char*>(file), index, &face_)) {
        face_ = nullptr;
        return error;
    }
    width_ = width;
    height_ = height;
    // The face's own style says what is left to synthesise.
    embolden_ = bold && (face_->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    oblique_ = italic && (face_->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    return 0;
}

int SystemFont::select() noexcept {
    if (face_ == nullptr || !FT_IS_SCALABLE(face_)) {
        return FT_Err_Invalid_Face_Handle;
    }
    // The cell is measured as Windows measures it, by the OS/2 table's ascent and descent, where
    // the face has them.
    int64_t ascentUnits = face_->ascender;
    int64_t descentUnits = -int64_t{face_->descender};
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascentUnits = os2->usWinAscent;
        descentUnits = os2->usWinDescent;
    }
    const int64_t cellUnits = ascentUnits + descentUnits;
    const int64_t unitsPerEm = face_->units_per_EM;
    if (cellUnits <= 0 || unitsPerEm <= 0) {
        return FT_Err_Invalid_Face_Handle;
    }

    // 12 points at 96 dots per inch.
    constexpr int64_t defaultCell = 16;
    int64_t emHeight = 0;  // 26.6 pixels
    if (height_ >= 0) {
        const int64_t cell = height_ == 0 ? defaultCell : height_;
        emHeight = roundedDivide(cell * 64 * unitsPerEm, cellUnits);
        metrics_.ascent = static_cast<int32_t>(roundedDivide(ascentUnits * cell, cellUnits));
        metrics_.height = static_cast<int32_t>(cell);
        metrics_.descent = metrics_.height - metrics_.ascent;
    } else {
        const int64_t em = -int64_t{height_};
        emHeight = em * 64;
        metrics_.ascent = static_cast<int32_t>(roundedDivide(ascentUnits * em, unitsPerEm));
        metrics_.descent = static_cast<int32_t>(roundedDivide(descentUnits * em, unitsPerEm));
        metrics_.height = metrics_.ascent + metrics_.descent;
    }
    int64_t emWidth = emHeight;
    if (width_ != 0 && os2 != nullptr && os2->xAvgCharWidth > 0) {
        emWidth = std::llabs(width_) * 64 * unitsPerEm / os2->xAvgCharWidth;
    }

    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.width = emWidth;
    request.height = emHeight;
    if (const FT_Error error = FT_Request_Size(face_, &request)) {
        return error;
    }
    selected_ = true;
    loadedCode_ = -1;
    return 0;
}

int SystemFont::getTextMetrics(TextMetrics& metrics) const noexcept {
    if (!selected_) {
        return FT_Err_Invalid_Size_Handle;
    }
    metrics = metrics_;
    return 0;
}

uint32_t SystemFont::getGlyphOutline(uint32_t code, GlyphMetrics& metrics, uint32_t bufferSize,
                                     unsigned char* buffer, int& error) noexcept {
    if (code != loadedCode_) {
        loadedCode_ = -1;
        if ((error = loadGlyph(code)) != 0) {
            return glyphError;
        }
        loadedCode_ = code;
    }
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    // Rows are padded to whole 32-bit words, as desktop glyph bitmaps are.
    const uint32_t pitch = (bitmap.width + 3) & ~3u;
    const uint64_t size = uint64_t{pitch} * bitmap.rows;
    if (size >= glyphError || (size != 0 && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)) {
        error = FT_Err_Invalid_Pixel_Size;
        return glyphError;
    }
    metrics.blackBoxX = bitmap.width;
    metrics.blackBoxY = bitmap.rows;
    metrics.originX = slot->bitmap_left;
    metrics.originY = slot->bitmap_top;
    metrics.cellIncX = static_cast<int16_t>((slot->advance.x + 32) >> 6);
    metrics.cellIncY = static_cast<int16_t>((slot->advance.y + 32) >> 6);
    if (buffer == nullptr || bufferSize == 0) {
        return static_cast<uint32_t>(size);
    }
    if (bufferSize < size) {
        error = ERANGE;
        return glyphError;
    }
    // A negative pitch means the rows are stored bottom up.
    const unsigned char* top =
        bitmap.pitch >= 0 ? bitmap.buffer : bitmap.buffer - int64_t{bitmap.pitch} * (bitmap.rows - 1);
    for (uint32_t y = 0; y < bitmap.rows; ++y) {
        const unsigned char* from = top + int64_t{bitmap.pitch} * y;
        unsigned char* to = buffer + uint64_t{pitch} * y;
        for (uint32_t x = 0; x < pitch; ++x) {
            to[x] = x < bitmap.width ? coverageLevel(from[x]) : 0;
        }
    }
    return static_cast<uint32_t>(size);
}

std::string SystemFont::familyName() const {
    return face_ != nullptr && face_->family_name != nullptr ? face_->family_name : "";
}

int SystemFont::loadGlyph(uint32_t code) noexcept {
    if (!selected_) {
        return FT_Err_Invalid_Size_Handle;
    }
    FT_Error error = FT_Load_Glyph(face_, FT_Get_Char_Index(face_, code), FT_LOAD_NO_BITMAP);
    if (error == 0 && embolden_) {
        FT_GlyphSlot_Embolden(face_->glyph);
    }
    if (error == 0 && oblique_) {
        FT_GlyphSlot_Oblique(face_->glyph);
    }
    if (error == 0) {
        error = FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL);
    }
    return error;
}

}  // namespace tavelo::platform
