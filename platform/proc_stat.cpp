#include "platform/proc_stat.h"

#include "platform/native_file.h"

namespace tavelo::platform {

std::string readProcStat() {
    NativeFile file;
    if (file.open("/proc/stat") != 0) {
        return {};
    }
    // The file reports a size of 0: read until the end.
    std::string text;
    char buffer[4096];
    int error = 0;
    for (;;) {
        const int64_t got = file.read(buffer, sizeof buffer, error);
        if (got < 0) {
            return {};
        }
        if (got == 0) {
            return text;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
}

}  // namespace tavelo::platform
