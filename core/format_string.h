#pragma once

#include <memory>

namespace tavelo {

// printf-style formatting into a shared, exactly sized character array. The text is cut at 2047
// characters rather than overflowing: every message of the system is far shorter.
std::shared_ptr<char[]> formatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tavelo
