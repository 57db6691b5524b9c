#include "render/command_dispatch.h"

#include "core/cpu.h"
#include "render/kernels/blit/image_blit.h"
#include "render/kernels/fill_text_transition/fill_rect.h"
#include "render/kernels/fill_text_transition/glyph_run.h"

namespace tavelo {

void executeDrawCommand(const Image& destination, const ClipInfo* clip, const DrawCommand& command) {
    switch (command.kind) {
        case DrawCommandKind::FillRectCommand:
            fillRect(destination, clip, command.blendMode, command.rect, command.color, command.alpha);
            return;
        case DrawCommandKind::TextCommand: {
            const auto drawGlyphRun = g_hasSsse3 ? drawGlyphRunSsse3 : drawGlyphRunSse2;
            drawGlyphRun(destination, clip, command.blendMode, {command.originX, command.originY},
                         command.glyphs, command.glyphCount, command.color, command.alpha);
            return;
        }
        case DrawCommandKind::ScaledImageCommand:
            drawImageRect(destination, clip, command.blendMode, command.rect, *command.image, command.srcRect,
                          command.alpha, command.smooth);
            return;
        default: {
            // ImageCommand, and every kind above it.
            const auto blitImage = g_hasSsse3 ? blitImageSsse3 : blitImageSse2;
            blitImage(destination, clip, command.blendMode, command.rect, *command.image,
                      {command.srcX, command.srcY}, command.alpha);
            return;
        }
    }
}

}  // namespace tavelo
