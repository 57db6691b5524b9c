#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "render/frame_timer.h"

namespace tavelo {
namespace {

// A deterministic clock: each read moves it a tenth of a millisecond on (so a spin ends), each
// sleep moves it by the time slept, and a test may move it too.
struct FakeTime {
    uint32_t now;
    uint32_t tenths = 0;
    explicit FakeTime(uint32_t start = 0) : now(start) {}
    FrameTimer::Clock clock() {
        return [this] {
            if (++tenths == 10) {
                tenths = 0;
                ++now;
            }
            return now;
        };
    }
    FrameTimer::Sleep sleep() {
        return [this](uint32_t ms) { now += ms; };
    }
};

TEST(FrameTimerTest, ScheduleIsSixtyEvenDueTimesASecond) {
    FakeTime time;
    FrameTimer timer(time.clock());
    EXPECT_EQ(timer.schedule.front(), 16u);
    EXPECT_EQ(timer.schedule[1], 33u);
    EXPECT_EQ(timer.schedule[3], 66u);
    EXPECT_EQ(timer.schedule.back(), 1000u);
}

TEST(FrameTimerTest, ReturnsAtEachDueTimeAndCarriesIntoTheNextCycle) {
    for (uint32_t start : {0u, 0xFFFFFF00u, 0xFFFFFFF0u}) {
        FakeTime time(start);
        FrameTimer timer(time.clock());
        std::vector<uint32_t> returns;
        for (int i = 0; i < 62; ++i) {
            timer.waitNextFrame(time.sleep());
            returns.push_back(time.now - start);
            EXPECT_EQ(timer.last, time.now);
        }
        // Evenly paced across the 32-bit wrap of the clock, too.
        EXPECT_EQ(returns[0], 16u) << start;
        EXPECT_EQ(returns[1], 33u) << start;
        EXPECT_EQ(returns[2], 50u) << start;
        EXPECT_EQ(returns[59], 1000u) << start;
        EXPECT_EQ(returns[60], 1016u) << start;
        EXPECT_EQ(returns[61], 1033u) << start;
    }
}

TEST(FrameTimerTest, LatePassesReturnAtOnceOncePerMissedDueTime) {
    FakeTime time(0xFFFFFFE0u);
    const uint32_t start = time.now;
    FrameTimer timer(time.clock());
    timer.waitNextFrame(time.sleep());
    ASSERT_EQ(time.now - start, 16u);
    time.now += 100;  // a long pass: the clock is now at base + 116

    for (int i = 0; i < 6; ++i) {  // due 33, 50, 66, 83, 100, 116
        timer.waitNextFrame([](uint32_t) { FAIL() << "a late wait must not sleep"; });
        EXPECT_EQ(time.now - start, 116u);
    }
    timer.waitNextFrame(time.sleep());
    EXPECT_EQ(time.now - start, 133u);
}

TEST(FrameTimerTest, ANewCycleBeginsAtTheOldOnesEndSoALatePassStillCatchesUp) {
    FakeTime time;
    FrameTimer timer(time.clock());
    for (int i = 0; i < 60; ++i) {
        timer.waitNextFrame(time.sleep());
    }
    ASSERT_EQ(time.now, 1000u);
    time.now += 50;  // the pass after the cycle's last due time overruns

    for (uint32_t due : {1016u, 1033u, 1050u}) {
        timer.waitNextFrame([](uint32_t) { FAIL() << "a late wait must not sleep"; });
        EXPECT_EQ(time.now, 1050u) << due;
    }
    timer.waitNextFrame(time.sleep());
    EXPECT_EQ(time.now, 1066u);
    EXPECT_EQ(timer.base, 1000u);
}

TEST(FrameTimerTest, ResynchronisesFiveSecondsBehind) {
    FakeTime time(1000);
    FrameTimer timer(time.clock());
    time.now += 5000;
    timer.waitNextFrame(time.sleep());
    EXPECT_EQ(time.now, 6016u);
    EXPECT_EQ(timer.base, 6000u);
    EXPECT_EQ(timer.index, 1u);
}

TEST(FrameTimerTest, SleepsWhileTimeRemainsAndSpinsThroughTheLastMillisecond) {
    FakeTime time;
    FrameTimer timer(time.clock());
    std::vector<uint32_t> sleptAt;
    timer.waitNextFrame([&](uint32_t ms) {
        sleptAt.push_back(time.now);
        time.now += ms;
    });
    ASSERT_FALSE(sleptAt.empty());
    for (uint32_t at : sleptAt) {
        EXPECT_LT(at + 1, 16u);  // never sleeps across the due millisecond
    }
    EXPECT_EQ(timer.last, 16u);
}

TEST(FrameTimerTest, EveryWaitClearsFrameDrawnAndAnInterruptKeepsTheState) {
    FakeTime time;
    FrameTimer timer(time.clock());
    timer.frameDrawn = true;
    timer.waitNextFrame(time.sleep());
    EXPECT_FALSE(timer.frameDrawn);

    timer.frameDrawn = true;
    const uint32_t base = timer.base, last = timer.last;
    const uint64_t index = timer.index;
    EXPECT_THROW(timer.waitNextFrame([](uint32_t) { throw std::runtime_error("interrupted"); }),
                 std::runtime_error);
    EXPECT_FALSE(timer.frameDrawn);
    EXPECT_EQ(timer.base, base);
    EXPECT_EQ(timer.last, last);
    EXPECT_EQ(timer.index, index);
}

}  // namespace
}  // namespace tavelo
