// Whole frames of a scene like the demonstration's, drawn headless at 1366 x 768: milliseconds per
// frame for 1, 2 and 4 draw workers, with the whole screen redrawn every frame or only what the moving
// snow changes. Each iteration changes the scene, runs one pass of the frame loop (which hands the
// frame built in the last iteration to the workers and builds the next) and waits for the frame to be
// drawn and presented into an offscreen canvas. A copy of one frame with memcpy, timed in the same run,
// is the yardstick for a whole frame's cost, and frames that redraw almost nothing show the hand-over's.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/memory_helper.h"
#include "platform/offscreen_presenter.h"
#include "render/fill_rect_sprite.h"
#include "render/font.h"
#include "render/image_sprite.h"
#include "render/screen.h"
#include "render/text_sprite.h"

namespace {

using namespace tavelo;

constexpr uint32_t screenWidth = 1366;
constexpr uint32_t screenHeight = 768;

std::shared_ptr<Image> patternImage(uint32_t width, uint32_t height, PixelFormat format, uint32_t seed) {
    auto image = std::make_shared<Image>(width, height, format);
    std::mt19937 random(seed);
    for (uint32_t y = 0; y < height; ++y) {
        unsigned char* row = image->row(y);
        for (uint32_t x = 0; x < image->stride; ++x) {
            row[x] = static_cast<unsigned char>((x * 3 + y * 5) ^ (random() & 15));
        }
    }
    return image;
}

// A round soft flake: white, its alpha falling off from the centre.
std::shared_ptr<Image> flakeImage(uint32_t size) {
    auto image = std::make_shared<Image>(size, size, PixelFormat::Argb32);
    const int32_t centre = static_cast<int32_t>(size) / 2;
    for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
            const int32_t dx = static_cast<int32_t>(x) - centre;
            const int32_t dy = static_cast<int32_t>(y) - centre;
            const int32_t alpha = std::max(0, 255 - (dx * dx + dy * dy) * 255 / (centre * centre + 1));
            unsigned char* pixel = image->row(y) + x * 4;
            pixel[0] = pixel[1] = pixel[2] = 255;
            pixel[3] = static_cast<unsigned char>(alpha);
        }
    }
    return image;
}

struct Flake {
    std::shared_ptr<ImageSprite> sprite;
    int32_t speed;
};

// The demonstration's layers: on layer 0 a white background, squares, 50 translucent 256 x 256 images
// stacked diagonally, 900 snow flakes added in, a frame-rate text; on layer 1 a background stretched
// over the whole screen, two translucent images and the same text.
class DemoScene {
public:
    DemoScene(uint32_t workers)
        : presenter_(std::make_shared<platform::OffscreenPresenter>(screenWidth, screenHeight)),
          screen_(std::make_shared<Screen>(presenter_, screenWidth, screenHeight, workers)) {
        Screen& s = *screen_;
        const Rect all{0, 0, int32_t(screenWidth), int32_t(screenHeight)};
        s.createFillRectSprite(0, 0, all, 0, {1, 255, 255, 255})->show();
        s.createFillRectSprite(0, 10, {50, 50, 160, 160}, 2, {1, 255, 0, 0})->show();
        const auto stacked = patternImage(256, 256, PixelFormat::Rgb24, 1);
        for (int32_t k = 0; k < 50; ++k) {
            auto sprite = s.createImageSprite(0, 11 + k, 75 + 5 * k, 75 + 5 * k, 3 + k, stacked);
            sprite->setAlpha(k % 2 ? 129 : 128);
            sprite->show();
        }
        auto green = s.createFillRectSprite(0, 50, {100, 100, 200, 200}, 100, {1, 0, 255, 0});
        green->setAlpha(60);
        green->show();

        std::mt19937 random(5489);
        const auto flake = flakeImage(8);
        const auto smallFlake = flakeImage(5);
        const uint8_t opacities[] = {32, 64, 128, 192};
        for (uint32_t id = 100; id < 1000; ++id) {
            const int32_t speed = 1 + int32_t(random() % 4);
            auto sprite =
                s.createImageSprite(0, id, int32_t(random() % screenWidth), int32_t(random() % screenHeight),
                                    500, speed == 1 ? smallFlake : flake);
            sprite->setBlendMode(BlendMode::Add);
            sprite->setAlpha(opacities[id % 4]);
            sprite->show();
            flakes_.push_back({sprite, speed});
        }

        // Stretched to the screen's width, keeping its proportions, and sampled bilinearly.
        const auto background = patternImage(640, 480, PixelFormat::Rgb24, 2);
        auto stretched = s.createImageSprite(1, 0, 0, 0, 0, background);
        stretched->setSize(screenWidth, background->height * screenWidth / background->width);
        stretched->smooth = 1;
        stretched->show();
        const auto bouncing = patternImage(640, 480, PixelFormat::Rgb24, 3);
        for (int32_t i = 0; i < 2; ++i) {
            auto sprite = s.createImageSprite(1, 11 + i, i * 700, i * 280, 4 + i, bouncing);
            sprite->setAlpha(128);
            sprite->show();
        }

        try {
            const auto font = std::make_shared<Font>("MS PGothic", 0, 32, false, false);
            const char text[] = "59.940 fps : screen(1)";
            for (uint8_t layer = 0; layer < 2; ++layer) {
                s.createTextSprite(layer, 10000, 2, 2, 599, text, sizeof text - 1, font, {0, 64})->show();
                s.createTextSprite(layer, 10000, 0, 0, 600, text, sizeof text - 1, font, {0, 255})->show();
            }
        } catch (const std::exception&) {
            // Without the system font the frames carry no text.
        }

        mask_ = std::make_shared<Image>(screenWidth, screenHeight, PixelFormat::Gray8);
        for (uint32_t y = 0; y < screenHeight; ++y) {
            for (uint32_t x = 0; x < screenWidth; ++x) {
                mask_->row(y)[x] = static_cast<unsigned char>((x + y) * 255 / (screenWidth + screenHeight));
            }
        }
        s.invalidateAll();
    }

