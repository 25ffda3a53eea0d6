#include "hostrt/StopRequest.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "host/rt/ProcessRunner.h"

namespace hostrt {
namespace {

// Made when the library loads: a signal handler can neither allocate nor
// run a first-use initialisation.
struct StopPipe {
    StopPipe() {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) fds[0] = fds[1] = -1;
    }
    int fds[2] = {-1, -1};
};

StopPipe g_pipe;
std::atomic<bool> g_requested{false};

}  // namespace

void requestStop() noexcept {
    int saved = errno;
    g_requested.store(true);
    // One byte, never read while the request stands: the pipe stays
    // readable, so every poll that includes it wakes at once.
    if (g_pipe.fds[1] >= 0) {
        char one = 1;
        ssize_t ignored = ::write(g_pipe.fds[1], &one, 1);
        (void)ignored;
    }
    errno = saved;
}

bool stopRequested() noexcept { return g_requested.load(); }

void clearStop() noexcept {
    g_requested.store(false);
    char drain[64];
    if (g_pipe.fds[0] >= 0)
        while (::read(g_pipe.fds[0], drain, sizeof drain) > 0) {
        }
}

int stopDescriptor() noexcept { return g_pipe.fds[0]; }

}  // namespace hostrt

void ProcessRunner::requestStop() { hostrt::requestStop(); }
bool ProcessRunner::stopRequested() { return hostrt::stopRequested(); }
void ProcessRunner::clearStop() { hostrt::clearStop(); }
