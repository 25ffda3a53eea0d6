#pragma once

#include <functional>

#include "Export.h"

// Sleeps for the interval, scaled by ZRSO_SLEEP_SCALE (a factor, e.g. 0.001)
// when that is set, so that tests need not wait. Ends early once the host
// has asked to stop (ProcessRunner::requestStop).
HOSTRT_API void hostSleep(unsigned int milliseconds, const char* sourceFile, int line);

// Host side: told before every sleep how long it will really last (after
// scaling), so the host can show the wait. An empty function stops the calls.
HOSTRT_API void setHostSleepObserver(std::function<void(double seconds)> observer);
