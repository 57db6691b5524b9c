#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/exception.h"
#include "platform/offscreen_presenter.h"
#include "render/draw_worker_task.h"
#include "render/fill_rect_sprite.h"
#include "render/screen.h"
#include "render/sprite_manager.h"

namespace tavelo {
namespace {

using namespace std::chrono_literals;
using platform::OffscreenPresenter;

// Presents like the offscreen presenter, but holds the worker inside `present` until opened: the
// presenting worker keeps the present token, so the next frame's last worker cannot finish.
class GatePresenter : public OffscreenPresenter {
public:
    using OffscreenPresenter::OffscreenPresenter;

    void open() {
        std::lock_guard<std::mutex> guard(lock_);
        open_ = true;
        changed_.notify_all();
    }
    void waitUntilEntered() {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return entered_; });
    }

protected:
    void presentImpl(const Image& frame, const Rect& rect) override {
        {
            std::unique_lock<std::mutex> guard(lock_);
            entered_ = true;
            changed_.notify_all();
            changed_.wait(guard, [this] { return open_; });
        }
        OffscreenPresenter::presentImpl(frame, rect);
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

// Presents like the offscreen presenter and records, for each presented frame, the parts staged
// before it, in row order.
class StageRecorder : public OffscreenPresenter {
public:
    using OffscreenPresenter::OffscreenPresenter;

    std::vector<std::vector<Rect>> stagedPerFrame() {
        std::lock_guard<std::mutex> guard(lock_);
        return frames_;
    }

protected:
    void stageBandImpl(const Image& frame, const Rect& rect) override {
        OffscreenPresenter::stageBandImpl(frame, rect);
        std::lock_guard<std::mutex> guard(lock_);
        staged_.push_back(rect);
    }
    void presentImpl(const Image& frame, const Rect& rect) override {
        OffscreenPresenter::presentImpl(frame, rect);
        std::lock_guard<std::mutex> guard(lock_);
        std::sort(staged_.begin(), staged_.end(), [](const Rect& a, const Rect& b) { return a.top < b.top; });
        frames_.push_back(std::move(staged_));
        staged_.clear();
    }

private:
    std::mutex lock_;
    std::vector<Rect> staged_;
    std::vector<std::vector<Rect>> frames_;
};

constexpr Color black{0, 0};
constexpr Color white{0, 255};
constexpr Color red{1, 255, 0, 0};

uint32_t rgb(const OffscreenPresenter& presenter, int32_t x, int32_t y) {
    return presenter.pixels()[size_t(y) * presenter.width() + size_t(x)] & 0xFFFFFF;
}

class ScreenTest : public ::testing::Test {
protected:
    // A screen with a black background shown on each layer, all of it invalidated.
    void makeScreen(uint32_t width, uint32_t height, uint32_t workers = 1,
                    std::shared_ptr<OffscreenPresenter> target = nullptr) {
        presenter = target ? target : std::make_shared<OffscreenPresenter>(width, height);
        screen = std::make_shared<Screen>(presenter, width, height, workers);
        const Rect all{0, 0, int32_t(width), int32_t(height)};
        background[0] = screen->createFillRectSprite(0, 0, all, 0, black);
        background[1] = screen->createFillRectSprite(1, 0, all, 0, black);
        background[0]->show();
        background[1]->show();
        screen->invalidateAll();
    }
    std::shared_ptr<FillRectSprite> shownFill(uint8_t layer, const Rect& rect, const Color& color) {
        auto sprite = screen->createFillRectSprite(layer, 1, rect, 1, color);
        sprite->show();
        sprite->invalidate();
        return sprite;
    }
    // Hands over, draws and presents whatever was changed before it.
    static void runFrame(Screen::FrameDriver& driver) {
        for (int i = 0; i < 2; ++i) {
            driver.pass();
            driver.finishFrame();
        }
    }
    // Whether what changed since the last frame starts a frame: one pass builds it, the next hands
    // it over.
    bool startsAFrame(Screen::FrameDriver& driver) {
        driver.pass();
        driver.finishFrame();
        driver.pass();
        const bool started = screen->frameTimer.frameDrawn;
        driver.finishFrame();
        return started;
    }

    std::shared_ptr<OffscreenPresenter> presenter;
    std::shared_ptr<Screen> screen;
    std::shared_ptr<FillRectSprite> background[2];
};

TEST_F(ScreenTest, RefusesWhatItCannotDraw) {
    auto target = std::make_shared<OffscreenPresenter>(16, 16);
    EXPECT_THROW(Screen(target, 0, 768), Exception);
    EXPECT_THROW(Screen(target, 16385, 768), Exception);
    EXPECT_THROW(Screen(target, 1366, 0), Exception);
    EXPECT_THROW(Screen(target, 1366, 768, 0), Exception);
    EXPECT_THROW(Screen(nullptr, 1366, 768), Exception);
    Screen widest(target, 16384, 2);
    EXPECT_THROW(widest.createFillRectSprite(2, 0, {}, 0, black), Exception);
    EXPECT_THROW(widest.getSpriteManager(2), Exception);
    EXPECT_NE(widest.getSpriteManager(1), widest.getSpriteManager(0));
}

TEST_F(ScreenTest, PresentsTheRectangleUprightAtItsPlace) {
    Image frame(200, 100, PixelFormat::Xrgb32);
    for (uint32_t y = 0; y < 100; ++y) {
        for (uint32_t x = 0; x < 200; ++x) {
            reinterpret_cast<uint32_t*>(frame.row(y))[x] = y << 8 | x;
        }
    }
    OffscreenPresenter target(200, 100);
    presentToWindow(target, frame, {10, 20, 110, 70});
    EXPECT_EQ(target.lastRect(), (Rect{10, 20, 110, 70}));
    EXPECT_EQ(rgb(target, 10, 20), 20u << 8 | 10);
    EXPECT_EQ(rgb(target, 109, 69), 69u << 8 | 109);
    EXPECT_EQ(rgb(target, 9, 20), 0u);
    EXPECT_EQ(rgb(target, 10, 70), 0u);

    // Only what lies inside the frame reaches the presenter; an inverted rectangle is empty.
    presentToWindow(target, frame, {-5, 90, 300, 120});
    EXPECT_EQ(target.lastRect(), (Rect{0, 90, 200, 100}));
    presentToWindow(target, frame, {50, 10, 20, 30});
    EXPECT_EQ(target.presentCount(), 2u);
}

TEST_F(ScreenTest, WhatNoSpriteCoversIsBlack) {
    // No sprites: the frame and band buffers show what they started with, on both layers.
    presenter = std::make_shared<OffscreenPresenter>(300, 100);
    screen = std::make_shared<Screen>(presenter, 300, 100, 2);
    screen->transitionLevel = 128;
    screen->invalidateAll();
    Screen::FrameDriver driver(*screen);
    runFrame(driver);
    EXPECT_EQ(presenter->presentCount(), 1u);
    const std::vector<uint32_t> pixels = presenter->pixels();
    for (size_t i = 0; i < pixels.size(); ++i) {
        ASSERT_EQ(pixels[i] & 0xFFFFFF, 0u) << "pixel " << i;
    }
}

TEST_F(ScreenTest, EachBandIsStagedBeforeTheFrameIsPresented) {
    for (uint32_t workers : {1u, 3u}) {
        // 1366 columns: bands of 11 rows.
        auto recorder = std::make_shared<StageRecorder>(1366, 100);
        makeScreen(1366, 100, workers, recorder);
        Screen::FrameDriver driver(*screen);
        runFrame(driver);
        shownFill(0, {300, 15, 310, 50}, red);
        shownFill(0, {40, 30, 50, 31}, red);
        runFrame(driver);

        // The bands of the changed rows tile the presented rectangle: the bounding box of both squares,
        // widened to whole bands.
        const std::vector<std::vector<Rect>> frames = recorder->stagedPerFrame();
        ASSERT_EQ(frames.size(), 2u) << workers << " workers";
        EXPECT_EQ(recorder->lastRect(), (Rect{40, 11, 310, 55}));
        EXPECT_EQ(frames[1], (std::vector<Rect>{
                                 {40, 11, 310, 22}, {40, 22, 310, 33}, {40, 33, 310, 44}, {40, 44, 310, 55}}))
            << workers << " workers";
        EXPECT_EQ(frames[0].size(), 10u);  // the first frame: all of it
        EXPECT_EQ(rgb(*recorder, 305, 49), 0xFF0000u);
        EXPECT_EQ(rgb(*recorder, 45, 30), 0xFF0000u);
        EXPECT_EQ(rgb(*recorder, 45, 31), 0u);
    }
}

TEST_F(ScreenTest, FrameHandlersRunInOrderAndLeaveWhenDone) {
    makeScreen(64, 40);
    std::vector<int> calls;
    screen->addFrameHandler([&](Screen&) {
        calls.push_back(1);
        return false;
    });
    screen->addFrameHandler([&](Screen&) {
        calls.push_back(2);
        return true;  // once only
    });
    screen->addFrameHandler([&](Screen& s) {
        calls.push_back(3);
        s.addFrameHandler([&](Screen&) {
            calls.push_back(4);
            return false;
        });
        return true;
    });
    bool fail = true;
    screen->addFrameHandler([&](Screen&) -> bool {
        calls.push_back(5);
        if (fail) {
            throw std::runtime_error("handler failed");
        }
        return false;
    });
    screen->addFrameHandler([&](Screen&) {
        calls.push_back(6);
        return false;
    });
    Screen::FrameDriver driver(*screen);
    driver.pass();
    // A failing handler skips the rest of the pass; those already done stay gone.
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3, 5}));
    calls.clear();
    fail = false;
    driver.pass();
    EXPECT_EQ(calls, (std::vector<int>{1, 5, 6, 4}));
}

