#include "core/thread.h"

#include <system_error>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {

namespace {

// The Thread whose body runs on this thread, until that body destroys it.
thread_local const Thread* ownThread = nullptr;

}  // namespace

Thread::Thread() {
    notifier_.reset();
}

Thread::~Thread() {
    if (ownThread == this) {
        // Destroyed by its own body, which cannot join itself: the thread finishes on its own, and
        // threadProc no longer touches this object.
        ownThread = nullptr;
        thread_.detach();
        return;
    }
    try {
        stop();
    } catch (...) {
        // A destructor never throws; a failed interrupt leaves nothing better to do.
    }
}

void Thread::start(Body body) {
    stop();
    body_ = std::move(body);
    notifier_.reset();
    // The body may stop or destroy its Thread at once: it runs only once `thread_` holds it.
    const std::lock_guard handOver(handOver_);
    try {
        thread_ = std::thread(&Thread::threadProc, this);
    } catch (const std::system_error& error) {
        throw Win32Exception(formatString("_beginthreadex API failed in %s method.", "tavelo::Thread::start"),
                             static_cast<uint32_t>(error.code().value()));
    }
}

void Thread::stop() {
    if (!thread_.joinable()) {
        return;
    }
    notifier_.set();
    if (thread_.get_id() == std::this_thread::get_id()) {
        return;  // a body cannot join itself; its owner's stop will
    }
    thread_.join();
}

uint32_t Thread::threadProc(Thread* thread) {
    { const std::lock_guard handOver(thread->handOver_); }
    ownThread = thread;
    uint32_t code = 0;
    try {
        thread->body_(thread->notifier_);
    } catch (const std::exception&) {
        code = failedExitCode;
    }
    if (ownThread == thread) {
        thread->exitCode_.store(code, std::memory_order_release);
    }
    return code;
}

}  // namespace tavelo
