// SIGINT and SIGTERM while zrso-host works: the running xcli child is
// stopped through the runtime's process runner (and no new one starts), the
// plug-in's waits end, and the command winds up, marks what it left undone
// and says how to clean up. zrso-host never dies in the middle of a call.
#pragma once

#include <string>

namespace refhost {

// Installs the handlers (once per process).
void installInterruptHandlers();
// The signal that arrived, 0 while none did.
int interruptSignal();
bool interrupted();
// "SIGINT" or "SIGTERM".
std::string interruptName();
// Exit status after an interruption: 128 + the signal number.
int interruptExitStatus();

}  // namespace refhost
