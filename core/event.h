#pragma once

#include <atomic>
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

    // Waits up to `milliseconds` (0xFFFFFFFF: no limit); true when the event is signalled.
    bool waitDeep(uint32_t milliseconds);
    // Waits without a limit for any event of [first, last); returns the lowest signalled index.
    static int32_t waitDeep(Event* const* first, Event* const* last);

private:
    // After the kernel wait reports the event signalled, taking the lock once orders everything the
    // setter did before `set` ahead of what the waiter does next.
    void synchroniseWithSetter();

    platform::WaitHandle handle_;
    std::atomic<uint8_t> isSet_{0};
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
