#include "core/event.h"

#include <array>
#include <vector>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

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

void Event::synchroniseWithSetter() {
    ScopedLock lock(&lock_);
}

bool Event::waitDeep(uint32_t milliseconds) {
    int error = 0;
    switch (handle_.wait(milliseconds, error)) {
        case platform::WaitHandle::WaitResult::Signalled:
            synchroniseWithSetter();
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
    switch (waitDeep(pair, pair + 2)) {
        case 0:
            throw interrupted();
        case 1:
            return true;
        default:
            return false;
    }
}

}  // namespace tavelo
