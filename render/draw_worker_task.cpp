#include "render/draw_worker_task.h"

#include <algorithm>
#include <utility>

#include "core/cpu.h"
#include "platform/presenter.h"
#include "render/kernels/blit/image_blit.h"
#include "render/kernels/fill_text_transition/masked_transition.h"
#include "render/screen.h"
#include "render/screen_drawer.h"
#include "render/transition_columns.h"

namespace tavelo {

namespace {

void blitImage(const Image& destination, const Rect& rect, const Image& source, const Point& sourcePosition,
               uint8_t opacity) {
    const auto blit = g_hasSsse3 ? blitImageSsse3 : blitImageSse2;
    blit(destination, nullptr, BlendMode::Normal, rect, source, sourcePosition, opacity);
}

// The part of `rect` that lies inside the 32-bit `image`.
Rect insideImage(const Rect& rect, const Image& image) {
    return intersectRect(rect, {0, 0, static_cast<int32_t>(image.width), static_cast<int32_t>(image.height)});
}

// One frame as a worker draws it: `a` is drawn straight into the back buffer, `b` (when set) into the
// band buffer and composed over it. Each finished band's part of the frame rectangle is staged with
// the presenter at once, while its rows are still in this worker's cache.
struct FrameBands {
    const ScreenDrawer* a;
    const ScreenDrawer* b;
    const Image& back;
    const Image& front;
    const Image& band;
    uint8_t level;
    const Image* mask;
    TransitionTable table;
    TransitionThresholds thresholds;
    platform::IPresenter& presenter;
    Rect presented;  // the frame rectangle, inside the back buffer

    void draw(uint32_t index) const {
        Rect stale = a->staleBandRect(index);
        if (b) {
            stale = uniteRect(stale, b->staleBandRect(index));
        }
        if (!stale.isEmpty()) {
            restore(stale, a->overwrittenBandRect(index));
        }
        // Layer 1's band buffer holds the band's rows from its own row 0.
        const int32_t bandTop = static_cast<int32_t>(uint64_t{index} * a->getBandHeight());
        const int32_t bandBottom = static_cast<int32_t>(
            std::min<int64_t>(int64_t{bandTop} + a->getBandHeight(), int64_t{back.height}));
        if (!drawThroughMask(index, bandTop, bandBottom)) {
            const Rect drawnB = b ? b->drawBand(band, index, -bandTop) : Rect{};
            const Rect drawnA = a->drawBand(back, index, 0);
            const Rect area = uniteRect(drawnB, drawnA);
            if (b && !area.isEmpty()) {
                compose(area, {area.left, area.top - bandTop});
            }
        }
        // No later band writes these rows, so they are final; the rest of the frame rectangle in them
        // already matches the last frame, as the stale copy made it.
        const Rect finished =
            intersectRect(presented, {presented.left, bandTop, presented.right, bandBottom});
        if (!finished.isEmpty()) {
            presenter.stageBand(back, finished);
        }
    }

    // A band of a transition through a mask that covers it: each layer is drawn only about the columns
    // where the mask lets it show in this band, read from the mask as it is now, and layer 1 is composed
    // only about its own. False, having drawn nothing, for any other band.
    //
    // The frame comes out as drawing both layers over the whole dirty span would make it, in blue,
    // green and red:
    // - outside layer 1's columns its weight is 0 in every row, and the back buffer already holds
    //   layer 0 there;
    // - outside layer 0's columns layer 1's weight is 256 in every row, so they lie inside layer 1's
    //   columns and the composition writes layer 1's pixels whatever the back buffer held: older
    //   pixels, the stale copy, or nothing where the stale copy skipped the columns layer 0's first
    //   fill was to overwrite;
    // - the clips keep every pixel of a layer's columns on the path the whole span gives it
    //   (narrowedColumns), and in the margins the weight is 0 (layer 1) or 256 (layer 0), which both
    //   forms of the interpolation give exactly.
    // The fourth byte, which carries nothing, may differ: the scalar form of the composition clears
    // it, columns no longer composed keep layer 0's, and copied columns take layer 1's.
    bool drawThroughMask(uint32_t index, int32_t bandTop, int32_t bandBottom) const {
        if (!b || !mask || table.weight == 0 || table.weight == 256) {
            return false;
        }
        const BandSpan& span = a->getDrawing().spans[index];
        // Both layers are made dirty alike while both show; a band where they differ goes the long way.
        if (span != b->getDrawing().spans[index] || span.isEmpty() || bandTop >= bandBottom ||
            span.x1 > int64_t{mask->width} || bandBottom > int64_t{mask->height}) {
            return false;
        }
        const TransitionColumns columns = transitionColumns(*mask, bandTop, bandBottom, span, thresholds);
        if (!columns.over.isEmpty()) {
            b->drawBand(band, index, -bandTop, &columns.over);
        }
        if (!columns.base.isEmpty()) {
            a->drawBand(back, index, 0, &columns.base);
        }
        if (!columns.over.isEmpty()) {
            composeColumns(columns, span, bandTop, bandBottom);
        }
        return true;
    }