TEST_F(ScreenTest, LayersTakePartAsTheTransitionLevelShowsThem) {
    makeScreen(64, 40);
    Screen::FrameDriver driver(*screen);
    runFrame(driver);

    // Level 0 hides layer 1, and level 255 hides layer 0: their changes start no frame.
    shownFill(1, {0, 0, 8, 8}, red);
    EXPECT_FALSE(startsAFrame(driver));
    shownFill(0, {0, 0, 8, 8}, red);
    EXPECT_TRUE(startsAFrame(driver));
    screen->transitionLevel = 255;
    screen->invalidateAll();
    EXPECT_TRUE(startsAFrame(driver));
    shownFill(0, {0, 0, 8, 8}, red);
    EXPECT_FALSE(startsAFrame(driver));

    // Between, a change in layer 0 alone redraws both layers there: layer 1 (black) is composed
    // over the red at level 128, weight 129.
    screen->transitionLevel = 128;
    screen->invalidateAll();
    runFrame(driver);
    shownFill(0, {20, 10, 30, 20}, red);
    runFrame(driver);
    EXPECT_EQ(presenter->lastRect(), (Rect{20, 0, 30, 40}));
    EXPECT_EQ(rgb(*presenter, 25, 15), 0x7E0000u);
    EXPECT_EQ(rgb(*presenter, 19, 15), 0u);
}

