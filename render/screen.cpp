#include "render/screen.h"

#include <cstring>
#include <utility>

#include "core/exception.h"
#include "core/format_string.h"
#include "core/memory_helper.h"
#include "platform/presenter.h"
#include "platform/wait_handle.h"
#include "render/draw_worker_task.h"
#include "render/fill_rect_sprite.h"
#include "render/image_sprite.h"
#include "render/screen_drawer.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"

namespace tavelo {

namespace {

// The widest layer whose rows still fit a band.
constexpr uint32_t maxWidth = Screen::bandBytes / 4;

// A 64 KiB-aligned buffer of `size` bytes, cleared: what no frame has covered yet shows black, never
// leftover memory.
std::shared_ptr<unsigned char> clearedBuffer(size_t size) {
    std::shared_ptr<unsigned char> buffer = MemoryHelper::allocate(size);
    std::memset(buffer.get(), 0, size);
    return buffer;
}

std::unique_ptr<Image> makeFrameBuffer(uint32_t width, uint32_t height) {
    const uint32_t stride = width * 4;
    return std::make_unique<Image>(width, height, PixelFormat::Xrgb32, stride,
                                   clearedBuffer(size_t{stride} * height));
}

uint32_t checkedWidth(uint32_t width, uint32_t height, uint32_t workerCount) {
    if (width == 0 || width > maxWidth || height == 0 || height > Image::maxSide || workerCount == 0) {
        throw Exception(formatString("Cannot draw a %u x %u screen with %u workers in %s method.", width,
                                     height, workerCount, "tavelo::Screen::Screen"));
    }
    return width;
}

}  // namespace

Screen::Screen(std::shared_ptr<platform::IPresenter> presenter, uint32_t width, uint32_t height,
               uint32_t workerCount)
    : width(checkedWidth(width, height, workerCount)),
      height(height),
      presenter_(std::move(presenter)),
      backBuffer_(makeFrameBuffer(width, height)),
      frontBuffer_(makeFrameBuffer(width, height)),
      workerCount_(workerCount) {
    if (!presenter_) {
        throw Exception(formatString("No presenter given in %s method.", "tavelo::Screen::Screen"));
    }
    for (ScreenLayer& layer : layers_) {
        layer.spriteManager = std::make_shared<SpriteManager>();
        layer.screenDrawer =
            std::make_shared<ScreenDrawer>(layer.spriteManager, width, height, bandBytes / (width * 4));
    }
}

Screen::~Screen() {
    try {
        stop();
    } catch (...) {
        // Nothing better is left to do in a destructor.
    }
}

void Screen::start() {
    if (frameThreadId_.load() == std::this_thread::get_id()) {
        throw Exception(
            formatString("The frame thread cannot restart itself in %s method.", "tavelo::Screen::start"));
    }
    frameThread_.start([this](ThreadNotifier& notifier) { run(notifier); });
}

void Screen::stop() {
    frameThread_.stop();
}

Screen::ScreenLayer& Screen::layerAt(uint8_t layer, const char* method) {
    return const_cast<ScreenLayer&>(std::as_const(*this).layerAt(layer, method));
}

const Screen::ScreenLayer& Screen::layerAt(uint8_t layer, const char* method) const {
    if (layer >= layerCount) {
        throw Exception(formatString("No layer %u in %s method.", unsigned{layer}, method));
    }
    return layers_[layer];
}

std::shared_ptr<FillRectSprite> Screen::createFillRectSprite(uint8_t layer, uint32_t id, const Rect& rect,
                                                             uint32_t priority, const Color& color) {
    ScreenLock lock(*this);
    ScreenLayer& target = layerAt(layer, "tavelo::Screen::createFillRectSprite");
    auto sprite = std::make_shared<FillRectSprite>(target.spriteManager, target.screenDrawer, id, rect,
                                                   priority, color);
    target.spriteManager->add(sprite);
    return sprite;
}

std::shared_ptr<ImageSprite> Screen::createImageSprite(uint8_t layer, uint32_t id, int32_t x, int32_t y,
                                                       uint32_t priority, std::shared_ptr<Image> image) {
    ScreenLock lock(*this);
    ScreenLayer& target = layerAt(layer, "tavelo::Screen::createImageSprite");
    auto sprite = std::make_shared<ImageSprite>(target.spriteManager, target.screenDrawer, id, x, y, priority,
                                                std::move(image));
    target.spriteManager->add(sprite);
    return sprite;
}

std::shared_ptr<TextSprite> Screen::createTextSprite(uint8_t layer, uint32_t id, int32_t x, int32_t y,
                                                     uint32_t priority, const char* text, size_t length,
                                                     const std::shared_ptr<IFont>& font, const Color& color) {
    ScreenLock lock(*this);
    ScreenLayer& target = layerAt(layer, "tavelo::Screen::createTextSprite");
    auto sprite = std::make_shared<TextSprite>(target.spriteManager, target.screenDrawer, id, x, y, priority,
                                               text, length, font, color);
    target.spriteManager->add(sprite);
    return sprite;
}

void Screen::invalidateAll() {
    ScreenLock lock(*this);
    for (ScreenLayer& layer : layers_) {
        const ScreenDrawer& drawer = *layer.screenDrawer;
        layer.screenDrawer->invalidate(
            {0, 0, static_cast<int32_t>(drawer.getWidth()), static_cast<int32_t>(drawer.getHeight())});
    }
}

void Screen::addFrameHandler(FrameHandler handler) {
    ScreenLock lock(*this);
    newFrameHandlers_.push_back(std::move(handler));
}

void Screen::setTransitionImage(std::shared_ptr<Image> mask) {
    constexpr uint8_t maskSoftness = 64;
    ScreenLock lock(*this);
    if (mask == transitionMask_ && softness_ == maskSoftness) {
        return;
    }
    transitionMask_ = std::move(mask);
    softness_ = maskSoftness;
    if (transitionLevel != 0 && transitionLevel != 255) {
        invalidateAll();
    }
}

std::shared_ptr<SpriteManager> Screen::getSpriteManager(uint8_t layer) const {
    ScreenLock lock(*this);
    return layerAt(layer, "tavelo::Screen::getSpriteManager").spriteManager;
}

void Screen::run(ThreadNotifier& notifier) {
    frameThreadId_ = std::this_thread::get_id();
    struct ForgetThread {
        std::atomic<std::thread::id>& id;
        ~ForgetThread() { id = std::thread::id(); }
    } forget{frameThreadId_};

    FrameDriver driver(*this);
    const FrameTimer::Sleep sleep = [&notifier](uint32_t milliseconds) { notifier.sleep(milliseconds); };
    while (!notifier.isSet()) {
        driver.pass();
        try {
            frameTimer.waitNextFrame(sleep);
        } catch (const std::exception&) {
            break;  // interrupted: the Screen is stopping
        }
    }
}

void Screen::startWorkers() {
    const size_t bandBufferSize = size_t{layers_[0].screenDrawer->getBandHeight()} * backBuffer_->stride;
    for (uint32_t i = 0; i < workerCount_; ++i) {
        ScreenWorker worker{std::make_shared<Thread>(), std::make_shared<Event>(), std::make_shared<Event>()};
        worker.start->reset();
        worker.done->set();
        DrawWorkerTask task(this, worker.start, worker.done, clearedBuffer(bandBufferSize));
        workers_.push_back(worker);
        worker.thread->start(std::move(task));
    }
}

void Screen::stopWorkers() noexcept {
    for (ScreenWorker& worker : workers_) {
        try {
            worker.thread->stop();
        } catch (...) {
            // The thread is stopped again, and this time joined, when it is destroyed below.
        }
    }
    workers_.clear();
}

void Screen::prepareFrame() {
    ScreenLock lock(*this);
    ScreenLayer& base = layers_[0];
    ScreenLayer& over = layers_[1];
    const bool baseTakesPart = transitionLevel != 255 && !base.dirtyRect.isEmpty();
    const bool overTakesPart = transitionLevel != 0 && !over.dirtyRect.isEmpty();
    if (!baseTakesPart && !overTakesPart) {
        return;
    }
    if (workers_.empty()) {
        return;
    }
    for (const ScreenWorker& worker : workers_) {
        if (!worker.done->isSet()) {
            return;  // still drawing: the built frames stay ready
        }
    }
    // Both drawers hand over even when one layer does not take part: at the level that hides a layer,
    // its changes are dropped (whoever changes the level redraws everything).
    Rect frameRect;
    base.screenDrawer->handOver();
    if (baseTakesPart) {
        frameRect = base.screenDrawer->getDrawing().dirtyRect;
    }
    over.screenDrawer->handOver();
    if (overTakesPart) {
        frameRect = uniteRect(frameRect, over.screenDrawer->getDrawing().dirtyRect);
    }
    frameJob_.drawerA = baseTakesPart ? base.screenDrawer : nullptr;
    frameJob_.drawerB = overTakesPart ? over.screenDrawer : nullptr;
    frameJob_.nextBand = 0;
    frameJob_.frameRect = frameRect;
    frameJob_.workersRunning = workers_.size();
    frameJob_.level = transitionLevel;
    frameJob_.mask = transitionMask_;
    frameJob_.softness = softness_;
    for (ScreenWorker& worker : workers_) {
        worker.done->reset();
        worker.start->set();
    }
    // Only now, while the workers draw: the retired frames' commands hold the last references to
    // many images.
    base.screenDrawer->releaseRetired();
    over.screenDrawer->releaseRetired();
    frameTimer.frameDrawn = true;
}

void Screen::runFrameHandlers() {
    for (FrameHandler& handler : newFrameHandlers_) {
        frameHandlers_.push_back(std::move(handler));
    }
    newFrameHandlers_.clear();
    // A handler that is done goes at once, so a later handler's failure cannot make it run twice.
    for (auto handler = frameHandlers_.begin(); handler != frameHandlers_.end();) {
        if ((*handler)(*this)) {
            handler = frameHandlers_.erase(handler);
        } else {
            ++handler;
        }
    }
}

void Screen::buildFrames() {
    // While both layers show, both are redrawn wherever either changed: layer 1 is composed over what
    // layer 0 drew in the same area.
    if (transitionLevel != 0 && transitionLevel != 255) {
        ScreenDrawer::mergeDirty(layers_[0].screenDrawer->getPending(),
                                 layers_[1].screenDrawer->getPending());
    }
    for (ScreenLayer& layer : layers_) {
        layer.dirtyRect = layer.screenDrawer->buildFrame();
    }
}

Screen::FrameDriver::FrameDriver(Screen& screen) : screen_(screen) {
    ScreenLock lock(screen);
    if (!screen.workers_.empty()) {
        throw Exception(
            formatString("Frames are driven already in %s method.", "tavelo::Screen::FrameDriver"));
    }
    try {
        screen.startWorkers();
        screen.presentToken_.set();
        screen.frameTimer.restart();
        screen.buildFrames();
    } catch (...) {
        screen.stopWorkers();
        throw;
    }
}

Screen::FrameDriver::~FrameDriver() {
    screen_.stopWorkers();
    for (ScreenLayer& layer : screen_.layers_) {
        if (layer.screenDrawer->hasDrawingFrame()) {
            layer.screenDrawer->retireDrawnFrame();
        }
    }
    // The stop may have cut a handed-over frame short, or kept a worker from starting it: its changes
    // never reached the buffers, and the back buffer no longer lags the front by the frames the
    // drawers know of. A restart therefore redraws everything.
    screen_.invalidateAll();
}

void Screen::FrameDriver::pass() {
    try {
        ScreenLock lock(screen_);
        if (!screen_.frameTimer.frameDrawn) {
            screen_.prepareFrame();
        }
        screen_.runFrameHandlers();
        screen_.buildFrames();
    } catch (const std::exception&) {
        // The rest of this pass is skipped; the next one starts afresh.
    }
}

void Screen::FrameDriver::finishFrame() {
    for (const ScreenWorker& worker : screen_.workers_) {
        worker.done->waitDeep(platform::WaitHandle::infinite);
    }
    screen_.presentToken_.waitDeep(platform::WaitHandle::infinite);
    screen_.frameTimer.frameDrawn = false;
}

}  // namespace tavelo
