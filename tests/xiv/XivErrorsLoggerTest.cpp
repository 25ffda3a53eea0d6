#include "FakeLUNInfo.h"
#include "FakeSnapInfo.h"
#include "TestData.h"
#include "XivTests.h"
#include "xiv/XivErrorTable.h"
#include "xiv/XivLogger.h"

namespace {

TEST(XivErrors, LookupsTakeTheFirstExactName) {
    for (const auto& row : TestTable("xcli/error_names.txt")) {
        EXPECT_EQ(std::stoi(row[1]), XivErrStrToInt(row[0].c_str())) << row[0];
        EXPECT_EQ(row[2], XivErrStrToDesc(row[0].c_str())) << row[0];
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
    EXPECT_EQ(55, XivLogger(fromLog).getJobId());  // and its copies
    LogCapture capture;
    snap.intProperties.clear();  // unreadable
    XivLogger(&snap).logMessage(ZRSO::LOG_ERROR, "F2", "error %d", 1);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].job, -123456);
    EXPECT_EQ(capture.lines()[0].message, "error 1");
}

}  // namespace
