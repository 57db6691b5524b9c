#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace velmora::test {

// The sound tests that open the audio library run once per output configuration, each in a process
// of its own (the library reads its configuration once per process); ctest sets ALSOFT_DRIVERS for
// each. A suite fails at once when it finds itself in the wrong process.
inline void requireAudioDrivers(const char* drivers) {
    const char* actual = std::getenv("ALSOFT_DRIVERS");
    if (!actual || std::string(actual) != drivers) {
        FAIL() << "this suite runs with ALSOFT_DRIVERS=" << drivers << " (run it through ctest)";
    }
}

}  // namespace velmora::test
