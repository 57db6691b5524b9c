#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "render/draw_command.h"
#include "render/frame_resources.h"
#include "render/image.h"
#include "render/rect.h"

namespace tavelo {

class SpriteManager;

// The dirty columns of one band, x1 exclusive. An empty span is always stored as {0, 0}.
struct BandSpan {
    int32_t x0 = 0;
    int32_t x1 = 0;

    bool isEmpty() const noexcept { return x0 >= x1; }
    friend bool operator==(const BandSpan&, const BandSpan&) = default;
};

// A kernel row blends a pixel in the scalar or the vector form by where the pixel lies in the row's
// split: a head up to the first 16-byte destination address, a body of pairs of 4-pixel groups from
// there, a tail of what is left (a bilinear body goes one group at a time). A narrower clip keeps every
// pixel of the columns it must get right on the same path if it reaches at least `margin` columns past
// them on both sides (so they stay out of the head, the tail and the short rows) and, where it cuts a
// kernel row's start, starts on that row's own 8-column grid (so the pairs stay the same).
struct NarrowedClip {
    static constexpr int32_t margin = 16;
    static constexpr int32_t grid = 8;
};

// `needed` (inside `span`) widened by the margin, within the span.
BandSpan narrowedColumns(const BandSpan& needed, const BandSpan& span) noexcept;

// The clip's left edge for a kernel row that starts at `start` under the whole span: `left` moved left
// onto the row's grid when it cuts the row, `left` itself when the row starts there or later.
int32_t narrowedLeft(int32_t left, int32_t start) noexcept;

// One state of a layer's frame: what is dirty, band by band, and the commands that redraw it.
struct Frame {
    std::vector<BandSpan> spans;
    // The bounding box of the dirty spans, widened to whole bands vertically.
    Rect dirtyRect;
    // Something was invalidated into this frame.
    bool dirty = false;
    // The layer's commands, in drawing order.
    std::vector<DrawCommand> commands;
    FrameResources resources;
    // The commands whose rows reach each band, as indices into `commands` in drawing order: band b's
    // are bandCommands[bandStarts[b]] up to bandCommands[bandStarts[b + 1]]. Built with the commands,
    // so a band visits only its own instead of testing every command of the frame.
    std::vector<uint32_t> bandStarts;
    std::vector<uint32_t> bandCommands;

    // Back to a clean frame of the same band count; the lists keep their capacity.
    void clear() noexcept;
    // Nothing dirty any more; the commands and their keep-alive lists stay.
    void clearDirt() noexcept;
    // No commands, and nothing kept alive for them.
    void clearCommands() noexcept;
};

// Turns one layer's sprites into frames of draw commands, band by band. A band is as many whole rows
// as fit in 64 KiB of 32-bit pixels, so a worker keeps the band's pixels in cache while it draws them.
//
// Three frames let the frame thread collect and build the next frame while a worker draws the last:
// invalidations go into `pending`; a build turns it into `ready`; the hand-over moves `ready` to
// `drawing`, which only the worker reads until it is done. The drawer has no lock of its own: the
// Screen lock guards everything but the drawing frame and the spans last drawn, which belong to the
// workers between a hand-over and their `done`.
class ScreenDrawer {
public:
    // Refuses a layer it cannot band (no columns, no rows, or rows wider than a band holds).
    ScreenDrawer(const std::shared_ptr<SpriteManager>& spriteManager, uint32_t width, uint32_t height,
                 uint32_t rowsPerBand);
    virtual ~ScreenDrawer() = default;
    ScreenDrawer(const ScreenDrawer&) = delete;
    ScreenDrawer& operator=(const ScreenDrawer&) = delete;

    // Marks an area of the layer dirty in the pending frame; an empty or inverted one changes nothing.
    void invalidate(const Rect& rect);
    // Builds the pending frame's commands when something was invalidated, keeping the dirty area of a
    // built frame that no worker took yet. Returns the ready frame's dirty rectangle: empty when
    // nothing waits for a worker.
    const Rect& buildFrame();
    // Makes both frames dirty in the union of their dirty areas.
    static void mergeDirty(Frame& a, Frame& b);
    // Gives the ready frame to the workers, retiring the frame they drew before. The retired frame's
    // commands and the last references to their images go only with `releaseRetired` (or the next
    // build), so that the Screen can start the workers first.
    void handOver();
    // Lets go of the commands of a ready frame that has nothing to draw, as the retired one has.
    void releaseRetired() noexcept;
    // Ends the drawing frame's life; its spans become the ones last drawn.
    void retireDrawnFrame();

    // Draws the drawing frame's commands that reach `band` into `destination`, clipped to the band's
    // dirty columns, with the band's rows moved by `offsetY`. Returns the band's dirty area in layer
    // coordinates.
    //
    // With `needed` (columns inside the dirty span, not empty), only the pixels of those columns have to
    // come out as drawing the whole span makes them: the clip narrows to them and a margin around them
    // (see narrowedColumns), and each command's clip starts where the kernels take every needed pixel
    // through the same path as under the whole span. Text keeps the span's left edge.
    Rect drawBand(const Image& destination, uint32_t band, int32_t offsetY,
                  const BandSpan* needed = nullptr) const;
    // The part of a band that changed in the last drawn frame and is not entirely redrawn by this one:
    // the worker restores it from the last presented frame before drawing.
    Rect staleBandRect(uint32_t band) const;
    // The dirty columns of a band whose pixels the band's first command overwrites, whatever lay there
    // (an opaque fill over all of them), as a rectangle of the band's rows; otherwise empty. What the
    // stale copy would restore there is overwritten before anything reads it.
    Rect overwrittenBandRect(uint32_t band) const;

    uint32_t getWidth() const noexcept { return width_; }
    uint32_t getHeight() const noexcept { return height_; }
    uint32_t getBandHeight() const noexcept { return bandHeight_; }
    uint32_t getBandCount() const noexcept { return bandCount_; }
    bool hasDrawingFrame() const noexcept { return hasDrawingFrame_; }
    Frame& getPending() noexcept { return pending_; }
    const Frame& getPending() const noexcept { return pending_; }
    const Frame& getReady() const noexcept { return ready_; }
    const Frame& getDrawing() const noexcept { return drawing_; }
    const std::vector<BandSpan>& getLastDrawnSpans() const noexcept { return lastDrawnSpans_; }

private:
    // The rows of a band: [top, bottom).
    int32_t bandTop(uint32_t band) const noexcept;
    int32_t bandBottom(uint32_t band) const noexcept;
    // Fills the frame's per-band command lists from its commands.
    void listBandCommands(Frame& frame);
    // The bands whose rows `rect` meets, [first, end).
    std::pair<uint32_t, uint32_t> bandRun(const Rect& rect) const noexcept;

    std::weak_ptr<SpriteManager> spriteManager_;
    uint32_t width_;
    uint32_t height_;
    uint32_t bandHeight_;
    uint32_t bandCount_;
    bool hasDrawingFrame_ = false;
    Frame pending_;
    Frame ready_;
    Frame drawing_;
    std::vector<BandSpan> lastDrawnSpans_;
    // While the lists are filled: each command's bands, and where each band's next index goes.
    std::vector<std::pair<uint32_t, uint32_t>> commandBands_;
    std::vector<uint32_t> bandCursors_;
};

}  // namespace tavelo
