#pragma once

#include <string>

namespace tavelo::platform {

// The kernel's processor time counters, the whole text of /proc/stat; an empty string when it cannot
// be read. It is a short read from memory, so the frame thread may call it with the Screen lock held.
std::string readProcStat();

}  // namespace tavelo::platform
