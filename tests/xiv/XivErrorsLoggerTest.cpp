#include <sstream>

#include "FakeLUNInfo.h"
#include "FakeSnapInfo.h"
#include "XivTests.h"
#include "xiv/XivErrorTable.h"
#include "xiv/XivLogger.h"

namespace {

TEST(XivErrors, LookupsTakeTheFirstExactName) {
    std::istringstream table(Canned("error_names.txt"));
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t bar = line.find('|'), bar2 = line.find('|', bar + 1);
        const std::string name = line.substr(0, bar);
        EXPECT_EQ(std::stoi(line.substr(bar + 1, bar2 - bar - 1)), XivErrStrToInt(name.c_str()))
            << name;
        EXPECT_EQ(line.substr(bar2 + 1), XivErrStrToDesc(name.c_str())) << name;
    }
}

// The job id marks each line of the debug log as the job's.
TEST(XivLogger, JobIdComesFromTheRecordOrTheLog) {
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
    XivLogger(&snap).logMessage(ZRSO::LOG_ERROR, "F2", "error %d", 1);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].job, -123456);
    EXPECT_EQ(capture.lines()[0].message, "error 1");
}

}  // namespace
