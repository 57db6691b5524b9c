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

// Rounds of one scene each: the scene runs 2,000 passes on its own frame thread, unpaced (a frame timer
// set a second behind makes every wait return at once), while this thread moves the pointer, paints
// and clicks; then it is destroyed, and nothing may be presented after that. The window is small but
// still two bands high, so two workers draw one frame side by side. The pointer glides a pixel each
// step and jumps back at each edge, as a hand moves it: a jump per pass of the whole window would make
// the particle handler add a hundred sprites a pass, thousands alive at once, and the sanitizer builds
// would spend their time on particles rather than on the threads' hand-offs.
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
        // The passes run unpaced, so on a busy machine they can all go by before a worker is first
        // scheduled: the round also waits for a presentation, for a minute at most.
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        int32_t step = 0;
        while ((passes->load() < passesPerScene || window.offscreen()->presentCount() == before) &&
               std::chrono::steady_clock::now() < deadline) {
            // A pass lasts a few steps: short moves (with a jittered pair) and, at the edges, long
            // jumps (with interpolated pairs) both occur.
            window.cursor()->moveTo(step % 120, (step / 2) % 90);
            ++step;
            scene->onPaint();
            if (step % 5 == 0) {
                scene->onClick(step, 0);
            }
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_GE(passes->load(), passesPerScene);
        EXPECT_GT(window.offscreen()->presentCount(), before);
        scene.reset();
        // Nothing runs once the scene is gone.
        const uint64_t after = window.offscreen()->presentCount();
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(window.offscreen()->presentCount(), after);
    }
}

// Ten groups of five rounds (each group a test case of its own), so that CTest can run them side by
// side.
class SceneLifecycleTest : public SceneTest, public ::testing::WithParamInterface<int> {};

TEST_P(SceneLifecycleTest, RunsOnItsFrameThreadAndStopsCleanly) {
    platform::OffscreenSceneWindow small(192, 144);
    runScenes(small, 5);
}

INSTANTIATE_TEST_SUITE_P(Rounds, SceneLifecycleTest, ::testing::Range(0, 10));

}  // namespace
}  // namespace tavelo
