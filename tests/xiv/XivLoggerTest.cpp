#include <gtest/gtest.h>

#include "StandIn.h"
#include "xiv/XivLogger.h"

namespace {

// Field n (0-based) of a tab-separated log line.
std::string field(const std::string& line, int n)
{
    size_t start = 0;
    for (int i = 0; i < n; ++i) start = line.find('\t', start) + 1;
    return line.substr(start, line.find('\t', start) - start);
}

TEST(XivLogger, JobIdComesFromTheRecord)
{
    FakeSnapInfo snap;
    snap.job = 31;
    EXPECT_EQ(31, XivLogger(&snap).getJobId());
    snap.job = -5;  // widened with its sign
    EXPECT_EQ(-5, XivLogger(&snap).getJobId());
    snap.jobProperty = 1;  // unreadable
    EXPECT_EQ(-123456, XivLogger(&snap).getJobId());

    FakeLunInfo lun;
    lun.job = 9000000000LL;
    EXPECT_EQ(9000000000LL, XivLogger(&lun).getJobId());

    DebugLog log;
    log.setJobId(55);
    XivLogger fromLog(log);
    XivLogger copy(fromLog);
    EXPECT_EQ(55, copy.getJobId());
}

TEST(XivLogger, LinesCarryJobAndMappedLevel)
{
    FakeSnapInfo snap;
    snap.jobProperty = 1;
    XivLogger logger(&snap);
    LogTail tail;
    logger.logMessage(0, "F0", "detail %d", 1);
    logger.logMessage(2, "F2", "error %s", "x");
    logger.logMessage(3, "F3", "fatal");
    logger.logMessage(7, "F7", "other");
    logger.logMessage(ZRSO::LOG_INFO, nullptr);

    struct Expect {
        const char* function;
        const char* level;
        const char* message;
    } expect[] = {{"F0", "2", "detail 1"}, {"F2", "-1", "error x"}, {"F3", "-1", "fatal"},
                  {"F7", "0", "other"}, {"", "0", "NULL"}};
    for (const Expect& e : expect) {
        auto lines = tail.linesOf(e.function);
        ASSERT_EQ(1u, lines.size()) << e.function;
        EXPECT_EQ("-123456", field(lines[0], 2));
        EXPECT_EQ(e.level, field(lines[0], 3)) << e.function;
        EXPECT_EQ(e.message, field(lines[0], 5));
    }
}

}  // namespace