TEST_F(ScreenTest, TransitionMaskPicksTheLayerPerPixel) {
    makeScreen(64, 40, 2);
    auto mask = std::make_shared<Image>(64, 40, PixelFormat::Gray8);
    for (uint32_t y = 0; y < 40; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            mask->row(y)[x] = x < 32 ? 94 : 159;  // at level 128 and softness 64: layer 0, layer 1
        }
    }
    background[0]->hide();
    screen->createFillRectSprite(0, 0, {0, 0, 64, 40}, 0, red)->show();
    Screen::FrameDriver driver(*screen);
    screen->transitionLevel = 128;
    screen->setTransitionImage(mask);
    runFrame(driver);
    EXPECT_EQ(rgb(*presenter, 0, 0), 0xFF0000u);
    EXPECT_EQ(rgb(*presenter, 31, 39), 0xFF0000u);
    EXPECT_EQ(rgb(*presenter, 32, 0), 0u);

    // Setting the same mask again changes nothing; at level 255 only layer 1 is drawn, mask or not.
    screen->setTransitionImage(mask);
    EXPECT_FALSE(startsAFrame(driver));
    screen->transitionLevel = 255;
    screen->invalidateAll();
    runFrame(driver);
    EXPECT_EQ(rgb(*presenter, 0, 0), 0u);

    // At the ends of the level range a new mask is stored without a redraw.
    screen->setTransitionImage(nullptr);
    EXPECT_FALSE(startsAFrame(driver));
}

