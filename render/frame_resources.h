#pragma once

#include <memory>
#include <vector>

#include "render/glyph_data.h"
#include "render/image.h"

namespace tavelo {

// What a frame's draw commands point to, held for as long as the frame holds the commands: a sprite
// may be changed or dropped while a frame it drew into is still waiting or being drawn.
struct FrameResources {
    std::vector<std::shared_ptr<Image>> images;
    std::vector<std::shared_ptr<GlyphData[]>> glyphArrays;

    void clear() noexcept {
        images.clear();
        glyphArrays.clear();
    }
};

}  // namespace tavelo
