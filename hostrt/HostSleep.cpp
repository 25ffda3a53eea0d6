#include "host/rt/HostSleep.h"

#include <poll.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "hostrt/StopRequest.h"

namespace {

// Longest single sleep, whatever the scale: a bad factor must not park the
// caller for years.
constexpr double kMaxSeconds = 7.0 * 24 * 3600;

std::function<void(double)>& observer() {
    static std::function<void(double)> f;
    return f;
}

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

long long nowNs() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace

void setHostSleepObserver(std::function<void(double)> f) { observer() = std::move(f); }

void hostSleep(unsigned int milliseconds, const char* /*sourceFile*/, int /*line*/) {
    double seconds = milliseconds / 1000.0 * sleepScale();
    if (seconds <= 0) return;
    if (seconds > kMaxSeconds) seconds = kMaxSeconds;
    if (observer()) observer()(seconds);

    // An absolute deadline on the monotonic clock: signals that interrupt the
    // sleep neither shorten nor stretch it; only a stop request ends it.
    const long long deadline = nowNs() + static_cast<long long>(seconds * 1e9);
    struct pollfd stop = {hostrt::stopDescriptor(), POLLIN, 0};
    while (!hostrt::stopRequested()) {
        long long left = deadline - nowNs();
        if (left <= 0) return;
        // Without a stop pipe the request is looked at every 100 ms.
        if (stop.fd < 0 && left > 100000000LL) left = 100000000LL;
        struct timespec wait = {static_cast<time_t>(left / 1000000000LL),
                                static_cast<long>(left % 1000000000LL)};
        ::ppoll(&stop, stop.fd >= 0 ? 1 : 0, &wait, nullptr);
    }
}
