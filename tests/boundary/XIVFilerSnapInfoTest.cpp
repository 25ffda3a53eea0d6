#include <gtest/gtest.h>

#include <vector>

#include "engine/common/XIVFilerSnapInfo.h"

namespace {

XIVFilerSnapInfo Filled() {
    XIVFilerSnapInfo r;
    r.sHostName = "array1";
    r.sArrayId = "1302795";
    r.sArrayHexId = "1302A0B";
    r.sHostUserName = "admin";
    r.sHostPassword = "secret";
    r.sSnapName = "snap";
    r.sVolumeName = "vol";
    r.sVolumeId = "WWN";
    r.sTargetType = "fc";
    r.sDuplicateName = "dup";
    r.sDuplicateVolumeId = "DUPWWN";
    r.sCGName = "cg";
    r.sPoolName = "pool";
    r.sSnapGroupName = "sg";
    r.sSnapshotSerial = "17";
    r.nDeviceIndex = 4;
    return r;
}

TEST(XIVFilerSnapInfo, InitClearsLoginAndSnapshotButKeepsVolumeGroupAndIndex) {
    XIVFilerSnapInfo fresh;
    EXPECT_TRUE(fresh.sHostName.empty() && fresh.sVolumeName.empty() && fresh.sCGName.empty() &&
                fresh.sPoolName.empty() && fresh.sSnapGroupName.empty() &&
                fresh.sSnapshotSerial.empty() && fresh.sDuplicateVolumeId.empty());

    XIVFilerSnapInfo r = Filled();
    r.init();
    for (const std::string* cleared :
         {&r.sHostName, &r.sArrayId, &r.sArrayHexId, &r.sHostUserName, &r.sHostPassword,
          &r.sSnapName, &r.sVolumeId, &r.sTargetType, &r.sDuplicateName, &r.sDuplicateVolumeId}) {
        EXPECT_TRUE(cleared->empty()) << *cleared;
    }
    EXPECT_EQ(r.sVolumeName, "vol");
    EXPECT_EQ(r.sCGName, "cg");
    EXPECT_EQ(r.sPoolName, "pool");
    EXPECT_EQ(r.sSnapGroupName, "sg");
    EXPECT_EQ(r.sSnapshotSerial, "17");
    EXPECT_EQ(r.nDeviceIndex, 4);
}

TEST(XIVFilerSnapInfo, CopiesOutOfAListKeepTheirDeviceIndex) {
    std::vector<XIVFilerSnapInfo> list;
    for (int i = 0; i < 3; ++i) {
        XIVFilerSnapInfo r = Filled();
        r.nDeviceIndex = 10 + i;
        list.push_back(r);
    }
    list.reserve(100);  // moves every element
    XIVFilerSnapInfo copy = list[2];
    EXPECT_EQ(copy.nDeviceIndex, 12);
    EXPECT_EQ(copy.sHostPassword, "secret");
}

}  // namespace
