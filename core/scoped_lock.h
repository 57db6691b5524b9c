#pragma once

#include <mutex>

namespace tavelo {

// A re-entrant lock: the thread that holds one may take it again (the Screen lock relies on this).
using CriticalSection = std::recursive_mutex;

// Holds a critical section for one scope; a null section is allowed and holds nothing.
class ScopedLock {
public:
    explicit ScopedLock(CriticalSection* section) : section_(section) {
        if (section_) {
            section_->lock();
        }
    }
    ~ScopedLock() {
        if (section_) {
            section_->unlock();
        }
    }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection* section_;
};

}  // namespace tavelo
