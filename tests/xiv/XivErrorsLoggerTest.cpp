#include "FakeLUNInfo.h"
#include "FakeSnapInfo.h"
#include "XivTests.h"
#include "xiv/XivErrorTable.h"
#include "xiv/XivLogger.h"

namespace {

TEST(XivErrors, LookupsTakeTheFirstExactName) {
    const struct {
        const char* name;
        int code;
        const char* description;
    } cases[] = {
        {"VOLUME_BAD_NAME", 61017, "Volume or Snapshot Not found on array."},
        {"MISSING_USERNAME", 61053, "USer name not given."},
        {"XCLI_NOT_INSTALLED", 61050,
         "XCLI command is not installed or not in path. If "
         "installed, please set Trellis\\XCLI_BINARY_LOCATION."},
        {"CONS_GROUP_EMPTY", 61065, "Operation is not allowed on an empty Consistency Group."},
        {"MAPPING_IS_NOT_DEFINED", 61056, "Mapping between given host and volume does not exist"},
        {"VOLUME_DATA_MIGRATION_UNSYNCHRONIZED", 61023, ""},
        {"volume_bad_name", 44103, ""},
        {"VOLUME_BAD_NAME ", 44103, ""},
        {"", 44103, ""},  // the unnamed row's code; no description
        {"SUCCESS", 44103, ""},
        // Names of real arrays, with their nearest row's code and sentence.
        {"CONS_GROUP_NAME_EXISTS", 61058, "Consistency Group name already exists."},
        {"MAX_VOLUMES_IN_CONS_GROUP_REACHED", 61061,
         "Consistency Group contains maximum number of volumes."},
        {"CAN_NOT_SHRINK_VOLUME", 61033, "Disk full."},
        {"UNRECOGNIZED_COMMAND", 61050,
         "XCLI command is not installed or not in path. If "
         "installed, please set Trellis\\XCLI_BINARY_LOCATION."},
        {"ILLEGAL_NAME", 61022, "Volume name has bad prefix."},
        {"ILLEGAL_VALUE", 61049, "EXT_LUN_ILLEGAL"},
        {"BAD_PARAMS", 61049, "EXT_LUN_ILLEGAL"},
        {"LOGIN_FAILURE_USER_FAILED_TO_LOGIN", 61053, "Incorrect password."},
        {"USER_OR_PASSWORD_WRONG_OR_MISSING", 61053, "Incorrect password."},
        {"DEFAULT_USER_IS_NOT_DEFINED", 61053, "Incorrect password."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.code, XivErrStrToInt(c.name)) << c.name;
        EXPECT_STREQ(c.description, XivErrStrToDesc(c.name)) << c.name;
    }
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
