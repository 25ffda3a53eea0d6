#include <gtest/gtest.h>

#include "engine/common/XIVFilerSnapInfo.h"

namespace {

TEST(XIVFilerSnapInfo, InitClearsLoginAndSnapshotButKeepsVolumeGroupAndIndex) {
    XIVFilerSnapInfo r;
    std::string* cleared[] = {
        &r.sHostName, &r.sArrayId,  &r.sArrayHexId, &r.sHostUserName,  &r.sHostPassword,
        &r.sSnapName, &r.sVolumeId, &r.sTargetType, &r.sDuplicateName, &r.sDuplicateVolumeId};
    std::string* kept[] = {&r.sVolumeName, &r.sCGName, &r.sPoolName, &r.sSnapGroupName,
                           &r.sSnapshotSerial};
    for (std::string* s : cleared) *s = "x";
    for (std::string* s : kept) *s = "kept";
    r.nDeviceIndex = 4;
    r.init();
    for (std::string* s : cleared) EXPECT_EQ(*s, "");
    for (std::string* s : kept) EXPECT_EQ(*s, "kept");
    EXPECT_EQ(r.nDeviceIndex, 4);
}

}  // namespace
