#pragma once

#include <atomic>
#include <memory>

#include "core/scoped_lock.h"

namespace tavelo {

// Base of the process-wide singletons. The instance is created on first use under the lock, with a
// second test once the lock is held; the unlocked first test reads an atomic mirror of the pointer.
// The statics are constant-initialised, so they exist before any code of the program runs.
template <class T>
class Singleton {
public:
    virtual ~Singleton() = default;

    static T* getInstance() {
        if (T* existing = published_.load(std::memory_order_acquire)) {
            return existing;
        }
        ScopedLock lock(&lock_);
        if (!instance_) {
            instance_ = std::make_shared<T>();
            published_.store(instance_.get(), std::memory_order_release);
        }
        return instance_.get();
    }

    // Drops the instance now, so that T's destructor runs under the lock rather than at exit.
    static void releaseInstance() {
        if (!published_.load(std::memory_order_acquire)) {
            return;
        }
        ScopedLock lock(&lock_);
        if (instance_) {
            published_.store(nullptr, std::memory_order_release);
            std::shared_ptr<T> dropped = std::move(instance_);
            dropped.reset();
        }
    }

private:
    static constinit inline CriticalSection lock_;
    static constinit inline std::shared_ptr<T> instance_;
    static constinit inline std::atomic<T*> published_{nullptr};
};

}  // namespace tavelo
