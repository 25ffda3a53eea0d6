// The process-wide stop request of the host: once made (typically from a
// signal handler), the running child is stopped, no new child starts and
// sleeps end early, until the host clears it.
#pragma once

namespace hostrt {

// Async-signal-safe.
void requestStop() noexcept;
bool stopRequested() noexcept;
void clearStop() noexcept;
// Polls readable while a stop is requested; -1 when no pipe could be made
// (callers then look at stopRequested() now and then).
int stopDescriptor() noexcept;

}  // namespace hostrt
