#pragma once

#include <cstdint>
#include <exception>
#include <memory>

namespace tavelo {

// Base of the system's exception family. The message is shared between copies, so an exception can
// be copied and dropped on different threads without copying its text.
class Exception : public std::exception {
public:
    explicit Exception(std::shared_ptr<char[]> message) noexcept : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_ ? message_.get() : ""; }

private:
    std::shared_ptr<char[]> message_;
};

// An exception that also carries the numeric code of the failure that caused it.
class CodedException : public Exception {
public:
    CodedException(std::shared_ptr<char[]> message, uint32_t code) noexcept
        : Exception(std::move(message)), code_(code) {}
    uint32_t code() const noexcept { return code_; }

private:
    uint32_t code_;
};

// A refused display-mode change; the code is the change's result.
class DisplayException : public CodedException {
public:
    DisplayException(std::shared_ptr<char[]> message, int32_t code) noexcept
        : CodedException(std::move(message), static_cast<uint32_t>(code)) {}
};

// A failed operating-system call; the code is the errno (or library error) it left.
class Win32Exception : public CodedException {
public:
    using CodedException::CodedException;
};

// A failed call into the audio engine; the code is the engine's error value.
class ComException : public CodedException {
public:
    ComException(std::shared_ptr<char[]> message, int32_t code) noexcept
        : CodedException(std::move(message), static_cast<uint32_t>(code)) {}
};

// A thread's wait or sleep ended because the thread was asked to stop.
class InterruptedException : public Exception {
public:
    using Exception::Exception;
};

// A bad stream position or invalid file contents.
class IoException : public Exception {
public:
    using Exception::Exception;
};

}  // namespace tavelo
