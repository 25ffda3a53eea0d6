#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/Codes.h"
#include "engine/identity/FilerInfo.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/LogCapture.h"
#include "support/PlatformSettings.h"
#include "support/SimArray.h"
#include "support/SimDisks.h"

namespace {

struct FilerInfoDevListTest : ::testing::Test {
    LogCapture capture;
    PlatformSettings settings;
    SimDisks disks;
    FakeSnapInfo info;
    FakeZROSUtil os;
    XIVFilerSnapInfo record;
};

// The simulator's xiv_devlist over an array with one volume mapped to this
// machine's port, whose disk the catalog holds as /dev/xivd1.
TEST_F(FilerInfoDevListTest, ToolAnswersIdentityAndLogin) {
    if (!SimAvailable({"xiv_devlist"})) GTEST_SKIP() << "array simulator not built";
    SimArray sim;
    const std::string port = "21:00:00:24:ff:3a:bc:01";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"array-create", "--address", "xiv-one", "--serial", "1310133", "--user", "admin",
              "--password", "pw"},
             {"pool-create", "--address", "xiv-one", "--pool", "p1", "--size-gb", "100"},
             {"vol-create", "--address", "xiv-one", "--pool", "p1", "--vol", "vol_a", "--size-gb",
              "17"},
             {"host-create", "--address", "xiv-one", "--host", "me", "--fc", port},
             {"map", "--address", "xiv-one", "--host", "me", "--vol", "vol_a"},
             {"export-disks", "--ports", port, "--catalog", disks.dir()}})
        sim.Admin(args);
    disks.add("stray", SimDisks::Xiv("13027950002", "6001738002795000000000000000BEEF"));
    settings.text("sXivDevListPath", SimBinDir());

    ASSERT_EQ(GetFilerInfo(&info, "/dev/xivd1", &os, record, true, true), 1) << info.logText();
    EXPECT_EQ(record.sVolumeName, "vol_a");
    EXPECT_EQ(record.sArrayId, "1310133");
    EXPECT_FALSE(record.sVolumeId.empty());
    EXPECT_EQ(info.countLogs("Using SCSI inquiry"), 0);
    EXPECT_TRUE(os.arrayListTypes.empty());

    // The full lookup finds the array by the hexadecimal serial as well.
    os.arrays = {"xiv-one"};
    os.arrayInfos["xiv-one"] =
        "{hostid:1,hostName:xiv-one,hostUserName:admin,hostPassword:pw,sn:1302795}";
    ASSERT_EQ(GetFilerInfo(&info, "/dev/xivd1", &os, record, true, false), 1) << info.logText();
    EXPECT_EQ(record.sArrayId, "1302795");
    EXPECT_EQ(record.sHostName, "xiv-one");

    // A disk the tool does not list.
    EXPECT_EQ(GetFilerInfo(&info, "/dev/stray", &os, record, true, true), 0);
    ASSERT_NE(info.lastError(), nullptr);
    EXPECT_EQ(info.lastError()->code, kDevListToolCode);
    EXPECT_EQ(info.lastError()->message,
              "Unable to get details from xiv_devlist for device  [/dev/stray]. "
              "Error[No matching device found through xiv_devlist.]");
}

}  // namespace
