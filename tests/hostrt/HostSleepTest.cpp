#include <gtest/gtest.h>

#include <chrono>

#include "TestSupport.h"
#include "host/rt/HostSleep.h"

namespace {

long long sleptMs(const char* scale, unsigned int ms) {
    hostrt_test::ScopedEnv env("ZRSO_SLEEP_SCALE", scale);
    auto start = std::chrono::steady_clock::now();
    hostSleep(ms, __FILE__, __LINE__);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

TEST(HostSleep, ScaleShortensTheWaitAndBadScalesAreIgnored) {
    EXPECT_LT(sleptMs("0", 600000), 5000);
    long long scaled = sleptMs("0.001", 60000);
    EXPECT_GE(scaled, 60);
    EXPECT_LT(scaled, 5000);
    for (const char* bad : {"abc", "-1", "1x", "nan", ""}) EXPECT_GE(sleptMs(bad, 50), 50) << bad;
}

}  // namespace
