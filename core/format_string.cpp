#include "core/format_string.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tavelo {

std::shared_ptr<char[]> formatString(const char* format, ...) {
    constexpr int bufferSize = 2048;
    char buffer[bufferSize];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, bufferSize, format, args);
    va_end(args);

    // vsnprintf reports the untruncated length (or a negative value on an encoding error).
    const size_t length = written < 0 ? 0 : static_cast<size_t>(std::min(written, bufferSize - 1));
    std::shared_ptr<char[]> text(new char[length + 1]);
    std::memcpy(text.get(), buffer, length);
    text[length] = '\0';
    return text;
}

}  // namespace tavelo
