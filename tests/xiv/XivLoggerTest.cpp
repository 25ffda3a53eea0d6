#include <gtest/gtest.h>

#include "FakeLUNInfo.h"
#include "FakeSnapInfo.h"
#include "StandIn.h"
#include "xiv/XivLogger.h"

namespace {

TEST(XivLogger, JobIdComesFromTheRecord) {
    FakeSnapInfo snap;
    snap.intProperties[ZRSO::INTPROP_JOB_ID] = -5;  // widened with its sign
    EXPECT_EQ(-5, XivLogger(&snap).getJobId());
    snap.intProperties.clear();  // unreadable
    EXPECT_EQ(-123456, XivLogger(&snap).getJobId());
    FakeLUNInfo lun;
    lun.jobId = 9000000000LL;
    EXPECT_EQ(9000000000LL, XivLogger(&lun).getJobId());
    DebugLog log;
    log.setJobId(55);
    XivLogger fromLog(log);
    EXPECT_EQ(55, XivLogger(fromLog).getJobId());
}

TEST(XivLogger, LinesCarryJobAndMappedLevel) {
    LogCapture log;
    FakeSnapInfo snap;
    XivLogger logger(&snap);
    logger.logMessage(0, "F0", "detail %d", 1);
    logger.logMessage(2, "F2", "error %s", "x");
    logger.logMessage(3, "F3", "fatal");
    logger.logMessage(7, "F7", "other");
    logger.logMessage(ZRSO::LOG_INFO, nullptr);
    const struct {
        const char* function;
        int level;
        const char* message;
    } expect[] = {{"F0", 2, "detail 1"},
                  {"F2", -1, "error x"},
                  {"F3", -1, "fatal"},
                  {"F7", 0, "other"},
                  {"", 0, "NULL"}};
    for (auto& e : expect) {
        auto lines = LinesOf(log, e.function);
        ASSERT_EQ(1u, lines.size()) << e.function;
        EXPECT_EQ(-123456, lines[0].job);
        EXPECT_EQ(e.level, lines[0].level) << e.function;
        EXPECT_EQ(e.message, lines[0].message);
    }
}

}  // namespace
