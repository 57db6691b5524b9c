#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/benchmark_scene.h"
#include "render/frame_timer.h"
#include "render/screen.h"
#include "tests/app/scene_fixture.h"

namespace tavelo {
namespace {

using namespace std::chrono_literals;
using velmora::test::SceneTest;

constexpr uint32_t passesPerScene = 2000;

// The scene on its own frame thread, unpaced so that 2,000 passes take seconds rather than half a
// minute, while the GUI side paints and clicks; then destroyed. Each round starts a new scene. The
// window is small (the scene fits any window whose height is at most 3/4 of its width), so the
// sanitizer builds spend their time on the threads' work rather than on pixels.
void runScenes(platform::OffscreenSceneWindow& window, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        auto passes = std::make_shared<std::atomic<uint32_t>>(0);
        const uint64_t before = window.offscreen()->presentCount();
        BenchmarkSceneOptions options;
        options.readProcStat = [] {
            return velmora::test::procStat(3, {5, 0, 5, 10, 0, 0, 0, 0}, {1, 0, 1, 3, 0, 0, 0, 0});
        };
        options.workerCount = 1 + round % 4;
        std::shared_ptr<IScene> scene = std::make_shared<BenchmarkScene>(window, options);
        auto& benchmark = static_cast<BenchmarkScene&>(*scene);
        {
            ScreenLock lock(*benchmark.screen());
            benchmark.screen()->addFrameHandler([passes](Screen& screen) {
                // Due a second ago: the frame loop's wait returns at once.
                screen.frameTimer.base = FrameTimer::systemClock() - 1000;
                screen.frameTimer.index = 0;
                passes->fetch_add(1);
                return false;
            });
        }
        int32_t x = 0;
        while (passes->load() < passesPerScene) {
            window.cursor()->moveTo(x % 240 - 20, (x * 7) % 180 - 20);
            x += 13;
            scene->onPaint();
            if (x % 5 == 0) {
                scene->onClick(x, 0);
            }
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_GT(window.offscreen()->presentCount(), before);
        scene.reset();
        // Nothing runs once the scene is gone.
        const uint64_t after = window.offscreen()->presentCount();
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(window.offscreen()->presentCount(), after);
    }
}

// Ten groups of five rounds, so that CTest can run them side by side.
class SceneLifecycleTest : public SceneTest, public ::testing::WithParamInterface<int> {};

TEST_P(SceneLifecycleTest, RunsOnItsFrameThreadAndStopsCleanly) {
    platform::OffscreenSceneWindow small(192, 144);
    runScenes(small, 5);
}

INSTANTIATE_TEST_SUITE_P(Rounds, SceneLifecycleTest, ::testing::Range(0, 10));

}  // namespace
}  // namespace tavelo
