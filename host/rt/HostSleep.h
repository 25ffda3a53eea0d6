#pragma once

#include "Export.h"

// Sleeps for the interval, scaled by ZRSO_SLEEP_SCALE (a factor, e.g. 0.001)
// when that is set, so that tests need not wait.
HOSTRT_API void hostSleep(unsigned int milliseconds, const char* sourceFile, int line);
