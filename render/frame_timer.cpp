#include "render/frame_timer.h"

#include <emmintrin.h>

#include <chrono>
#include <utility>

namespace tavelo {

namespace {

constexpr std::array<uint32_t, FrameTimer::fps> makeSchedule() {
    std::array<uint32_t, FrameTimer::fps> schedule{};
    for (uint32_t i = 0; i < FrameTimer::fps; ++i) {
        schedule[i] = (i + 1) * 1000 / FrameTimer::fps;
    }
    return schedule;
}

constexpr uint32_t resyncAfter = 5000;

// True when `due` is not later than `now`, by the shorter way round the 32-bit clock.
bool reached(uint32_t due, uint32_t now) {
    return static_cast<int32_t>(due - now) <= 0;
}

}  // namespace

uint32_t FrameTimer::systemClock() {
    const auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count());
}

FrameTimer::FrameTimer(Clock clock) : schedule(makeSchedule()), clock_(std::move(clock)) {
    restart();
}

void FrameTimer::restart() {
    base = last = clock_();
    index = 0;
}

void FrameTimer::waitNextFrame(const Sleep& sleep) {
    frameDrawn = false;
    if (index == schedule.size()) {
        base += schedule.back();
        index = 0;
    }
    uint32_t now = clock_();
    uint32_t due = base + schedule[index];
    for (;;) {
        if (now - base >= resyncAfter) {
            base = now;
            index = 0;
            due = now + schedule[0];
        }
        if (reached(due, now)) {
            ++index;
            last = now;
            return;
        }
        if (due == now + 1) {
            _mm_pause();  // the last millisecond is spun, so a pass starts on time
        } else {
            sleep(1);
        }
        now = clock_();
    }
}

}  // namespace tavelo
