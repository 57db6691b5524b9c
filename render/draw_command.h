#pragma once

#include <cstdint>

#include "render/color.h"
#include "render/rect.h"

namespace tavelo {

struct GlyphData;
struct Image;

// How a source combines with the destination. Every value above 4 acts as InverseMultiply.
enum class BlendMode : uint8_t {
    Normal = 0,
    Add = 1,       // saturating
    Subtract = 2,  // saturating, destination minus source
    Multiply = 3,
    InverseMultiply = 4,
};

constexpr BlendMode normalizedBlendMode(BlendMode mode) noexcept {
    return static_cast<uint8_t>(mode) >= static_cast<uint8_t>(BlendMode::InverseMultiply)
               ? BlendMode::InverseMultiply
               : mode;
}

// Every value above 3 acts as ImageCommand.
enum class DrawCommandKind : uint32_t {
    FillRectCommand = 0,
    TextCommand = 1,
    ScaledImageCommand = 2,
    ImageCommand = 3,
};

// One drawing step of a frame. The pointers do not own: the frame that holds the command keeps its
// images and glyph arrays alive. Fields a kind does not use are zero.
struct DrawCommand {
    DrawCommandKind kind = DrawCommandKind::FillRectCommand;
    BlendMode blendMode = BlendMode::Normal;
    uint8_t alpha = 0;
    // The area the command touches, in layer coordinates; the renderer picks bands by its rows.
    Rect rect;

    // FillRectCommand and TextCommand.
    Color color;
    // TextCommand: the pen start and the glyphs; `rect` is the inked glyphs' bounding box.
    int32_t originX = 0;
    int32_t originY = 0;
    const GlyphData* glyphs = nullptr;
    uint64_t glyphCount = 0;
    // ScaledImageCommand: the part of `image` drawn into `rect`; nonzero `smooth` samples bilinearly.
    Rect srcRect;
    const Image* image = nullptr;
    uint8_t smooth = 0;
    // ImageCommand: the source position of `rect`'s top-left corner, drawn at the image's own size.
    int32_t srcX = 0;
    int32_t srcY = 0;
};

// Maps a band of a frame onto the buffer a pixel routine writes: a command's coordinates are moved by
// the offsets, then limited to the clip rectangle (in destination coordinates).
struct ClipInfo {
    Rect clip;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
};

}  // namespace tavelo
