#pragma once

#include <cstddef>
#include <cstdint>

namespace tavelo::platform {

// A manual-reset signal that threads can block on, one at a time or several together. Calls return
// 0 or an errno value instead of throwing: the caller decides which message a failure carries.
class WaitHandle {
public:
    static constexpr uint32_t infinite = 0xFFFFFFFF;

    WaitHandle() = default;
    ~WaitHandle();
    WaitHandle(const WaitHandle&) = delete;
    WaitHandle& operator=(const WaitHandle&) = delete;

    int open() noexcept;
    int signal() noexcept;
    int clear() noexcept;

    enum class WaitResult { Signalled, TimedOut, Failed };
    // Waits up to `milliseconds` (infinite: no limit) for the handle to be signalled; never clears it.
    WaitResult wait(uint32_t milliseconds, int& error) const noexcept;

    // Waits without a limit until one of `count` handles is signalled and returns the lowest such
    // index, or -1 with `error` set. An empty set fails with EINVAL instead of blocking for ever.
    static int waitAny(const WaitHandle* const* handles, size_t count, int& error) noexcept;

private:
    int fd_ = -1;
};

}  // namespace tavelo::platform
