#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>

#include "core/exception.h"
#include "core/thread.h"

namespace tavelo {
namespace {

using namespace std::chrono_literals;

// Sleeps in long steps until interrupted: only an interrupt can end it.
void sleepUntilStopped(ThreadNotifier& notifier) {
    for (;;) {
        notifier.sleep(10000);
    }
}

TEST(ThreadTest, StopInterruptsAndJoinsAndASecondStopDoesNothing) {
    Thread thread;
    std::atomic<bool> started{false};
    thread.start([&](ThreadNotifier& notifier) {
        started = true;
        sleepUntilStopped(notifier);
    });
    while (!started) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(thread.isRunning());
    thread.stop();
    EXPECT_FALSE(thread.isRunning());
    // The body ended through InterruptedException.
    EXPECT_EQ(thread.exitCode(), Thread::failedExitCode);
    thread.stop();
    EXPECT_FALSE(thread.isRunning());
}

TEST(ThreadTest, RestartRunsTheNewBodyWithAClearNotifier) {
    Thread thread;
    thread.start(sleepUntilStopped);
    thread.stop();

    std::atomic<bool> sawClearNotifier{false};
    Event ran;
    thread.start([&](ThreadNotifier& notifier) {
        sawClearNotifier = !notifier.isSet();
        ran.set();
    });
    ASSERT_TRUE(ran.waitDeep(10000));
    thread.stop();
    EXPECT_TRUE(sawClearNotifier);
    EXPECT_EQ(thread.exitCode(), 0u);
}

TEST(ThreadTest, StartingWhileRunningStopsTheOldBodyFirst) {
    Thread thread;
    std::atomic<int> finished{0};
    thread.start([&](ThreadNotifier& notifier) {
        try {
            sleepUntilStopped(notifier);
        } catch (const InterruptedException&) {
            ++finished;
        }
    });
    thread.start([&](ThreadNotifier&) { ++finished; });
    thread.stop();
    EXPECT_EQ(finished, 2);
}

TEST(ThreadTest, EmptyOrThrowingBodiesEndWithTheFailureCode) {
    Thread thread;
    thread.start(Thread::Body{});
    thread.stop();
    EXPECT_EQ(thread.exitCode(), Thread::failedExitCode);

    thread.start([](ThreadNotifier&) { throw std::runtime_error("body failed"); });
    thread.stop();
    EXPECT_EQ(thread.exitCode(), Thread::failedExitCode);
}

TEST(ThreadTest, AThreadThatCannotStartThrowsAndRunsNothing) {
    // New threads get a stack larger than the address space, so none can be made.
    pthread_attr_t saved;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t{1} << 50);
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);

    Thread thread;
    std::atomic<bool> ran{false};
    try {
        thread.start([&](ThreadNotifier&) { ran = true; });
        ADD_FAILURE() << "expected Win32Exception";
    } catch (const Win32Exception& error) {
        EXPECT_STREQ(error.what(), "_beginthreadex API failed in tavelo::Thread::start method.");
        EXPECT_NE(error.code(), 0u);
    }
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&saved);

    EXPECT_FALSE(thread.isRunning());
    thread.stop();  // nothing to join
    EXPECT_FALSE(ran);
}

TEST(ThreadTest, NeverStartedThreadIsDestroyedWithoutWaiting) {
    const auto start = std::chrono::steady_clock::now();
    { Thread thread; }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(ThreadTest, DestructorStopsARunningThread) {
    std::atomic<bool> interrupted{false};
    {
        Thread thread;
        thread.start([&](ThreadNotifier& notifier) {
            try {
                sleepUntilStopped(notifier);
            } catch (const InterruptedException&) {
                interrupted = true;
                throw;
            }
        });
    }
    EXPECT_TRUE(interrupted);
}

// Sets its event when the thread that armed it has ended, after all its Thread's own code has run.
struct ThreadEndSignal {
    std::shared_ptr<Event> event;
    ~ThreadEndSignal() {
        if (event) {
            event->set();
        }
    }
};
thread_local ThreadEndSignal threadEnd;

TEST(ThreadTest, AThreadDestroyedByItsOwnBodyFinishesOnItsOwn) {
    // Not make_shared: the weak pointer must not keep the Thread's memory, so that the sanitizers see
    // any use of it after the body destroyed it.
    std::shared_ptr<Thread> thread(new Thread);
    const std::weak_ptr<Thread> watch = thread;
    std::shared_ptr<Thread> lastReference;
    Event handedOver;
    const auto ended = std::make_shared<Event>();
    thread->start([&](ThreadNotifier& notifier) {
        threadEnd.event = ended;
        handedOver.waitDeep(0xFFFFFFFF);
        lastReference->stop();  // only interrupts: a body cannot join itself
        EXPECT_TRUE(notifier.isSet());
        // Destroys the Thread and with it this body's captures: nothing of them is used after.
        lastReference.reset();
    });
    lastReference = std::move(thread);
    handedOver.set();
    ASSERT_TRUE(ended->waitDeep(10000));
    EXPECT_TRUE(watch.expired());
}

// A body may act on its Thread as its first act: the Thread already holds the running thread then.
TEST(ThreadTest, ABodyThatDestroysItsThreadAtOnceLeavesItGone) {
    for (int round = 0; round < 1000; ++round) {
        SCOPED_TRACE(round);
        // Not make_shared: the sanitizers see any use of the Thread after the body destroyed it.
        const auto slot = std::make_shared<std::shared_ptr<Thread>>(new Thread);
        const std::weak_ptr<Thread> watch = *slot;
        const auto ended = std::make_shared<Event>();
        (*slot)->start([slot, ended](ThreadNotifier&) {
            threadEnd.event = ended;
            // The last reference: the Thread goes, and this body's captures with it.
            slot->reset();
        });
        ASSERT_TRUE(ended->waitDeep(10000));
        EXPECT_TRUE(watch.expired());
    }
}

TEST(ThreadTest, ABodyThatStopsItsThreadAtOnceIsInterrupted) {
    Thread thread;
    for (int round = 0; round < 1000; ++round) {
        SCOPED_TRACE(round);
        std::atomic<bool> interrupted{false};
        Event done;
        thread.start([&](ThreadNotifier& notifier) {
            thread.stop();
            interrupted = notifier.isSet();
            done.set();
        });
        // The owner stops only after the body looked, so that only the body's own stop can interrupt it.
        ASSERT_TRUE(done.waitDeep(10000));
        thread.stop();
        ASSERT_TRUE(interrupted);
    }
}

TEST(ThreadTest, StartsAndStopsAThousandTimes) {
    Thread thread;
    std::atomic<int> runs{0};
    for (int i = 0; i < 1000; ++i) {
        thread.start([&](ThreadNotifier& notifier) {
            ++runs;
            // Half the bodies are interrupted mid-sleep, half have already returned.
            if (i % 2 == 0) {
                sleepUntilStopped(notifier);
            }
        });
        thread.stop();
    }
    EXPECT_EQ(runs, 1000);
}

}  // namespace
}  // namespace tavelo
