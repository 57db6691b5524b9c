#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/mouse.h"
#include "app/scene.h"
#include "platform/scene_window.h"

namespace tavelo {
class ProcessorLoadQuery;
class Screen;
}  // namespace tavelo

// Settings the window does not give. The one-argument constructor reads the real /proc/stat and
// starts the frame thread with the default worker count; tests and benchmarks choose their own.
struct BenchmarkSceneOptions {
    // The text of /proc/stat, read by the processor meters; empty when it cannot be read.
    std::function<std::string()> readProcStat;
    // Draw workers; 0 means one per processor, at most four.
    uint32_t workerCount = 0;
    // False leaves the frame loop to the caller, which drives it pass by pass.
    bool startFrameThread = true;
};

// The demonstration and benchmark scene: a background, a stack of translucent images, snow, two
// bouncing images, a particle trail after the pointer, a looping masked fade between the layers, a
// frame-rate read-out and one load meter per processor. It reads its images and its click sound from
// the working directory. All animation runs in frame handlers on the Screen's frame thread.
class BenchmarkScene : public IScene {
public:
    explicit BenchmarkScene(tavelo::platform::ISceneWindow& window);
    BenchmarkScene(tavelo::platform::ISceneWindow& window, const BenchmarkSceneOptions& options);
    ~BenchmarkScene() override;
    BenchmarkScene(const BenchmarkScene&) = delete;
    BenchmarkScene& operator=(const BenchmarkScene&) = delete;

    void onPaint() override;
    // Restarts the click sound, wherever the click was.
    void onClick(int x, int y) override;

    const std::shared_ptr<tavelo::Screen>& screen() const noexcept { return screen_; }
    tavelo::Mouse& mouse() noexcept { return mouse_; }
    // The processor time sampler; empty until the meters open it.
    std::shared_ptr<tavelo::ProcessorLoadQuery>& processorQuery() noexcept { return processorQuery_; }
    const std::function<std::string()>& procStatReader() const noexcept { return readProcStat_; }

private:
    void addStaticSprites();

    // Released last: the draw workers present into it until the Screen is gone.
    std::shared_ptr<tavelo::platform::IPresenter> presenter_;
    tavelo::Mouse mouse_;
    std::function<std::string()> readProcStat_;
    std::shared_ptr<tavelo::ProcessorLoadQuery> processorQuery_;
    // Declared last so that it goes first, also when the constructor fails after starting it: its
    // handlers use the mouse and the processor query.
    std::shared_ptr<tavelo::Screen> screen_;
};
