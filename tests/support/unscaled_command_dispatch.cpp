// For test and benchmark programs that draw fills, text and images at their own size only: linked into
// such a program, this routes draw commands to the same pixel dispatchers as the renderer's own
// dispatch, so that the program does not need the scaled image routines linked in.

#include <cstdio>
#include <cstdlib>

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
            std::fputs("This program draws no scaled images.\n", stderr);
            std::abort();
        default: {
            const auto blitImage = g_hasSsse3 ? blitImageSsse3 : blitImageSse2;
            blitImage(destination, clip, command.blendMode, command.rect, *command.image,
                      {command.srcX, command.srcY}, command.alpha);
            return;
        }
    }
}

}  // namespace tavelo
