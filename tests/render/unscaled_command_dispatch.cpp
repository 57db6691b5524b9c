// These tests draw fills, text and images at their own size only. Their programs route draw commands
// here, to the same pixel dispatchers the renderer's own dispatch calls, so that they do not need the
// scaled image routines linked in.

#include <gtest/gtest.h>

#include "core/cpu.h"
#include "render/command_dispatch.h"
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
            ADD_FAILURE() << "these tests draw no scaled images";
            return;
        default: {
            const auto blitImage = g_hasSsse3 ? blitImageSsse3 : blitImageSse2;
            blitImage(destination, clip, command.blendMode, command.rect, *command.image,
                      {command.srcX, command.srcY}, command.alpha);
            return;
        }
    }
}

}  // namespace tavelo
