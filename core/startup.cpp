#include "core/cpu.h"

// The singletons' locks and instances are constant-initialised (see Singleton); the one start-up step
// that needs code is the processor test, done before the program entry runs.
bool g_hasSsse3 = tavelo::cpuHasSsse3();
