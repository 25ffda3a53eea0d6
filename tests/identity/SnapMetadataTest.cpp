// What a snapshot's record carries about its volume and array, read back
// through the host record, and the names its duplicates get. (The text
// written, and the refusal of a comma, are seen through the entry points in
// tests/snapshot.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/Codes.h"
#include "engine/identity/Credentials.h"
#include "engine/snapshot/SnapMetadata.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"

namespace {

std::string Fields(const XIVFilerSnapInfo& r) {
    return r.sSnapName + "|" + r.sArrayId + "|" + r.sVolumeId + "|" + r.sVolumeName + "|" +
           r.sCGName + "|" + r.sSnapGroupName + "|" + r.sHostName;
}

TEST(SnapMetadata, BothFormsReadBackAsWrittenAndWhatWouldNotIsRefused) {
    FakeSnapInfo info;
    std::string error;
    XIVFilerSnapInfo r;
    r.sSnapName = "A.vol";
    r.sArrayId = "13";
    r.sVolumeId = "0A";
    r.sVolumeName = "vol";
    ASSERT_TRUE(WriteMetaData(&info, r, error)) << error;
    EXPECT_EQ(info.propertiesSet.back().first, 6);
    XIVFilerSnapInfo back;
    back.sCGName = "old";  // the single form leaves the group as it was
    ASSERT_TRUE(ParseMetaData(info.propertiesSet.back().second.c_str(), back, &info));
    EXPECT_EQ(Fields(back), "A.vol|13|0A|vol|old||");
    ASSERT_TRUE(WriteMetaData(&info, r, "G", "S", error)) << error;
    ASSERT_TRUE(ParseMetaData(info.propertiesSet.back().second.c_str(), back, &info));
    EXPECT_EQ(Fields(back), "A.vol|13|0A|vol|G|S|");
    // A last item without its comma counts only before a closing brace.
    ParseMetaData(",SnapName:s1,ArrayId:1310133}", back, &info);
    ParseMetaData(",SnapName:s2,ArrayId:77", back, &info);
    EXPECT_EQ(back.sSnapName + "|" + back.sArrayId, "s2|1310133");

    EXPECT_FALSE(WriteMetaData(&info, r, "G,H", "S", error));
    r.sSnapName = "snap/1";
    EXPECT_FALSE(WriteMetaData(&info, r, error));
    EXPECT_EQ(info.propertiesSet.size(), 2u);
    r.sSnapName = "A.vol";
    info.setterResult = 3;
    EXPECT_FALSE(WriteMetaData(&info, r, error));
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
    EXPECT_EQ(Fields(r), "A.vol|1310133|0A|vol|||xiv-a");
    EXPECT_EQ(info.properties[6].sizesOffered(), (std::vector<int>{1024, 3000}));

    info.arrayLogin.failAlways(9);
    EXPECT_FALSE(GetVolumeAndFilerInfoFromSnap(&info, &os, r));
    EXPECT_EQ(info.lastError()->code, kArrayLoginCode);
    info.properties[6].failAlways(1);
    EXPECT_FALSE(GetVolumeAndFilerInfoFromSnap(&info, &os, r));

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
