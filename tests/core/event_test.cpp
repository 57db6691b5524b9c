#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "core/event.h"
#include "core/exception.h"

namespace tavelo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(EventTest, SetResetAndPollingWaits) {
    Event event;
    EXPECT_FALSE(event.isSet());
    EXPECT_FALSE(event.waitDeep(0));

    event.set();
    EXPECT_TRUE(event.isSet());
    // A manual-reset event stays signalled through any number of waits.
    EXPECT_TRUE(event.waitDeep(0));
    EXPECT_TRUE(event.waitDeep(0xFFFFFFFF));
    event.set();  // setting twice is harmless

    event.reset();
    EXPECT_FALSE(event.isSet());
    EXPECT_FALSE(event.waitDeep(0));
    event.reset();
    EXPECT_FALSE(event.waitDeep(0));
}

TEST(EventTest, TimedWaitTimesOutThenWakesOnSet) {
    Event event;
    const auto start = Clock::now();
    EXPECT_FALSE(event.waitDeep(30));
    EXPECT_GE(Clock::now() - start, 30ms);

    std::thread setter([&] {
        std::this_thread::sleep_for(10ms);
        event.set();
    });
    EXPECT_TRUE(event.waitDeep(10000));
    setter.join();
}

TEST(EventTest, MultiWaitGivesTheLowestSignalledIndex) {
    Event a, b, c;
    Event* const events[] = {&a, &b, &c};
    c.set();
    EXPECT_EQ(Event::waitDeep(events, events + 3), 2);
    b.set();
    EXPECT_EQ(Event::waitDeep(events, events + 3), 1);
    a.set();
    EXPECT_EQ(Event::waitDeep(events, events + 3), 0);
}

TEST(EventTest, MultiWaitBlocksUntilOneIsSetAndHandlesLargeSets) {
    std::vector<std::unique_ptr<Event>> owned;
    std::vector<Event*> events;
    for (int i = 0; i < 20; ++i) {
        owned.push_back(std::make_unique<Event>());
        events.push_back(owned.back().get());
    }
    std::thread setter([&] {
        std::this_thread::sleep_for(10ms);
        events[17]->set();
    });
    EXPECT_EQ(Event::waitDeep(events.data(), events.data() + events.size()), 17);
    setter.join();
}

TEST(EventTest, MultiWaitOverNoEventsThrowsInsteadOfBlocking) {
    Event* const* none = nullptr;
    try {
        Event::waitDeep(none, none);
        FAIL() << "expected Win32Exception";
    } catch (const Win32Exception& error) {
        EXPECT_STREQ(error.what(), "WaitForMultipleObjects API failed in tavelo::Event::waitDeep method.");
    }
}

TEST(ThreadNotifierTest, SleepReturnsOrThrowsByTheFlag) {
    ThreadNotifier notifier;
    notifier.sleep(0);
    const auto start = Clock::now();
    notifier.sleep(20);
    EXPECT_GE(Clock::now() - start, 20ms);

    notifier.set();
    try {
        notifier.sleep(0);
        FAIL() << "expected InterruptedException";
    } catch (const InterruptedException& error) {
        EXPECT_STREQ(error.what(), "Thread interupted in tavelo::ThreadNotifier::sleep method.");
    }
    EXPECT_THROW(notifier.sleep(1000), InterruptedException);
}

TEST(ThreadNotifierTest, InterruptDuringSleepEndsItEarly) {
    ThreadNotifier notifier;
    std::thread interrupter([&] {
        std::this_thread::sleep_for(10ms);
        notifier.set();
    });
    const auto start = Clock::now();
    EXPECT_THROW(notifier.sleep(10000), InterruptedException);
    EXPECT_LT(Clock::now() - start, 5s);
    interrupter.join();
}

TEST(ThreadNotifierTest, WaitPutsTheInterruptFirstAndLeavesTheEventSet) {
    ThreadNotifier notifier;
    Event event;

    event.set();
    EXPECT_TRUE(notifier.wait(event));
    EXPECT_TRUE(event.isSet());  // the caller resets what it consumed

    notifier.set();
    try {
        notifier.wait(event);
        FAIL() << "expected InterruptedException";
    } catch (const InterruptedException& error) {
        EXPECT_STREQ(error.what(), "Thread interupted in tavelo::ThreadNotifier::wait method.");
    }
}

TEST(ThreadNotifierTest, WaitWakesForTheEventOrTheInterrupt) {
    // Set at once, which a waiter usually sees while it spins, and set late, after it has blocked.
    for (const auto delay : {0ms, 10ms}) {
        ThreadNotifier notifier;
        Event event;
        std::thread setter([&] {
            std::this_thread::sleep_for(delay);
            event.set();
        });
        EXPECT_TRUE(notifier.wait(event));
        setter.join();
    }
    for (const auto delay : {0ms, 10ms}) {
        ThreadNotifier notifier;
        Event event;
        std::thread interrupter([&] {
            std::this_thread::sleep_for(delay);
            notifier.set();
        });
        EXPECT_THROW(notifier.wait(event), InterruptedException);
        interrupter.join();
    }
}

// The processor time the calling thread has used.
std::chrono::nanoseconds threadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

TEST(EventTest, WaitsThatLastLongStopSpinning) {
    // A waiter handed something only every few milliseconds, as a frame's workers are at 60 frames a
    // second, must sleep through its waits instead of polling the flag. A spinning wait takes 50 us of
    // processor time; one that only blocks takes what its system calls take.
    for (const bool throughNotifier : {false, true}) {
        ThreadNotifier notifier;
        Event event;
        std::vector<std::chrono::nanoseconds> waits;
        for (int round = 0; round < 8; ++round) {
            event.reset();
            std::thread setter([&] {
                std::this_thread::sleep_for(10ms);
                event.set();
            });
            const auto before = threadTime();
            EXPECT_TRUE(throughNotifier ? notifier.wait(event) : event.waitDeep(0xFFFFFFFF));
            waits.push_back(threadTime() - before);
            setter.join();
        }
        // The first wait spun; the least of the later ones shows that they did not.
        EXPECT_LT(*std::min_element(waits.begin() + 1, waits.end()), 40us)
            << (throughNotifier ? "ThreadNotifier::wait" : "Event::waitDeep");
    }
}

TEST(EventTest, AWaitOrdersTheSettersWritesBeforeTheWaitersReads) {
    // ThreadSanitizer checks the hand-over: the plain write must be visible after the wait.
    for (int round = 0; round < 200; ++round) {
        Event ready;
        int payload = 0;
        std::thread producer([&] {
            payload = round + 1;
            ready.set();
        });
        ASSERT_TRUE(ready.waitDeep(0xFFFFFFFF));
        EXPECT_EQ(payload, round + 1);
        producer.join();
    }
}

}  // namespace
}  // namespace tavelo
