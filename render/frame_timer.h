#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace tavelo {

// Paces the frame thread at 60 passes a second on a fixed one-second schedule of due times. A late
// thread catches up by returning at once per due time already past; five seconds behind, it starts
// the schedule afresh.
class FrameTimer {
public:
    using Clock = std::function<uint32_t()>;
    using Sleep = std::function<void(uint32_t)>;

    static constexpr uint32_t fps = 60;

    // The system's millisecond clock, wrapping at 2^32.
    static uint32_t systemClock();

    explicit FrameTimer(Clock clock = systemClock);

    // Returns when the next due time has come. `sleep` is called with 1 (ms) while there is time.
    void waitNextFrame(const Sleep& sleep);
    // Starts a new schedule now (the Screen does this when its frame thread starts).
    void restart();

    uint32_t base = 0;
    uint32_t last = 0;
    uint64_t index = 0;
    // Set by the Screen when the current pass handed a frame to the worker; cleared by every wait.
    bool frameDrawn = false;
    // Element i is (i + 1) x 1000 / 60 ms after `base`.
    const std::array<uint32_t, fps> schedule;

private:
    Clock clock_;
};

}  // namespace tavelo
