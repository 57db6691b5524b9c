#include "core/event.h"

#include <emmintrin.h>
#include <sched.h>

#include <array>
#include <vector>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

namespace {

// About what a blocked thread takes to run again after a set, on a busy virtual machine.
constexpr auto spinLimit = std::chrono::microseconds(50);
// Waits that end within this are hand-overs back to back, worth the spin; a thread that waits longer
// (a frame's worker at sixty frames a second) is better off blocking at once.
constexpr auto spinWorthwhile = std::chrono::milliseconds(1);

}  // namespace

Event::Event() {
    if (const int error = handle_.open()) {
        throw Win32Exception(formatString("CreateEvent API failed in %s method.", "tavelo::Event::Event"),
                             static_cast<uint32_t>(error));
    }
}

void Event::set() {
    ScopedLock lock(&lock_);
    if (const int error = handle_.signal()) {
        throw Win32Exception(formatString("SetEvent API failed in %s method.", "tavelo::Event::set"),
                             static_cast<uint32_t>(error));
    }
    isSet_.store(1, std::memory_order_release);
}

void Event::reset() {
    ScopedLock lock(&lock_);
    if (const int error = handle_.clear()) {
        throw Win32Exception(formatString("ResetEvent API failed in %s method.", "tavelo::Event::reset"),
                             static_cast<uint32_t>(error));
    }
    isSet_.store(0, std::memory_order_release);
}

bool Event::spinUntilSet(const Event* alsoSet) const {
    if (!spins_.load(std::memory_order_relaxed)) {
        return false;
    }
    const Clock::time_point until = Clock::now() + spinLimit;
    for (;;) {
        // A few microseconds of polls between clock reads.
        for (int i = 0; i < 64; ++i) {
            if (isSet() || (alsoSet && alsoSet->isSet())) {
                return true;
            }
            _mm_pause();
        }
        if (Clock::now() >= until) {
            return false;
        }
        // With more threads than processors, the thread that will set the event may be waiting for
        // this processor.
        sched_yield();
    }
}

void Event::noteBlockedWait(Clock::time_point blockedAt) {
    spins_.store(Clock::now() - blockedAt <= spinWorthwhile, std::memory_order_relaxed);
}

void Event::synchroniseWithSetter() {
    ScopedLock lock(&lock_);
}

bool Event::waitDeep(uint32_t milliseconds) {
    const bool unlimited = milliseconds == platform::WaitHandle::infinite;
    // The flag's acquire orders the setter's writes ahead of ours, as the lock does after a kernel wait.
    if (unlimited && spinUntilSet(nullptr)) {
        return true;
    }
    const Clock::time_point blockedAt = unlimited ? Clock::now() : Clock::time_point{};
    int error = 0;
    switch (handle_.wait(milliseconds, error)) {
        case platform::WaitHandle::WaitResult::Signalled:
            synchroniseWithSetter();
            if (unlimited) {
                noteBlockedWait(blockedAt);
            }
            return true;
        case platform::WaitHandle::WaitResult::TimedOut:
            return false;
        case platform::WaitHandle::WaitResult::Failed:
            break;
    }
    throw Win32Exception(
        formatString("WaitForSingleObject API failed in %s method.", "tavelo::Event::waitDeep"),
        static_cast<uint32_t>(error));
}

int32_t Event::waitDeep(Event* const* first, Event* const* last) {
    const size_t count = static_cast<size_t>(last - first);
    constexpr size_t onStack = 16;
    std::array<const platform::WaitHandle*, onStack> local;
    std::vector<const platform::WaitHandle*> heap;
    const platform::WaitHandle** handles = local.data();
    if (count >= onStack) {
        heap.resize(count);
        handles = heap.data();
    }
    for (size_t i = 0; i < count; ++i) {
        handles[i] = &first[i]->handle_;
    }
    int error = 0;
    const int index = platform::WaitHandle::waitAny(handles, count, error);
    if (index < 0) {
        throw Win32Exception(
            formatString("WaitForMultipleObjects API failed in %s method.", "tavelo::Event::waitDeep"),
            static_cast<uint32_t>(error));
    }
    first[index]->synchroniseWithSetter();
    return index;
}

void ThreadNotifier::sleep(uint32_t milliseconds) {
    auto interrupted = [] {
        return InterruptedException(
            formatString("Thread interupted in %s method.", "tavelo::ThreadNotifier::sleep"));
    };
    if (isSet()) {
        throw interrupted();
    }
    if (milliseconds == 0) {
        return;
    }
    if (waitDeep(milliseconds)) {
        throw interrupted();
    }
}

bool ThreadNotifier::wait(Event& event) {
    auto interrupted = [] {
        return InterruptedException(
            formatString("Thread interupted in %s method.", "tavelo::ThreadNotifier::wait"));
    };
    if (isSet()) {
        throw interrupted();
    }
    if (event.isSet()) {
        return true;
    }
    Event* const pair[] = {this, &event};
    int32_t index;
    if (event.spinUntilSet(this)) {
        index = isSet() ? 0 : 1;  // the interrupt first, as the kernel wait reports it
    } else {
        const Clock::time_point blockedAt = Clock::now();
        index = waitDeep(pair, pair + 2);
        event.noteBlockedWait(blockedAt);
    }
    switch (index) {
        case 0:
            throw interrupted();
        case 1:
            return true;
        default:
            return false;
    }
}

}  // namespace tavelo
