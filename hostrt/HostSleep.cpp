#include "host/rt/HostSleep.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace {

// Longest single sleep, whatever the scale: a bad factor must not park the
// caller for years.
constexpr double kMaxSeconds = 7.0 * 24 * 3600;

// ZRSO_SLEEP_SCALE when it is a finite number >= 0, else 1.
double sleepScale() {
    const char* text = std::getenv("ZRSO_SLEEP_SCALE");
    if (!text || !*text) return 1.0;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v) || v < 0) return 1.0;
    return v;
}

}  // namespace

void hostSleep(unsigned int milliseconds, const char* /*sourceFile*/, int /*line*/) {
    double seconds = milliseconds / 1000.0 * sleepScale();
    if (seconds <= 0) return;
    if (seconds > kMaxSeconds) seconds = kMaxSeconds;

    // An absolute deadline on the monotonic clock: signals that interrupt the
    // sleep neither shorten nor stretch it.
    struct timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    double whole = std::floor(seconds);
    deadline.tv_sec += static_cast<time_t>(whole);
    deadline.tv_nsec += static_cast<long>((seconds - whole) * 1e9);
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}
