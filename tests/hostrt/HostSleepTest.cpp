#include <gtest/gtest.h>

#include <chrono>

#include "TestSupport.h"
#include "host/rt/HostSleep.h"

using hostrt_test::ScopedEnv;

namespace {

long long sleptMs(unsigned int ms) {
    auto start = std::chrono::steady_clock::now();
    hostSleep(ms, __FILE__, __LINE__);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start).count();
}

TEST(HostSleep, ScaleShortensOrRemovesTheWait) {
    {
        ScopedEnv scale("ZRSO_SLEEP_SCALE", "0");
        EXPECT_LT(sleptMs(600000), 5000);
    }
    {
        ScopedEnv scale("ZRSO_SLEEP_SCALE", "0.001");
        long long ms = sleptMs(60000);
        EXPECT_GE(ms, 60);
        EXPECT_LT(ms, 5000);
    }
}

TEST(HostSleep, InvalidScaleIsIgnored) {
    for (const char* bad : {"abc", "-1", "1x", "nan", ""}) {
        ScopedEnv scale("ZRSO_SLEEP_SCALE", bad);
        EXPECT_GE(sleptMs(50), 50) << bad;
    }
}

}  // namespace
