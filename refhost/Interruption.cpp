#include "refhost/Interruption.h"

#include <csignal>

#include "host/rt/ProcessRunner.h"

namespace refhost {
namespace {

volatile std::sig_atomic_t g_signal = 0;

void onSignal(int signal) {
    if (!g_signal) g_signal = signal;
    ProcessRunner::requestStop();
}

}  // namespace

void installInterruptHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read from the terminal returns, so a prompt can
    // restore the echo and give up.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int interruptSignal() { return g_signal; }
bool interrupted() { return g_signal != 0; }

std::string interruptName() {
    switch (g_signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    default: return "a signal";
    }
}

int interruptExitStatus() { return 128 + (g_signal ? g_signal : SIGINT); }

}  // namespace refhost
