#pragma once

namespace tavelo {

// Whether the processor executes SSSE3 instructions (CPUID leaf 1, ECX bit 9).
bool cpuHasSsse3();

}  // namespace tavelo

// Chooses the SSSE3 pixel routines (true) or the SSE2 ones (false) at every dispatch. Set once at
// start-up from cpuHasSsse3(); tests may set it to run the SSE2 routines on any processor.
extern bool g_hasSsse3;
