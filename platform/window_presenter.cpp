#include "platform/window_presenter.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>

namespace tavelo::platform {

namespace {

constexpr uint32_t white = 0x00FFFFFF;

void copyRect(const uint32_t* source, uint32_t* target, uint32_t width, const Rect& area) {
    const size_t rowBytes = static_cast<size_t>(area.width()) * sizeof(uint32_t);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const size_t offset = size_t(y) * width + size_t(area.left);
        std::memcpy(target + offset, source + offset, rowBytes);
    }
}

}  // namespace

WindowPresenter::WindowPresenter(uint32_t width, uint32_t height)
    : width_(width),
      height_(height),
      incoming_(size_t{width} * height, white),
      shown_(size_t{width} * height, white) {}

WindowPresenter::~WindowPresenter() {
    // The pending source holds a plain pointer to this presenter.
    attach(nullptr);
}

void WindowPresenter::attach(void* widget) {
    std::lock_guard<std::mutex> guard(lock_);
    widget_ = widget;
    if (!widget && redrawSource_ != 0) {
        g_source_remove(redrawSource_);
        redrawSource_ = 0;
    }
}

void WindowPresenter::presentImpl(const Image& frame, const Rect& rect) {
    const Rect bounds{0, 0, static_cast<int32_t>(std::min(width_, frame.width)),
                      static_cast<int32_t>(std::min(height_, frame.height))};
    const Rect area = intersectRect(rect, bounds);
    if (area.isEmpty()) {
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    const size_t rowBytes = static_cast<size_t>(area.width()) * sizeof(uint32_t);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const unsigned char* source = frame.row(static_cast<uint32_t>(y)) + size_t(area.left) * 4;
        std::memcpy(&incoming_[size_t(y) * width_ + size_t(area.left)], source, rowBytes);
    }
    pending_ = uniteRect(pending_, area);
    // One request at a time: the GUI thread takes everything that arrived when it serves it. Adding a
    // source only queues it; the GUI thread may be busy for as long as it likes.
    if (widget_ && redrawSource_ == 0) {
        redrawSource_ =
            g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, &WindowPresenter::onRedrawRequested, this, nullptr);
    }
}

Rect WindowPresenter::takePresented() {
    std::lock_guard<std::mutex> guard(lock_);
    const Rect area = pending_;
    if (!area.isEmpty()) {
        copyRect(incoming_.data(), shown_.data(), width_, area);
    }
    pending_ = Rect{};
    return area;
}

int WindowPresenter::onRedrawRequested(void* data) {
    auto* self = static_cast<WindowPresenter*>(data);
    void* widget = nullptr;
    {
        std::lock_guard<std::mutex> guard(self->lock_);
        self->redrawSource_ = 0;
        widget = self->widget_;
    }
    const Rect area = self->takePresented();
    if (widget && !area.isEmpty()) {
        gtk_widget_queue_draw_area(GTK_WIDGET(widget), area.left, area.top, static_cast<int>(area.width()),
                                   static_cast<int>(area.height()));
    }
    return G_SOURCE_REMOVE;
}

}  // namespace tavelo::platform
