#include "app/benchmark_scene.h"

#include <algorithm>
#include <thread>

#include "app/cpu_meters.h"
#include "app/frame_handlers.h"
#include "app/load_image.h"
#include "app/sprite_rules.h"
#include "core/file_stream_reader.h"
#include "platform/proc_stat.h"
#include "render/fill_rect_sprite.h"
#include "render/image_sprite.h"
#include "render/screen.h"
#include "sound/sound_manager.h"

using namespace tavelo;

namespace {

// One draw worker per processor, at most four: beyond that the bands of one frame are too few to share.
uint32_t defaultWorkerCount() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

BenchmarkSceneOptions defaultOptions() {
    BenchmarkSceneOptions options;
    options.readProcStat = platform::readProcStat;
    return options;
}

}  // namespace

BenchmarkScene::BenchmarkScene(platform::ISceneWindow& window) : BenchmarkScene(window, defaultOptions()) {}

BenchmarkScene::BenchmarkScene(platform::ISceneWindow& window, const BenchmarkSceneOptions& options)
    : presenter_(window.presenter()), mouse_(window.cursorSource()), readProcStat_(options.readProcStat) {
    // The pointer is known before any handler runs.
    mouse_.update();
    const Rect client = window.clientRect();
    screen_ = std::make_shared<Screen>(presenter_, static_cast<uint32_t>(client.width()),
                                       static_cast<uint32_t>(client.height()),
                                       options.workerCount != 0 ? options.workerCount : defaultWorkerCount());
    addStaticSprites();
    addMouseHandler(*this);
    addSnowHandler(*this);
    addFpsHandler(*this);
    addTransitionHandler(*this);
    addBounceHandler(*this);
    addParticleHandler(*this);
    addCpuMeterHandlers(*this);
    if (options.startFrameThread) {
        screen_->start();
    }
    // The registry keeps the sound under id 0; the reader closes when the constructor ends.
    FileStreamReader click("click.wav");
    Singleton<SoundManager>::getInstance()->loadSound(0, click);
}

BenchmarkScene::~BenchmarkScene() {
    // The handlers point at this scene: the Screen, which owns them, goes before anything they use.
    try {
        if (screen_) {
            screen_->stop();
        }
        screen_.reset();
    } catch (...) {
    }
    processorQuery_.reset();
    presenter_.reset();
}

void BenchmarkScene::addStaticSprites() {
    Screen& screen = *screen_;
    const auto w = static_cast<int32_t>(screen.width);
    const auto h = static_cast<int32_t>(screen.height);

    showSprite(*screen.createFillRectSprite(0, 0, {0, 0, w, h}, 0, Color{1, 255, 255, 255}));
    showSprite(*screen.createFillRectSprite(0, 10, {50, 50, 160, 160}, 2, Color{1, 255, 0, 0}));
    const std::shared_ptr<Image> imageA = loadImage("load.gra");
    for (int32_t k = 0; k < 50; ++k) {
        const std::shared_ptr<ImageSprite> sprite = screen.createImageSprite(
            0, static_cast<uint32_t>(11 + k), 75 + 5 * k, 75 + 5 * k, static_cast<uint32_t>(3 + k), imageA);
        setSpriteOpacity(*sprite, k % 2 == 0 ? 128 : 129);
        showSprite(*sprite);
    }
    const std::shared_ptr<FillRectSprite> green =
        screen.createFillRectSprite(0, 50, {100, 100, 200, 200}, 100, Color{1, 0, 255, 0});
    setSpriteOpacity(*green, 60);
    showSprite(*green);

    const std::shared_ptr<Image> imageB = loadImage("load.gra");
    const std::shared_ptr<ImageSprite> first = screen.createImageSprite(1, 11, 0, 0, 4, imageB);
    setSpriteOpacity(*first, 128);
    showSprite(*first);
    const std::shared_ptr<ImageSprite> second = screen.createImageSprite(
        1, 12, w - static_cast<int32_t>(imageB->width), h - static_cast<int32_t>(imageB->height), 5, imageB);
    setSpriteOpacity(*second, 128);
    showSprite(*second);
    // The background of layer 1, stretched to the full width with its aspect kept. Layer 1 has nothing
    // else opaque under it, so the picture must be at least as tall, relative to its width, as the screen.
    const std::shared_ptr<ImageSprite> background = screen.createImageSprite(1, 0, 0, 0, 0, imageB);
    background->setSize(static_cast<uint32_t>(w), imageB->height * static_cast<uint32_t>(w) / imageB->width);
    setSmooth(*background);
    showSprite(*background);
}

void BenchmarkScene::onPaint() {
    ScreenLock lock(*screen_);
    screen_->invalidateAll();
}

void BenchmarkScene::onClick(int, int) {
    if (const std::shared_ptr<ISound> sound = Singleton<SoundManager>::getInstance()->getSound(0)) {
        sound->stop();
        sound->rewind();
        sound->start();
    }
}
