#include <sstream>

#include "FakeLUNInfo.h"
#include "FakeSnapInfo.h"
#include "XivTests.h"
#include "xiv/XivErrorTable.h"
#include "xiv/XivLogger.h"

namespace {

TEST(XivErrors, LookupsTakeTheFirstExactName) {
    std::istringstream table(Canned("error_names.txt"));
    int rows = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t bar = line.find('|'), bar2 = line.find('|', bar + 1);
        const std::string name = line.substr(0, bar);
        EXPECT_EQ(std::stoi(line.substr(bar + 1, bar2 - bar - 1)), XivErrStrToInt(name.c_str()))
            << name;
        EXPECT_EQ(line.substr(bar2 + 1), XivErrStrToDesc(name.c_str())) << name;
        ++rows;
    }
    EXPECT_EQ(rows, 20);
}

TEST(XivLogger, JobIdAndLevelComeThroughToTheLog) {
    FakeSnapInfo snap;
    snap.intProperties[ZRSO::INTPROP_JOB_ID] = -5;  // widened with its sign
    EXPECT_EQ(-5, XivLogger(&snap).getJobId());
    FakeLUNInfo lun;
    lun.jobId = 9000000000LL;
    EXPECT_EQ(9000000000LL, XivLogger(&lun).getJobId());
    DebugLog log;
    log.setJobId(55);
    XivLogger fromLog(log);
    EXPECT_EQ(55, XivLogger(fromLog).getJobId());

    LogCapture capture;
    snap.intProperties.clear();  // unreadable
    XivLogger logger(&snap);
    EXPECT_EQ(-123456, logger.getJobId());
    logger.logMessage(0, "F0", "detail %d", 1);
    logger.logMessage(2, "F2", "error");
    logger.logMessage(3, "F3", "fatal");
    logger.logMessage(7, "F7", "other");
    logger.logMessage(ZRSO::LOG_INFO, nullptr);
    std::vector<std::string> seen;
    for (const DebugLine& l : capture.lines())
        seen.push_back(l.function + " " + std::to_string(l.level) + " " + std::to_string(l.job) +
                       " " + l.message);
    EXPECT_EQ(
        (std::vector<std::string>{"F0 2 -123456 detail 1", "F2 -1 -123456 error",
                                  "F3 -1 -123456 fatal", "F7 0 -123456 other", " 0 -123456 NULL"}),
        seen);
}

}  // namespace
