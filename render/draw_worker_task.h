#pragma once

#include <cstdint>
#include <memory>

#include "core/event.h"
#include "render/image.h"
#include "render/rect.h"

namespace tavelo {

namespace platform {
class IPresenter;
}

class Screen;

// The body of a draw worker thread. For each frame it is started on, it takes bands in turn (other
// workers may share the frame): it restores the band's stale area from the last presented frame,
// draws layer 0 straight into the back buffer and layer 1 into a one-band buffer, and composes that
// band of layer 1 over the back buffer, and stages the band's rows with the presenter. The worker
// that finishes a frame swaps the buffers and presents the frame's dirty rectangle.
class DrawWorkerTask {
public:
    // `bandBuffer` holds one band of 32-bit pixels at the frame's stride, for this worker alone.
    DrawWorkerTask(Screen* screen, std::shared_ptr<Event> start, std::shared_ptr<Event> done,
                   std::shared_ptr<unsigned char> bandBuffer);

    // Runs frames until the thread is interrupted while it waits for the next one.
    void operator()(ThreadNotifier& notifier) const { drawWorker(notifier); }
    void drawWorker(ThreadNotifier& notifier) const;

private:
    // Draws this worker's bands of the frame job. The worker that finishes the frame swaps the buffers
    // and returns the frame to present; the others, and a frame that failed, return null.
    const Image* drawFrame(ThreadNotifier& notifier, const Image& bandImage) const;

    Screen* screen_;
    std::shared_ptr<Event> start_;
    std::shared_ptr<Event> done_;
    std::shared_ptr<unsigned char> bandBuffer_;
};

// Copies `rect` of the 32-bit `image` to the presenter, at the same position, staged as one band. A
// rectangle outside the image, or empty, presents nothing.
void presentToWindow(platform::IPresenter& presenter, const Image& image, const Rect& rect);

}  // namespace tavelo
