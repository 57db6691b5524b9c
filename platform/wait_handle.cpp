#include "platform/wait_handle.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <vector>

namespace tavelo::platform {

namespace {

using Clock = std::chrono::steady_clock;

// poll() that survives signals and time-outs longer than an int of milliseconds.
int pollFor(pollfd* fds, size_t count, uint32_t milliseconds, int& error) {
    const bool unlimited = milliseconds == WaitHandle::infinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        int timeout = -1;
        if (!unlimited) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            timeout = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
        }
        const int ready = ::poll(fds, count, timeout);
        if (ready > 0) {
            return ready;
        }
        if (ready == 0) {
            if (unlimited || Clock::now() >= deadline) {
                return 0;
            }
            continue;
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

}  // namespace

WaitHandle::~WaitHandle() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int WaitHandle::open() noexcept {
    fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return fd_ < 0 ? errno : 0;
}

int WaitHandle::signal() noexcept {
    // The counter only grows by one per call, far from the value at which a write would block.
    const uint64_t one = 1;
    for (;;) {
        if (::write(fd_, &one, sizeof one) == sizeof one) {
            return 0;
        }
        if (errno != EINTR) {
            return errno;
        }
    }
}

int WaitHandle::clear() noexcept {
    uint64_t value;
    for (;;) {
        if (::read(fd_, &value, sizeof value) == sizeof value || errno == EAGAIN) {
            return 0;  // drained, or it was not signalled
        }
        if (errno != EINTR) {
            return errno;
        }
    }
}

WaitHandle::WaitResult WaitHandle::wait(uint32_t milliseconds, int& error) const noexcept {
    pollfd fd{fd_, POLLIN, 0};
    const int ready = pollFor(&fd, 1, milliseconds, error);
    if (ready < 0) {
        return WaitResult::Failed;
    }
    if (ready == 0) {
        return WaitResult::TimedOut;
    }
    if (fd.revents & (POLLERR | POLLNVAL)) {
        error = EBADF;
        return WaitResult::Failed;
    }
    return WaitResult::Signalled;
}

int WaitHandle::waitAny(const WaitHandle* const* handles, size_t count, int& error) noexcept {
    if (count == 0) {
        error = EINVAL;
        return -1;
    }
    constexpr size_t onStack = 16;
    pollfd local[onStack];
    std::vector<pollfd> heap;
    pollfd* fds = local;
    if (count > onStack) {
        heap.resize(count);
        fds = heap.data();
    }
    for (size_t i = 0; i < count; ++i) {
        fds[i] = pollfd{handles[i]->fd_, POLLIN, 0};
    }
    if (pollFor(fds, count, infinite, error) < 0) {
        return -1;
    }
    for (size_t i = 0; i < count; ++i) {
        if (fds[i].revents & (POLLERR | POLLNVAL)) {
            error = EBADF;
            return -1;
        }
        if (fds[i].revents & POLLIN) {
            return static_cast<int>(i);
        }
    }
    error = EIO;
    return -1;
}

}  // namespace tavelo::platform
