#include "render/kernels/fill_text_transition/glyph_run.h"

#include <climits>

#include "render/kernels/fill_text_transition/glyph_kernels.h"
#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/opacity_weights.h"

namespace tavelo {
namespace {

// What every glyph of one run shares. The pen is kept in 64 bits so no run of advances overflows it.
struct GlyphRunState {
    const Image& destination;
    const ClipInfo* clip;
    GlyphKernel kernel;
    OpacityWeights weights;
    uint32_t colour;
    int64_t penX;
    int64_t penY;
};

// Places one glyph at the pen, moves the pen by its advance (whether the glyph is drawn, clipped away
// or has no ink), and paints the visible part of its bitmap.
void drawGlyph(GlyphRunState& run, const GlyphData& glyph) {
    const int64_t left = run.penX + glyph.offsetX;
    const int64_t top = run.penY + glyph.offsetY;
    run.penX += glyph.advanceX;
    run.penY += glyph.advanceY;

    const Image* bitmap = glyph.bitmap.get();
    if (bitmap == nullptr || bitmap->width == 0 || bitmap->height == 0) {
        return;
    }
    WideRect placed(left, top, left + bitmap->width, top + bitmap->height);
    Rect bounds{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    if (run.clip != nullptr) {
        placed = placed.moved(run.clip->offsetX, run.clip->offsetY);
        bounds = run.clip->clip;
    }
    const Rect visible = intersectWide(placed, bounds);
    if (visible.isEmpty()) {
        return;
    }
    // The clip skips as many bitmap columns and rows as it cuts off at the left and the top.
    const Point coveragePosition{static_cast<int32_t>(visible.left - placed.left),
                                 static_cast<int32_t>(visible.top - placed.top)};
    run.kernel(run.destination, run.weights, visible, *bitmap, coveragePosition, run.colour);
}

void drawGlyphRun(const GlyphKernelTable& kernels, const Image& destination, const ClipInfo* clip,
                  BlendMode mode, const Point& origin, const GlyphData* glyphs, uint64_t count,
                  const Color& color, uint8_t opacity) {
    const uint32_t weight = opacityWeight(opacity);
    if (weight == 0) {
        return;
    }
    GlyphRunState run{destination,
                      clip,
                      kernels[modeIndex(mode)][classIndex(opacityClass(weight))],
                      makeOpacityWeights(weight),
                      packColor(color),
                      origin.x,
                      origin.y};
    for (uint64_t i = 0; i < count; ++i) {
        drawGlyph(run, glyphs[i]);
    }
}

}  // namespace

void drawGlyphRunSsse3(const Image& destination, const ClipInfo* clip, BlendMode mode, const Point& origin,
                       const GlyphData* glyphs, uint64_t count, const Color& color, uint8_t opacity) {
    drawGlyphRun(ssse3::glyphKernels, destination, clip, mode, origin, glyphs, count, color, opacity);
}

void drawGlyphRunSse2(const Image& destination, const ClipInfo* clip, BlendMode mode, const Point& origin,
                      const GlyphData* glyphs, uint64_t count, const Color& color, uint8_t opacity) {
    drawGlyphRun(sse2::glyphKernels, destination, clip, mode, origin, glyphs, count, color, opacity);
}

}  // namespace tavelo
