#include <gtest/gtest.h>

#include <string>

#include "engine/common/Settings.h"
#include "engine/common/XIVUtils.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/PlatformSettings.h"

namespace {

const char* const kClientDir = "SMCONFIG_NAME_IBM_XIV_CLIENT_DIRECTORY_PATH";
const char* const kRetry = "SMCONFIG_NAME_MOUNT_RETRY_INTERVAL_IN_SEC";

struct Settings : ::testing::Test {
    PlatformSettings platform;
    FakeSnapInfo info;
    FakeZROSUtil os;
};

TEST_F(Settings, XcliLocationFromRecordOrPlatform) {
    std::string longDir = "/very/long/" + std::string(12000, 'd');
    info.configStrings[kClientDir] = longDir;  // read whole after a too-small answer
    EXPECT_EQ(GetXCLIPath(&info), longDir);
    EXPECT_EQ(info.configStrings[kClientDir].sizesOffered().front(), 10240);
    EXPECT_EQ(info.configStrings[kClientDir].calls(), 2);
    info.configStrings[kClientDir].tooSmallForever(20000);
    EXPECT_EQ(GetXCLIPath(&info), "");
    info.configStrings.clear();
    EXPECT_EQ(GetXCLIPath(&info), "");  // setting absent: the record answers failure
    EXPECT_EQ(GetXCLIPath(nullptr), "");

    // The platform's location wins.
    platform.text("XCLI_BINARY_LOCATION", "/opt/xiv");
    info.configStrings[kClientDir] = "/record/dir";
    os.arrayInfos["array1"] = "{hostid:3}";
    os.arrayConfig[{3, kClientDir}] = "/array/dir";
    EXPECT_EQ(GetXCLIPath(&info), "/opt/xiv");
    EXPECT_EQ(XIVUtils().GetXCLIpath(&os, DebugLog(nullptr), "array1"), "/opt/xiv");
}

TEST_F(Settings, RetryIntervalPrecedenceAndZeroDefault) {
    info.configInts[kRetry] = 60;
    EXPECT_EQ(GetXIVRetryInterval(&info), 60);

    // Zero, absent, or negative (an endless unsigned sleep): the default.
    for (int interval : {0, -5}) {
        info.configInts[kRetry] = interval;
        EXPECT_EQ(GetXIVRetryInterval(&info), 300) << interval;
    }
    info.configInts.clear();
    EXPECT_EQ(GetXIVRetryInterval(&info), 300);

    platform.integer("nMountRetrySeconds", "45");
    info.configInts[kRetry] = 60;
    EXPECT_EQ(GetXIVRetryInterval(&info), 45);
    platform.integer("nMountRetrySeconds", "0");
    EXPECT_EQ(GetXIVRetryInterval(&info), 300);
    platform.integer("nMountRetrySeconds", "soon");  // not an integer: the record decides
    EXPECT_EQ(GetXIVRetryInterval(&info), 60);
    EXPECT_EQ(GetXIVRetryInterval(nullptr), 300);
}

// BackupJobs' jobs set the group setting either way; absent, it is off.
TEST_F(Settings, DevListPathAndGroupDefault) {
    EXPECT_EQ(GetXIVUseConsistencyGroup(&info), 0);
    EXPECT_EQ(GetXIVUseConsistencyGroup(nullptr), 0);
    EXPECT_EQ(GetXIVDevListPath(&info), "");
    platform.text("sXivDevListPath", "/opt/xiv/xiv_devlist");
    EXPECT_EQ(GetXIVDevListPath(nullptr), "/opt/xiv/xiv_devlist");
    EXPECT_EQ(GetXIVDevListPath(&info), "/opt/xiv/xiv_devlist");
}

TEST_F(Settings, ProvisioningSideReadsTheArraysControlHostSetting) {
    os.arrayInfos["array1"] = "{hostName:x,hostid:3,hostUserName:u}";
    os.arrayConfig[{3, kClientDir}] = "/array/dir";
    EXPECT_EQ(XIVUtils().GetXCLIpath(&os, DebugLog(nullptr), "array1"), "/array/dir");
    EXPECT_EQ(os.configAsks, std::vector<int>{1023});

    // No such setting for the array, no control host id, no service object.
    os.arrayConfig.clear();
    EXPECT_EQ(XIVUtils().GetXCLIpath(&os, DebugLog(nullptr), "array1"), "");
    EXPECT_EQ(XIVUtils().GetXCLIpath(&os, DebugLog(nullptr), "unknown"), "");
    EXPECT_EQ(XIVUtils().GetXCLIpath(nullptr, DebugLog(nullptr), "array1"), "");
}

}  // namespace