TEST_F(ScreenTest, ABusyWorkerGetsTheWaitingFrameOnceDone) {
    for (uint32_t workers : {1u, 3u}) {
        auto gate = std::make_shared<GatePresenter>(64, 40);
        makeScreen(64, 40, workers, gate);
        Screen::FrameDriver driver(*screen);
        driver.pass();  // hands over the first frame; presenting it stops at the gate
        ASSERT_TRUE(screen->frameTimer.frameDrawn);
        gate->waitUntilEntered();

        // The next frame is handed over, but its last worker cannot swap while the first is presented.
        shownFill(0, {0, 0, 4, 4}, red);
        screen->frameTimer.frameDrawn = false;
        driver.pass();
        screen->frameTimer.frameDrawn = false;
        driver.pass();
        ASSERT_TRUE(screen->frameTimer.frameDrawn);

        // Busy: frames are built and merged, not handed over, with or without news.
        shownFill(0, {40, 30, 44, 34}, red);
        for (int i = 0; i < 2; ++i) {
            screen->frameTimer.frameDrawn = false;
            driver.pass();
            EXPECT_FALSE(screen->frameTimer.frameDrawn) << workers << " workers";
        }
        gate->open();
        driver.finishFrame();
        driver.pass();
        EXPECT_TRUE(screen->frameTimer.frameDrawn) << "the waiting frame goes once the workers are done";
        driver.finishFrame();
        EXPECT_EQ(gate->presentCount(), 3u);
        EXPECT_EQ(gate->lastRect(), (Rect{40, 0, 44, 40}));
        EXPECT_EQ(rgb(*gate, 41, 31), 0xFF0000u);
        EXPECT_EQ(rgb(*gate, 1, 1), 0xFF0000u);
    }
}

TEST_F(ScreenTest, AnEmptyFrameIsSwappedButNotPresented) {
    makeScreen(64, 40);
    auto square = shownFill(0, {10, 10, 20, 20}, red);
    bool fail = false;
    screen->addFrameHandler([&](Screen&) -> bool {
        if (fail) {
            throw std::runtime_error("handler failed");
        }
        return false;
    });
    Screen::FrameDriver driver(*screen);
    // The failure skips the build after the first hand-over, so the next pass hands over a frame
    // with nothing in it.
    fail = true;
    driver.pass();
    fail = false;
    driver.finishFrame();
    EXPECT_EQ(presenter->presentCount(), 1u);
    driver.pass();
    EXPECT_TRUE(screen->frameTimer.frameDrawn);
    driver.finishFrame();
    EXPECT_EQ(presenter->presentCount(), 1u);

    // The present token came back: the next change is presented, and the swap kept the frames right.
    square->invalidate();
    square->setPosition(30, 10);
    square->invalidate();
    runFrame(driver);
    EXPECT_EQ(presenter->presentCount(), 2u);
    EXPECT_EQ(rgb(*presenter, 15, 15), 0u);
    EXPECT_EQ(rgb(*presenter, 35, 15), 0xFF0000u);
}

