#pragma once

#include "render/draw_command.h"
#include "render/image.h"

namespace tavelo {

// Sends one command to the pixel routines of its kind, picking the instruction set by g_hasSsse3 at
// every call. `clip` (may be null) maps the command onto `destination`.
void executeDrawCommand(const Image& destination, const ClipInfo* clip, const DrawCommand& command);

}  // namespace tavelo
