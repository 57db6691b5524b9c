#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "core/event.h"

namespace tavelo {

// A thread that owns its body and an interrupt event. Stopping is cooperative: `stop` sets the
// notifier, the body's next (or current) sleep or wait throws InterruptedException, then `stop` joins.
// A body may stop its own Thread (that only interrupts) or destroy it (the thread is then detached
// and finishes on its own; the body must not touch its captures after that).
class Thread {
public:
    using Body = std::function<void(ThreadNotifier&)>;
    static constexpr uint32_t failedExitCode = 0xFFFFFFFF;

    Thread();
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Runs `body` on a new thread with a clear notifier. A thread still running is stopped first, so
    // its body is never replaced under it.
    void start(Body body);
    void stop();

    bool isRunning() const noexcept { return thread_.joinable(); }
    // What the last body's thread returned: 0, or failedExitCode when an exception left the body.
    uint32_t exitCode() const noexcept { return exitCode_.load(std::memory_order_acquire); }

private:
    static uint32_t threadProc(Thread* thread);

    std::thread thread_;
    // Held by `start` until `thread_` holds the new thread; the body waits for it before it runs.
    std::mutex handOver_;
    ThreadNotifier notifier_;
    Body body_;
    std::atomic<uint32_t> exitCode_{0};
};

}  // namespace tavelo
