// What a snapshot's record carries about its volume and array, written and
// read back through the host record, and the names its duplicates get.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/Codes.h"
#include "engine/identity/Credentials.h"
#include "engine/snapshot/SnapMetadata.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"

namespace {

XIVFilerSnapInfo Planned(const std::string& snap = "A.vol", const std::string& volume = "vol") {
    XIVFilerSnapInfo r;
    r.sSnapName = snap;
    r.sArrayId = "13";
    r.sVolumeId = "0A";
    r.sVolumeName = volume;
    return r;
}

std::string Fields(const XIVFilerSnapInfo& r) {
    return r.sSnapName + "|" + r.sArrayId + "|" + r.sVolumeId + "|" + r.sVolumeName + "|" +
           r.sCGName + "|" + r.sSnapGroupName;
}

TEST(SnapMetadata, BothFormsReadBackAsWrittenAndWhatWouldNotIsRefused) {
    FakeSnapInfo info;
    std::string error;
    ASSERT_TRUE(WriteMetaData(&info, Planned(), error)) << error;
    EXPECT_EQ(info.propertiesSet.back().first, 6);
    EXPECT_EQ(info.propertiesSet.back().second,
              ",SnapName:A.vol,ArrayId:13,VolumeId:0A,VolumeName:vol,");
    XIVFilerSnapInfo r;
    r.sCGName = "old";  // the single form leaves the group as it was
    ASSERT_TRUE(ParseMetaData(info.propertiesSet.back().second.c_str(), r, &info));
    EXPECT_EQ(Fields(r), "A.vol|13|0A|vol|old|");
    ASSERT_TRUE(WriteMetaData(&info, Planned(), "G", "S", error)) << error;
    ASSERT_TRUE(ParseMetaData(info.propertiesSet.back().second.c_str(), r, &info));
    EXPECT_EQ(Fields(r), "A.vol|13|0A|vol|G|S");
    // A last item without its comma counts only before a closing brace.
    ParseMetaData(",SnapName:s1,ArrayId:1310133}", r, &info);
    ParseMetaData(",SnapName:s2,ArrayId:77", r, &info);
    EXPECT_EQ(r.sSnapName + "|" + r.sArrayId, "s2|1310133");

    FakeSnapInfo refusing;
    EXPECT_FALSE(WriteMetaData(&refusing, Planned("A.vol", "vol,ArrayId:99"), error));
    EXPECT_EQ(
        error,
        "The snapshot metadata cannot hold the VolumeName [vol,ArrayId:99]: it holds a comma.");
    EXPECT_FALSE(WriteMetaData(&refusing, Planned(), "G,H", "S", error));
    EXPECT_FALSE(WriteMetaData(&refusing, Planned("snap/1"), error));
    EXPECT_TRUE(refusing.propertiesSet.empty());
    refusing.setterResult = 3;
    EXPECT_FALSE(WriteMetaData(&refusing, Planned(), error));
    EXPECT_EQ(error, "The host did not store the snapshot metadata. Error = 3");
}

TEST(SnapMetadata, MetadataAndLoginFromTheRecord) {
    FakeSnapInfo info;
    FakeZROSUtil os;
    info.properties[6] = ",SnapName:A.vol,ArrayId:13,VolumeId:0A,VolumeName:vol,";
    info.properties[6].then(TextStep::TooSmall(3000));
    info.arrayLogin = "{arrayId:1310133,hostName:xiv-a,hostUserName:admin,hostPassword:pw}";
    XIVFilerSnapInfo r;
    ASSERT_TRUE(GetVolumeAndFilerInfoFromSnap(&info, &os, r)) << info.logText();
    // The login record has the last word on the array.
    EXPECT_EQ(Fields(r) + "|" + r.sHostName, "A.vol|1310133|0A|vol|||xiv-a");
    EXPECT_EQ(info.properties[6].sizesOffered(), (std::vector<int>{1024, 3000}));

    info.arrayLogin.failAlways(9);
    EXPECT_FALSE(GetVolumeAndFilerInfoFromSnap(&info, &os, r));
    EXPECT_EQ(info.lastError()->code, kArrayLoginCode);
    info.properties[6].failAlways(1);
    EXPECT_FALSE(GetVolumeAndFilerInfoFromSnap(&info, &os, r));
}

TEST(DuplicateName, InBothOptionStates) {
    FakeSnapInfo info;
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

}  // namespace
