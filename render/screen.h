#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/event.h"
#include "core/scoped_lock.h"
#include "core/thread.h"
#include "render/color.h"
#include "render/font.h"
#include "render/frame_timer.h"
#include "render/image.h"
#include "render/rect.h"

namespace tavelo {

namespace platform {
class IPresenter;
}

class FillRectSprite;
class ImageSprite;
class ScreenDrawer;
class SpriteManager;
class TextSprite;
class Screen;

// Runs once a pass on the frame thread, with the Screen lock held; returning true removes it.
using FrameHandler = std::function<bool(Screen&)>;

// The renderer's root: two layers of sprites drawn into double-buffered 32-bit frames. A frame thread
// runs the frame handlers and builds frames sixty times a second; draw workers render them band by
// band, compose layer 1 over layer 0 (with the transition level as opacity, or through the transition
// mask) and present the result.
//
// The Screen lock guards the layers, their sprites and drawers, the handlers and the transition
// settings. Every operation but the constructor, `start` and `stop` expects its caller to hold it, or
// to run before `start`; the frame handlers run with it held.
class Screen {
public:
    static constexpr uint32_t layerCount = 2;
    // A band holds as many whole rows of 32-bit pixels as fit in this many bytes.
    static constexpr uint32_t bandBytes = 65536;

    // Refuses a size it cannot band (0, or wider than a band holds) and a worker count of 0.
    Screen(std::shared_ptr<platform::IPresenter> presenter, uint32_t width, uint32_t height,
           uint32_t workerCount = 1);
    virtual ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // (Re)starts the frame thread. Refused on the frame thread itself. Neither this nor `stop` may be
    // called with the Screen lock held: the frame thread may be waiting for it.
    void start();
    // Stops the frame thread and waits for it; the workers stop with it. From a frame handler it only
    // asks: the loop then ends at its next wait.
    void stop();

    // Each makes a hidden sprite on layer 0 or 1 and adds it to the layer.
    std::shared_ptr<FillRectSprite> createFillRectSprite(uint8_t layer, uint32_t id, const Rect& rect,
                                                         uint32_t priority, const Color& color);
    std::shared_ptr<ImageSprite> createImageSprite(uint8_t layer, uint32_t id, int32_t x, int32_t y,
                                                   uint32_t priority, std::shared_ptr<Image> image);
    std::shared_ptr<TextSprite> createTextSprite(uint8_t layer, uint32_t id, int32_t x, int32_t y,
                                                 uint32_t priority, const char* text, size_t length,
                                                 const std::shared_ptr<IFont>& font, const Color& color);

    // Marks both layers dirty everywhere.
    void invalidateAll();
    // The handler runs from the next pass on, after those registered before it.
    void addFrameHandler(FrameHandler handler);
    // Sets the mask of the transition (an empty pointer: plain opacity) with a soft edge 64 wide.
    void setTransitionImage(std::shared_ptr<Image> mask);
    std::shared_ptr<SpriteManager> getSpriteManager(uint8_t layer) const;

    // Does the frame loop's work on the calling thread: starts the draw workers, runs passes, and
    // stops the workers when it goes. The frame thread runs one, paced at 60 passes a second; tests and
    // benchmarks drive one by hand. One at a time per Screen.
    class FrameDriver {
    public:
        explicit FrameDriver(Screen& screen);
        ~FrameDriver();
        FrameDriver(const FrameDriver&) = delete;
        FrameDriver& operator=(const FrameDriver&) = delete;

        // One pass under the Screen lock: hand the built frames to the workers if they are free, run
        // the frame handlers, build the next frames. A failure skips the rest of the pass.
        void pass();
        // Waits until the workers are free and the last frame is presented, and ends the pass as the
        // frame thread's wait for its next pass would.
        void finishFrame();

    private:
        Screen& screen_;
    };

    const uint32_t width;
    const uint32_t height;
    // 0 shows layer 0 alone, 255 layer 1 alone. Whoever changes it calls `invalidateAll`.
    uint8_t transitionLevel = 0;
    // Paces the frame thread; its `frameDrawn` tells a handler whether this pass handed a frame over.
    FrameTimer frameTimer;

private:
    friend class DrawWorkerTask;
    friend class ScreenLock;

    struct ScreenLayer {
        std::shared_ptr<SpriteManager> spriteManager;
        std::shared_ptr<ScreenDrawer> screenDrawer;
        // The ready frame's dirty rectangle as the last build returned it.
        Rect dirtyRect;
    };

    // The frame handed to the workers. The frame thread writes it only while every worker is done, so
    // the workers read it without a lock; the band counter and the count of workers still drawing
    // change under `lock` while they work.
    struct FrameJob {
        std::shared_ptr<ScreenDrawer> drawerA;  // layer 0, when it takes part
        std::shared_ptr<ScreenDrawer> drawerB;  // layer 1, when it takes part
        uint32_t nextBand = 0;
        std::mutex lock;
        Rect frameRect;
        uint64_t workersRunning = 0;
        uint8_t level = 0;
        std::shared_ptr<Image> mask;
        uint8_t softness = 255;
    };

    struct ScreenWorker {
        std::shared_ptr<Thread> thread;
        std::shared_ptr<Event> start;  // set to start a frame
        std::shared_ptr<Event> done;   // set when the worker has finished its part of a frame
    };

    ScreenLayer& layerAt(uint8_t layer, const char* method);
    const ScreenLayer& layerAt(uint8_t layer, const char* method) const;

    void run(ThreadNotifier& notifier);
    void startWorkers();
    void stopWorkers() noexcept;
    void prepareFrame();
    void runFrameHandlers();
    void buildFrames();

    std::shared_ptr<platform::IPresenter> presenter_;
    std::array<ScreenLayer, layerCount> layers_;
    std::shared_ptr<Image> transitionMask_;
    uint8_t softness_ = 255;
    std::unique_ptr<Image> backBuffer_;
    std::unique_ptr<Image> frontBuffer_;
    std::vector<FrameHandler> frameHandlers_;
    std::vector<FrameHandler> newFrameHandlers_;
    mutable CriticalSection lock_;
    FrameJob frameJob_;
    const uint32_t workerCount_;
    std::vector<ScreenWorker> workers_;
    // Set while no worker swaps the buffers or presents: a later frame's swap waits for an earlier
    // frame's presentation.
    Event presentToken_;
    std::atomic<std::thread::id> frameThreadId_;
    // Last, so that it goes first: nothing the loop uses may be gone while it runs.
    Thread frameThread_;
};

// Holds the Screen lock for one scope. The lock is re-entrant.
class ScreenLock {
public:
    explicit ScreenLock(const Screen& screen) : lock_(&screen.lock_) {}

private:
    ScopedLock lock_;
};

}  // namespace tavelo