TEST_F(ScreenTest, ARestartDrawsWhatTheStoppedRunHandedOverButNeverDrew) {
    auto gate = std::make_shared<GatePresenter>(64, 40);
    makeScreen(64, 40, 1, gate);
    auto driver = std::make_unique<Screen::FrameDriver>(*screen);
    driver->pass();  // the black frame; presenting it stops at the gate
    gate->waitUntilEntered();
    shownFill(0, {10, 10, 20, 20}, red);
    for (int i = 0; i < 2; ++i) {
        screen->frameTimer.frameDrawn = false;
        driver->pass();  // builds the square, then hands it to the worker still presenting
    }
    ASSERT_TRUE(screen->frameTimer.frameDrawn);

    // The run stops while the worker presents: it never gets to the square.
    std::thread stopper([&driver] { driver.reset(); });
    std::this_thread::sleep_for(50ms);
    gate->open();
    stopper.join();

    Screen::FrameDriver restarted(*screen);
    runFrame(restarted);
    EXPECT_EQ(rgb(*gate, 15, 15), 0xFF0000u);
    EXPECT_EQ(rgb(*gate, 9, 15), 0u);
}

// A fill whose drawing fails on demand, as when memory runs out while a frame is built.
class FailingSprite : public FillRectSprite {
public:
    using FillRectSprite::FillRectSprite;
    void draw(std::vector<DrawCommand>& commands, FrameResources& resources) const override {
        if (fail) {
            throw std::bad_alloc();
        }
        FillRectSprite::draw(commands, resources);
    }
    bool fail = true;
};

TEST_F(ScreenTest, AFailureBeforeTheFirstPassStopsTheWorkers) {
    makeScreen(64, 40, 2);
    auto failing = std::make_shared<FailingSprite>(screen->getSpriteManager(0), std::weak_ptr<ScreenDrawer>(),
                                                   7, Rect{0, 0, 4, 4}, 5, red);
    failing->show();
    screen->getSpriteManager(0)->add(failing);
    EXPECT_THROW(Screen::FrameDriver{*screen}, std::bad_alloc);
    // The frame thread meets the same failure and ends; the Screen stops cleanly afterwards.
    screen->start();
    screen->stop();
    failing->fail = false;
    Screen::FrameDriver driver(*screen);
    runFrame(driver);
    EXPECT_EQ(rgb(*presenter, 1, 1), 0xFF0000u);
}

TEST_F(ScreenTest, FrameThreadAnimatesUntilStopped) {
    makeScreen(64, 40, 2);
    auto square = shownFill(0, {0, 0, 4, 4}, red);
    std::atomic<int> passes{0};
    screen->addFrameHandler([&](Screen&) {
        square->invalidate();
        square->setPosition(passes % 60, 0);
        square->invalidate();
        ++passes;
        return false;
    });
    screen->start();
    while (passes < 10) {
        std::this_thread::sleep_for(1ms);
    }
    screen->stop();
    const int stoppedAt = passes;
    EXPECT_GT(presenter->presentCount(), 0u);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(passes, stoppedAt);

    // A restart picks up where it left; the frame thread cannot restart itself.
    std::atomic<bool> refused{false};
    screen->addFrameHandler([&](Screen& s) {
        try {
            s.start();
        } catch (const Exception&) {
            refused = true;
        }
        return true;
    });
    screen->start();
    while (!refused || passes < stoppedAt + 5) {
        std::this_thread::sleep_for(1ms);
    }
    // A handler may ask the loop to end; it ends at its next wait.
    screen->addFrameHandler([](Screen& s) {
        s.stop();
        return true;
    });
    std::this_thread::sleep_for(100ms);
    const int askedAt = passes;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(passes, askedAt);
}

TEST_F(ScreenTest, StartingAndDestroyingRunningScreensNeitherHangsNorLeaks) {
    for (int i = 0; i < 500; ++i) {
        makeScreen(64, 40, 1 + i % 3);
        shownFill(i % 2, {i % 50, 3, i % 50 + 10, 30}, red);
        screen->start();
        if (i % 10 == 0) {
            std::this_thread::sleep_for(2ms);  // let some frames flow
        }
        screen.reset();
    }
}

}  // namespace
}  // namespace tavelo
