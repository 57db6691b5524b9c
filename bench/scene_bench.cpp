// The demonstration scene itself, headless at 1366 x 768: its generated images, masks and font, its
// 900 snowflakes, particles, meters and the layer-1 background stretched with bilinear sampling,
// held in the middle of a masked fade so that every frame is drawn whole. Milliseconds per frame for
// 1, 2 and 4 draw workers; each iteration runs one pass of the frame loop (the handlers, then the
// build of the next frame) and waits for the frame it handed over to be drawn and presented.
// For scale, the same run times a plain copy of one 1366 x 768 frame.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/benchmark_scene.h"
#include "platform/offscreen_scene_window.h"
#include "render/screen.h"

namespace {

using namespace tavelo;

constexpr uint32_t screenWidth = 1366;
constexpr uint32_t screenHeight = 768;

void BM_SceneFrame(benchmark::State& state) {
    std::filesystem::current_path(VELMORA_RUN_DIR);
    platform::OffscreenSceneWindow window(screenWidth, screenHeight);
    window.cursor()->moveTo(683, 384);
    BenchmarkSceneOptions options;
    options.readProcStat = [] {
        return std::string(
            "cpu  10 0 10 80 0 0 0 0 0 0\ncpu0 5 0 5 40 0 0 0 0 0 0\ncpu1 5 0 5 40 0 0 0 0 0 0\n");
    };
    options.workerCount = static_cast<uint32_t>(state.range(0));
    options.startFrameThread = false;
    BenchmarkScene scene(window, options);
    Screen& screen = *scene.screen();
    Screen::FrameDriver driver(screen);
    // Into the fade through the first mask; the particles and the caches settle on the way.
    for (int i = 0; i < 128; ++i) {
        driver.pass();
        driver.finishFrame();
    }
    for (auto _ : state) {
        screen.transitionLevel = 128;  // the fade moves on by one and redraws everything
        driver.pass();
        driver.finishFrame();
    }
    state.counters["level"] = screen.transitionLevel;
}

void BM_CopyFrame(benchmark::State& state) {
    const size_t bytes = size_t{screenWidth} * screenHeight * 4;
    std::vector<unsigned char> source(bytes, 0x5A);
    std::vector<unsigned char> target(bytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK(BM_SceneFrame)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The scene loads its click sound; no output device is wanted here.
    ::setenv("ALSOFT_DRIVERS", "nonexistent", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
