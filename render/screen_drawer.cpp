#include "render/screen_drawer.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "core/exception.h"
#include "core/format_string.h"
#include "render/command_dispatch.h"
#include "render/sprite_manager.h"

namespace tavelo {

namespace {

// The union of two spans, an empty one counting as nothing.
BandSpan uniteSpans(const BandSpan& a, const BandSpan& b) noexcept {
    if (a.isEmpty()) {
        return b;
    }
    if (b.isEmpty()) {
        return a;
    }
    return {std::min(a.x0, b.x0), std::max(a.x1, b.x1)};
}

void clearSpans(std::vector<BandSpan>& spans) noexcept {
    std::fill(spans.begin(), spans.end(), BandSpan{});
}

// The left edge of a command's clip when the band's clip narrows from `spanLeft` to `left`: on the grid
// of the column where the command's kernel rows start under the whole span. A glyph run starts a row
// at each glyph, so text keeps the span's edge.
int32_t commandClipLeft(const DrawCommand& command, int32_t spanLeft, int32_t left) noexcept {
    int64_t start = command.rect.left;
    switch (command.kind) {
        case DrawCommandKind::FillRectCommand:
            break;
        case DrawCommandKind::TextCommand:
            return spanLeft;
        case DrawCommandKind::ScaledImageCommand:
            // Drawn at its own size, it goes through the blit, which starts no left of its source.
            if (std::abs(command.rect.width()) == std::abs(command.srcRect.width()) &&
                std::abs(command.rect.height()) == std::abs(command.srcRect.height())) {
                start = std::max(start, int64_t{command.rect.left} - command.srcRect.left);
            }
            break;
        default:
            start = std::max(start, int64_t{command.rect.left} - command.srcX);
            break;
    }
    if (start >= left) {
        return left;  // the clip does not cut its rows
    }
    return narrowedLeft(left, static_cast<int32_t>(std::max<int64_t>(start, spanLeft)));
}

}  // namespace

BandSpan narrowedColumns(const BandSpan& needed, const BandSpan& span) noexcept {
    return {static_cast<int32_t>(std::max<int64_t>(span.x0, int64_t{needed.x0} - NarrowedClip::margin)),
            static_cast<int32_t>(std::min<int64_t>(span.x1, int64_t{needed.x1} + NarrowedClip::margin))};
}

int32_t narrowedLeft(int32_t left, int32_t start) noexcept {
    if (left <= start) {
        return left;
    }
    return start + (left - start) / NarrowedClip::grid * NarrowedClip::grid;
}

void Frame::clear() noexcept {
    clearDirt();
    clearCommands();
}

void Frame::clearDirt() noexcept {
    clearSpans(spans);
    dirtyRect = {};
    dirty = false;
}

void Frame::clearCommands() noexcept {
    commands.clear();
    resources.clear();
    std::fill(bandStarts.begin(), bandStarts.end(), 0);
    bandCommands.clear();
}

ScreenDrawer::ScreenDrawer(const std::shared_ptr<SpriteManager>& spriteManager, uint32_t width,
                           uint32_t height, uint32_t rowsPerBand)
    : spriteManager_(spriteManager),
      width_(width),
      height_(height),
      bandHeight_(std::min(rowsPerBand, height)),
      bandCount_(0) {
    // Edges are signed 32-bit, so a layer must fit that range as well as a band.
    if (width == 0 || width > Image::maxSide || height > Image::maxSide || bandHeight_ == 0) {
        throw Exception(formatString("Cannot band a %u x %u layer in %s method.", width, height,
                                     "tavelo::ScreenDrawer::ScreenDrawer"));
    }
    bandCount_ = static_cast<uint32_t>((uint64_t{height} + bandHeight_ - 1) / bandHeight_);
    for (Frame* frame : {&pending_, &ready_, &drawing_}) {
        frame->spans.resize(bandCount_);
        frame->bandStarts.resize(size_t{bandCount_} + 1);
    }
    lastDrawnSpans_.resize(bandCount_);
    bandCursors_.resize(bandCount_);
}

int32_t ScreenDrawer::bandTop(uint32_t band) const noexcept {
    return static_cast<int32_t>(uint64_t{band} * bandHeight_);
}

int32_t ScreenDrawer::bandBottom(uint32_t band) const noexcept {
    return static_cast<int32_t>(std::min<uint64_t>(uint64_t{band} * bandHeight_ + bandHeight_, height_));
}

void ScreenDrawer::invalidate(const Rect& rect) {
    // Clipped in 64 bits: an edge of -10 must not compare above an unsigned width.
    const Rect clipped{std::max(rect.left, 0), std::max(rect.top, 0),
                       static_cast<int32_t>(std::min<int64_t>(rect.right, width_)),
                       static_cast<int32_t>(std::min<int64_t>(rect.bottom, height_))};
    if (rect.isEmpty() || clipped.isEmpty()) {
        return;
    }
    const uint32_t first = static_cast<uint32_t>(clipped.top) / bandHeight_;
    const uint32_t end = static_cast<uint32_t>((uint64_t(clipped.bottom) + bandHeight_ - 1) / bandHeight_);
    const BandSpan span{clipped.left, clipped.right};
    for (uint32_t band = first; band < end; ++band) {
        pending_.spans[band] = uniteSpans(pending_.spans[band], span);
    }
    pending_.dirtyRect =
        uniteRect(pending_.dirtyRect, {clipped.left, bandTop(first), clipped.right, bandBottom(end - 1)});
    pending_.dirty = true;
}

const Rect& ScreenDrawer::buildFrame() {
    if (!pending_.dirty) {
        return ready_.dirtyRect;
    }
    pending_.commands.clear();
    pending_.resources.clear();
    if (const auto manager = spriteManager_.lock()) {
        manager->sortIfNeeded();
        const std::vector<SpriteEntry>& entries = manager->getEntries();
        // Room for one command and one resource a sprite; clearing keeps it, so a steady scene builds
        // its frames without allocating.
        pending_.commands.reserve(entries.size());
        pending_.resources.images.reserve(entries.size());
        pending_.resources.glyphArrays.reserve(entries.size());
        for (const SpriteEntry& entry : entries) {
            entry.sprite->draw(pending_.commands, pending_.resources);
        }
    }
    listBandCommands(pending_);
    mergeDirty(pending_, ready_);
    std::swap(pending_, ready_);
    pending_.clear();
    return ready_.dirtyRect;
}

std::pair<uint32_t, uint32_t> ScreenDrawer::bandRun(const Rect& rect) const noexcept {
    // The rows decide, as a band would test them: rect.bottom > band top and rect.top < band bottom
    // (signed); the band's clip takes care of the columns. Clamped first, so 32-bit division will do.
    if (rect.top >= static_cast<int64_t>(height_) || rect.bottom <= 0) {
        return {0, 0};
    }
    const uint32_t top = static_cast<uint32_t>(std::max(rect.top, 0));
    const uint32_t bottom = static_cast<uint32_t>(std::min<int64_t>(rect.bottom, height_));
    const uint32_t first = top / bandHeight_;
    const uint32_t end = (bottom + bandHeight_ - 1) / bandHeight_;
    return first < end ? std::pair<uint32_t, uint32_t>(first, end) : std::pair<uint32_t, uint32_t>(0, 0);
}

void ScreenDrawer::listBandCommands(Frame& frame) {
    // Counted first, so that each band's indices sit together in drawing order.
    std::vector<uint32_t>& starts = frame.bandStarts;
    std::fill(starts.begin(), starts.end(), 0);
    commandBands_.clear();
    for (const DrawCommand& command : frame.commands) {
        const auto [first, end] = commandBands_.emplace_back(bandRun(command.rect));
        for (uint32_t band = first; band < end; ++band) {
            ++starts[size_t{band} + 1];
        }
    }
    for (uint32_t band = 0; band < bandCount_; ++band) {
        starts[size_t{band} + 1] += starts[band];
        bandCursors_[band] = starts[band];
    }
    frame.bandCommands.resize(starts[bandCount_]);
    for (uint32_t index = 0; index < commandBands_.size(); ++index) {
        const auto [first, end] = commandBands_[index];
        for (uint32_t band = first; band < end; ++band) {
            frame.bandCommands[bandCursors_[band]++] = index;
        }
    }
}

void ScreenDrawer::mergeDirty(Frame& a, Frame& b) {
    bool changed = false;
    const size_t bands = std::min(a.spans.size(), b.spans.size());
    for (size_t band = 0; band < bands; ++band) {
        const BandSpan united = uniteSpans(a.spans[band], b.spans[band]);
        if (!united.isEmpty()) {
            a.spans[band] = united;
            b.spans[band] = united;
            changed = true;
        }
    }
    if (!changed) {
        return;
    }
    const Rect united = uniteRect(a.dirtyRect, b.dirtyRect);
    a.dirtyRect = united;
    b.dirtyRect = united;
    a.dirty = true;
    b.dirty = true;
}

void ScreenDrawer::handOver() {
    if (hasDrawingFrame_) {
        std::swap(lastDrawnSpans_, drawing_.spans);
        drawing_.clearDirt();
    }
    hasDrawingFrame_ = true;
    std::swap(ready_, drawing_);
}

void ScreenDrawer::releaseRetired() noexcept {
    // A built frame waiting for the workers is always dirty.
    if (!ready_.dirty) {
        ready_.clearCommands();
    }
}

void ScreenDrawer::retireDrawnFrame() {
    std::swap(lastDrawnSpans_, drawing_.spans);
    drawing_.clear();
    hasDrawingFrame_ = false;
}

Rect ScreenDrawer::drawBand(const Image& destination, uint32_t band, int32_t offsetY,
                            const BandSpan* needed) const {
    const int32_t top = bandTop(band);
    const int32_t bottom = bandBottom(band);
    const BandSpan& span = drawing_.spans[band];
    const Rect dirty{span.x0, top, span.x1, bottom};
    if (span.isEmpty() || top == bottom || (needed && needed->isEmpty())) {
        return dirty;
    }
    const BandSpan columns = needed ? narrowedColumns(*needed, span) : span;
    ClipInfo clip{{columns.x0, top + offsetY, columns.x1, bottom + offsetY}, 0, offsetY};
    // Only the rows decided which commands reach the band: the clip takes care of the columns.
    const uint32_t* indices = drawing_.bandCommands.data();
    const uint32_t end = drawing_.bandStarts[size_t{band} + 1];
    for (uint32_t i = drawing_.bandStarts[band]; i < end; ++i) {
        // The frame thread wrote the commands, so each is a cache miss here: fetch the next one while
        // this one draws.
        if (i + 1 < end) {
            const auto* next = reinterpret_cast<const char*>(&drawing_.commands[indices[i + 1]]);
            __builtin_prefetch(next);
            __builtin_prefetch(next + sizeof(DrawCommand) - 1);
        }
        const DrawCommand& command = drawing_.commands[indices[i]];
        if (columns.x0 != span.x0) {
            clip.clip.left = commandClipLeft(command, span.x0, columns.x0);
        }
        executeDrawCommand(destination, &clip, command);
    }
    return dirty;
}

Rect ScreenDrawer::overwrittenBandRect(uint32_t band) const {
    const BandSpan& span = drawing_.spans[band];
    const uint32_t first = drawing_.bandStarts[band];
    if (span.isEmpty() || first == drawing_.bandStarts[size_t{band} + 1]) {
        return {};
    }
    // Only a Normal fill at full opacity stores its colour without reading the destination.
    const DrawCommand& command = drawing_.commands[drawing_.bandCommands[first]];
    const Rect area{span.x0, bandTop(band), span.x1, bandBottom(band)};
    const bool overwrites = command.kind == DrawCommandKind::FillRectCommand &&
                            command.blendMode == BlendMode::Normal && command.alpha == 255 &&
                            command.rect.left <= area.left && command.rect.top <= area.top &&
                            command.rect.right >= area.right && command.rect.bottom >= area.bottom;
    return overwrites ? area : Rect{};
}

Rect ScreenDrawer::staleBandRect(uint32_t band) const {
    const int32_t top = bandTop(band);
    const int32_t bottom = bandBottom(band);
    const BandSpan& last = lastDrawnSpans_[band];
    const BandSpan& current = drawing_.spans[band];
    if (current.x0 <= last.x0 && last.x1 <= current.x1) {
        return {};
    }
    return uniteRect({last.x0, top, last.x1, bottom}, {current.x0, top, current.x1, bottom});
}

}  // namespace tavelo
