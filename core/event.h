#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "core/scoped_lock.h"
#include "platform/wait_handle.h"

namespace tavelo {

// A manual-reset event with a flag that other threads may poll without blocking.
class Event {
public:
    Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    virtual ~Event() = default;

    void set();
    void reset();
    bool isSet() const noexcept { return isSet_.load(std::memory_order_acquire) != 0; }

    // Waits up to `milliseconds` (0xFFFFFFFF: no limit); true when the event is signalled. A wait
    // without a limit may spin briefly before it blocks (see `spinUntilSet`).
    bool waitDeep(uint32_t milliseconds);
    // Waits without a limit for any event of [first, last); returns the lowest signalled index.
    static int32_t waitDeep(Event* const* first, Event* const* last);

private:
    friend class ThreadNotifier;
    using Clock = std::chrono::steady_clock;

    // Unlimited waits on an event are often handed over within microseconds (a frame's workers and
    // the thread that gives them frames back to back), while a blocked thread takes tens of them to
    // run again, most of all on a virtual machine. So such a wait first polls the flag for a short
    // while, as long as the event's recent waits ended soon enough for that to pay. True when this
    // event, or `alsoSet` when given, was found set.
    bool spinUntilSet(const Event* alsoSet) const;
    // After a wait that blocked from `blockedAt`: whether the next wait on this event spins.
    void noteBlockedWait(Clock::time_point blockedAt);

    // After the kernel wait reports the event signalled, taking the lock once orders everything the
    // setter did before `set` ahead of what the waiter does next.
    void synchroniseWithSetter();

    platform::WaitHandle handle_;
    std::atomic<uint8_t> isSet_{0};
    std::atomic<bool> spins_{true};
    CriticalSection lock_;
};

// A thread's interrupt event, as the thread's body sees it: its sleeps and waits throw
// InterruptedException once the owner sets it.
class ThreadNotifier : public Event {
public:
    void sleep(uint32_t milliseconds);
    // True when `event` is set; false never happens with an unlimited wait but is kept for callers.
    bool wait(Event& event);
};

}  // namespace tavelo
