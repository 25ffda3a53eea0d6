#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/Codes.h"
#include "engine/identity/Credentials.h"
#include "engine/snapshot/SnapMetadata.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"

namespace {

XIVFilerSnapInfo Planned() {
    XIVFilerSnapInfo r;
    r.sSnapName = "A.vol";
    r.sArrayId = "13";
    r.sVolumeId = "0A";
    r.sVolumeName = "vol";
    return r;
}

struct SnapMetadataTest : ::testing::Test {
    FakeSnapInfo info;
    FakeZROSUtil os;
    std::string error;
    std::string Stored() const {
        return info.propertiesSet.empty() ? "" : info.propertiesSet.back().second;
    }
};

TEST_F(SnapMetadataTest, BothFormsReadBackAsWritten) {
    ASSERT_TRUE(WriteMetaData(&info, Planned(), error)) << error;
    EXPECT_EQ(info.propertiesSet.back().first, 6);
    EXPECT_EQ(Stored(), ",SnapName:A.vol,ArrayId:13,VolumeId:0A,VolumeName:vol,");
    XIVFilerSnapInfo single;
    single.sCGName = "old";
    ASSERT_TRUE(ParseMetaData(Stored().c_str(), single, &info));
    EXPECT_EQ(single.sSnapName + "|" + single.sArrayId + "|" + single.sVolumeId + "|" +
                  single.sVolumeName,
              "A.vol|13|0A|vol");
    EXPECT_EQ(single.sCGName, "old");  // the single form leaves the group as it was

    ASSERT_TRUE(WriteMetaData(&info, Planned(), "G", "S", error)) << error;
    EXPECT_EQ(Stored(),
              ",SnapName:A.vol,ArrayId:13,VolumeId:0A,VolumeName:vol,CGName:G,SnapGroupName:S,");
    XIVFilerSnapInfo group;
    ASSERT_TRUE(ParseMetaData(Stored().c_str(), group, &info));
    EXPECT_EQ(group.sSnapName + "|" + group.sVolumeName + "|" + group.sCGName + "|" +
                  group.sSnapGroupName,
              "A.vol|vol|G|S");

    // A last item without its comma counts only before a closing brace.
    XIVFilerSnapInfo r;
    ParseMetaData(",SnapName:s1,ArrayId:1310133}", r, &info);
    EXPECT_EQ(r.sArrayId, "1310133");
    ParseMetaData(",SnapName:s2,ArrayId:77", r, &info);
    EXPECT_EQ(r.sSnapName + "|" + r.sArrayId, "s2|1310133");
}

TEST_F(SnapMetadataTest, ValuesThatWouldNotReadBackAreRefusedUnwritten) {
    XIVFilerSnapInfo r = Planned();
    r.sVolumeName = "vol,ArrayId:99";
    EXPECT_FALSE(WriteMetaData(&info, r, error));
    EXPECT_EQ(
        error,
        "The snapshot metadata cannot hold the VolumeName [vol,ArrayId:99]: it holds a comma.");
    EXPECT_EQ(info.countLogs(error, 2), 1);
    EXPECT_FALSE(WriteMetaData(&info, Planned(), "G,H", "S", error));
    EXPECT_NE(error.find("CGName [G,H]"), std::string::npos);
    r = Planned();
    r.sSnapName = "snap/1";
    EXPECT_FALSE(WriteMetaData(&info, r, error));
    EXPECT_NE(error.find("would be lost"), std::string::npos);
    EXPECT_TRUE(info.propertiesSet.empty());

    info.setterResult = 3;
    EXPECT_FALSE(WriteMetaData(&info, Planned(), error));
    EXPECT_EQ(error, "The host did not store the snapshot metadata. Error = 3");
}

TEST_F(SnapMetadataTest, DuplicateNamesInBothOptionStates) {
    info.intProperties[13] = 7;
    info.duplicateNumber = 42;
    info.cloneNumber = 3;
    std::string name;
    GetDuplicateName(&info, name);
    EXPECT_EQ(name, "QS_2_7_42_duplicate");
    info.options.insert(32768);
    GetDuplicateName(&info, name);
    EXPECT_EQ(name, "ZR_Clone_QS_2_7_42_3");
    info.intProperties.clear();  // unreadable: 0
    GetDuplicateName(&info, name);
    EXPECT_EQ(name, "ZR_Clone_QS_2_0_42_3");
}

TEST_F(SnapMetadataTest, MetadataAndLoginFromTheRecord) {
    info.sourceDevice = "/dev/sdb";
    info.properties[6] = ",SnapName:A.vol,ArrayId:13,VolumeId:0A,VolumeName:vol,";
    info.properties[6].then(TextStep::TooSmall(3000));
    info.arrayLogin = "{arrayId:1310133,hostName:xiv-a,hostUserName:admin,hostPassword:pw}";
    XIVFilerSnapInfo r;
    ASSERT_TRUE(GetVolumeAndFilerInfoFromSnap(&info, &os, r)) << info.logText();
    EXPECT_EQ(r.sSnapName + "|" + r.sVolumeName + "|" + r.sHostName, "A.vol|vol|xiv-a");
    EXPECT_EQ(r.sArrayId, "1310133");  // the login record has the last word
    EXPECT_EQ(info.properties[6].sizesOffered(), (std::vector<int>{1024, 3000}));

    info.arrayLogin.failAlways(9);
    EXPECT_FALSE(GetVolumeAndFilerInfoFromSnap(&info, &os, r));
    EXPECT_EQ(info.lastError()->code, kArrayLoginCode);
    info.properties[6].failAlways(1);
    EXPECT_FALSE(GetVolumeAndFilerInfoFromSnap(&info, &os, r));
    EXPECT_EQ(info.countLogs("Unable to get the snapUUID for device :[/dev/sdb]", 2), 1);
}

}  // namespace