    Screen& screen() { return *screen_; }

    // Shows layer 1 over layer 0 through the mask at mid level, or layer 0 alone.
    void setTransition(bool midway) {
        ScreenLock lock(*screen_);
        screen_->transitionLevel = midway ? 128 : 0;
        screen_->setTransitionImage(midway ? mask_ : nullptr);
        screen_->invalidateAll();
    }

    // Every flake falls by its speed, wrapping at the bottom.
    void moveSnow() {
        ScreenLock lock(*screen_);
        for (Flake& flake : flakes_) {
            ImageSprite& sprite = *flake.sprite;
            const int32_t y = sprite.getY() + flake.speed;
            sprite.invalidate();
            sprite.setPosition(sprite.getX(), y > int32_t(screenHeight) ? -10 : y);
            sprite.invalidate();
        }
    }

    void invalidateAll() {
        ScreenLock lock(*screen_);
        screen_->invalidateAll();
    }

private:
    std::shared_ptr<platform::OffscreenPresenter> presenter_;
    std::shared_ptr<Screen> screen_;
    std::vector<Flake> flakes_;
    std::shared_ptr<Image> mask_;
};

enum Redraw : int64_t { Full = 0, Snow = 1 };

void BM_Frame(benchmark::State& state) {
    const auto redraw = static_cast<Redraw>(state.range(0));
    const bool midway = state.range(1) != 0;
    DemoScene scene(static_cast<uint32_t>(state.range(2)));
    scene.setTransition(midway);
    Screen::FrameDriver driver(scene.screen());
    for (int i = 0; i < 3; ++i) {  // the first frames fill the buffers and the caches
        driver.pass();
        driver.finishFrame();
    }
    for (auto _ : state) {
        if (redraw == Full) {
            scene.invalidateAll();
        } else {
            scene.moveSnow();
        }
        driver.pass();
        driver.finishFrame();
    }
}

void frameArguments(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"snow_only", "masked_transition", "workers"});
    for (int64_t redraw : {Full, Snow}) {
        for (int64_t midway : {0, 1}) {
            for (int64_t workers : {1, 2, 4}) {
                benchmark->Args({redraw, midway, workers});
            }
        }
    }
}

BENCHMARK(BM_Frame)->Apply(frameArguments)->Unit(benchmark::kMillisecond)->UseRealTime();

// The hand-over alone: frames that redraw one 16 x 16 square, so that what is left is handing the frame
// to the workers, waking them, and waiting for them to draw and present it.
void BM_HandOver(benchmark::State& state) {
    const auto presenter = std::make_shared<platform::OffscreenPresenter>(screenWidth, screenHeight);
    Screen screen(presenter, screenWidth, screenHeight, static_cast<uint32_t>(state.range(0)));
    const auto square = screen.createFillRectSprite(0, 0, {0, 0, 16, 16}, 0, {1, 255, 255, 255});
    square->show();
    Screen::FrameDriver driver(screen);
    for (auto _ : state) {
        {
            ScreenLock lock(screen);
            square->invalidate();
        }
        driver.pass();
        driver.finishFrame();
    }
}

BENCHMARK(BM_HandOver)->ArgName("workers")->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One 1366 x 768 frame of 32-bit pixels copied with memcpy between two aligned buffers, as the
// renderer allocates its frames.
void BM_FrameCopy(benchmark::State& state) {
    const size_t size = size_t{screenWidth} * 4 * screenHeight;
    const std::shared_ptr<unsigned char> source = MemoryHelper::allocate(size);
    const std::shared_ptr<unsigned char> destination = MemoryHelper::allocate(size);
    std::memset(source.get(), 0x5A, size);
    std::memset(destination.get(), 0, size);
    for (auto _ : state) {
        std::memcpy(destination.get(), source.get(), size);
        benchmark::DoNotOptimize(destination.get());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_FrameCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