    // Layer 1 over its columns of a band: through the mask where layer 0 can show too, and copied where
    // it cannot, since there layer 1's weight is 256 in every row and the interpolation gives layer 1's
    // pixels exactly. The composition through the mask keeps the margin and the grid of the span's
    // left edge (one kernel row a band row), so its pixels take the paths the whole span gives them.
    void composeColumns(const TransitionColumns& columns, const BandSpan& span, int32_t top,
                        int32_t bottom) const {
        const BandSpan& over = columns.over;
        const BandSpan both{std::max(over.x0, columns.base.x0), std::min(over.x1, columns.base.x1)};
        const auto copy = [&](int32_t x0, int32_t x1) {
            if (x0 < x1) {
                blitImage(back, {x0, top, x1, bottom}, band, {x0, 0}, 255);
            }
        };
        if (both.isEmpty()) {
            copy(over.x0, over.x1);
            return;
        }
        const BandSpan widened = narrowedColumns(both, span);
        const int32_t left = narrowedLeft(widened.x0, span.x0);
        compose({left, top, widened.x1, bottom}, {left, 0});
        copy(over.x0, std::min(over.x1, left));
        copy(std::max(over.x0, widened.x1), over.x1);
    }

    // Copies the stale area from the front buffer, but for the columns that are overwritten anyway.
    void restore(const Rect& stale, const Rect& overwritten) const {
        if (overwritten.isEmpty()) {
            blitImage(back, stale, front, {stale.left, stale.top}, 255);
            return;
        }
        // Both cover the band's rows: what is left are the columns either side.
        const Rect pieces[] = {
            {stale.left, stale.top, std::min(stale.right, overwritten.left), stale.bottom},
            {std::max(stale.left, overwritten.right), stale.top, stale.right, stale.bottom}};
        for (const Rect& piece : pieces) {
            if (!piece.isEmpty()) {
                blitImage(back, piece, front, {piece.left, piece.top}, 255);
            }
        }
    }

    void compose(const Rect& area, const Point& bandPosition) const {
        if (!mask) {
            blitImage(back, area, band, bandPosition, level);
        } else if (table.weight == 256) {
            blitImage(back, area, band, bandPosition, 255);
        } else {
            // The mask lies over the whole frame.
            const auto blitMasked = g_hasSsse3 ? blitImageMaskedSsse3 : blitImageMaskedSse2;
            blitMasked(back, area, band, bandPosition, *mask, {area.left, area.top}, table);
        }
    }
};

}  // namespace

DrawWorkerTask::DrawWorkerTask(Screen* screen, std::shared_ptr<Event> start, std::shared_ptr<Event> done,
                               std::shared_ptr<unsigned char> bandBuffer)
    : screen_(screen), start_(std::move(start)), done_(std::move(done)), bandBuffer_(std::move(bandBuffer)) {}

void DrawWorkerTask::drawWorker(ThreadNotifier& notifier) const {
    const ScreenDrawer& geometry = *screen_->layers_[0].screenDrawer;
    const Image bandImage(geometry.getWidth(), geometry.getBandHeight(), screen_->backBuffer_->format,
                          screen_->backBuffer_->stride, bandBuffer_);
    for (;;) {
        if (!notifier.wait(*start_)) {
            return;
        }
        start_->reset();
        // Copied now: once `done` is set, the frame thread may rewrite the frame job.
        const Rect frameRect = screen_->frameJob_.frameRect;
        const Image* presented = drawFrame(notifier, bandImage);
        done_->set();
        if (presented) {
            try {
                // The bands staged the pixels already.
                const Rect area = insideImage(frameRect, *presented);
                if (!area.isEmpty()) {
                    screen_->presenter_->present(*presented, area);
                }
            } catch (const std::exception&) {
                // A failed presentation loses this frame on screen, not the next one.
            }
            screen_->presentToken_.set();
        }
    }
}

const Image* DrawWorkerTask::drawFrame(ThreadNotifier& notifier, const Image& bandImage) const {
    Screen& screen = *screen_;
    Screen::FrameJob& job = screen.frameJob_;
    try {
        std::shared_ptr<ScreenDrawer> a = job.drawerA;
        std::shared_ptr<ScreenDrawer> b = job.drawerB;
        const std::shared_ptr<Image> mask = job.mask;
        TransitionTable table;
        if (mask && a && b) {
            table = makeTransitionTable(job.level, job.softness);
        }
        if (!a) {
            // Only layer 1 takes part: it is drawn straight into the back buffer.
            a = std::exchange(b, nullptr);
        }
        if (a) {
            const FrameBands frame{a.get(),
                                   b.get(),
                                   *screen.backBuffer_,
                                   *screen.frontBuffer_,
                                   bandImage,
                                   job.level,
                                   mask.get(),
                                   table,
                                   transitionThresholds(table),
                                   *screen.presenter_,
                                   insideImage(job.frameRect, *screen.backBuffer_)};
            const uint32_t bandCount = a->getBandCount();
            for (;;) {
                uint32_t band;
                {
                    std::lock_guard<std::mutex> guard(job.lock);
                    band = job.nextBand++;
                }
                if (band >= bandCount) {
                    break;
                }
                frame.draw(band);
            }
        }
        bool last;
        {
            std::lock_guard<std::mutex> guard(job.lock);
            last = --job.workersRunning == 0;
        }
        if (!last || !notifier.wait(screen.presentToken_)) {
            return nullptr;
        }
        screen.presentToken_.reset();
        std::swap(screen.backBuffer_, screen.frontBuffer_);
        return screen.frontBuffer_.get();
    } catch (const std::exception&) {
        // The frame is lost; `done` still follows, so the next one can start.
        return nullptr;
    }
}

void presentToWindow(platform::IPresenter& presenter, const Image& image, const Rect& rect) {
    const Rect area = insideImage(rect, image);
    if (!area.isEmpty()) {
        presenter.stageBand(image, area);
        presenter.present(image, area);
    }
}

}  // namespace tavelo
