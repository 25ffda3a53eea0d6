// The entry points driven through host fakes on the simulated array, for
// what the reference host never does: values the metadata cannot carry,
// holes in the record array, jobs with no device of ours, metadata written
// by hand.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/boundary/ZrsoExports.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/HostWorld.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

struct WithHostFakes : ::testing::Test {
    void SetUp() override {
        REQUIRE_HOST_WORLD();
        world = std::make_unique<HostWorld>();
        world->fakeHost(os);
    }
    const std::string& Disk(int n) { return world->disks().at(n); }
    std::vector<std::string> SnapshotsOf(const std::string& volume) {
        std::vector<std::string> names;
        for (const auto& row : world->list({"vol_list"}, "name,master_name"))
            if (row.at(1) == volume) names.push_back(row[0]);
        return names;
    }
    int Run(int (*entry)(ZRSO::SnapInfo**, short, ZRSO::ZROSUtil*),
            std::vector<ZRSO::SnapInfo*> records) {
        return entry(records.data(), static_cast<short>(records.size()), &os);
    }

    std::unique_ptr<HostWorld> world;
    FakeZROSUtil os;
};

// Read back, a comma would end the snapshot name early and every later
// step would look for the wrong snapshot.
TEST_F(WithHostFakes, CommaInTheSnapshotIdFailsThatDeviceAndStopsThePass) {
    FakeSnapInfo a, b, c;
    world->fakeRecord(a, Disk(0), "ZRS_1", false);
    world->fakeRecord(b, Disk(1), "ZRS_2,x", false);
    world->fakeRecord(c, Disk(2), "ZRS_3", false);
    EXPECT_EQ(Run(zrso_prepareDevices, {&a, &b, &c}), 2);
    EXPECT_EQ(a.status, 1);
    EXPECT_EQ(b.status, 2);
    EXPECT_EQ(c.status, 2);
    ASSERT_NE(b.lastError(), nullptr);
    EXPECT_EQ(b.lastError()->code, 61004);
    EXPECT_THAT(b.lastError()->message, HasSubstr("comma"));
    EXPECT_THAT(b.propertiesSet, IsEmpty());
    EXPECT_EQ(c.sourceDevice.calls(), 0);
    ASSERT_EQ(a.propertiesSet.size(), 1u);
    EXPECT_EQ(a.propertiesSet[0].second, ",SnapName:ZRS_1,ArrayId:1310133,VolumeId:" +
                                             world->volumeField("v1", "wwn") + ",VolumeName:v1,");
}

// No device of ours: the group stage has no login or pool to work with
// and must not run.
TEST_F(WithHostFakes, GroupStageNeedsAPreparedDevice) {
    FakeSnapInfo a, b;
    const char* seagate = "vendor=SEAGATE\nproduct=ST2000\nserial=Z1\nnaa=5000C500A1B2C3D4\n";
    world->fakeRecord(a, world->addDisk("sdy", seagate), "ZRS_1", true);
    world->fakeRecord(b, world->addDisk("sdz", seagate), "ZRS_2", true);
    int identityAsks = 0;
    a.onCall = [&](const char* op) { identityAsks += std::string(op) == "getIntProperty"; };
    EXPECT_EQ(Run(zrso_prepareDevices, {&a, &b}), 1);
    EXPECT_EQ(a.status, 2);
    EXPECT_EQ(b.status, 2);
    EXPECT_EQ(identityAsks, 0);
    EXPECT_THAT(world->names("cg_list"), IsEmpty());
}

// A hole is skipped and counts as a failed record; the records around it
// are worked as usual, step after step.
TEST_F(WithHostFakes, HoleInTheRecordArrayCountsAsFailedInEveryStep) {
    FakeSnapInfo a, c;
    world->fakeRecord(a, Disk(0), "ZRS_1", true);
    world->fakeRecord(c, Disk(2), "ZRS_3", true);
    std::vector<ZRSO::SnapInfo*> records{&a, nullptr, &c};
    EXPECT_EQ(Run(zrso_prepareDevices, records), 2);
    ASSERT_EQ(c.status, 1);
    ASSERT_EQ(c.snapshotNames.size(), 1u);
    EXPECT_THAT(c.snapshotNames[0], EndsWith(".v3"));
    EXPECT_EQ(Run(zrso_snapDevices, records), 2);
    EXPECT_EQ(c.status, 5);
    EXPECT_EQ(SnapshotsOf("v3"), c.snapshotNames);
    EXPECT_EQ(Run(zrso_reconcileSnaps, records), 0);
    EXPECT_EQ(Run(zrso_revertSnaps, records), 2);
    EXPECT_EQ(a.status, 22);
    EXPECT_EQ(Run(zrso_deleteSnaps, records), 2);
    EXPECT_EQ(c.status, 20);
    EXPECT_THAT(SnapshotsOf("v3"), IsEmpty());
}

std::string GroupMetadata(const std::string& volume, const std::string& group) {
    return ",SnapName:sg_" + group + "." + volume +
           ",ArrayId:1310133,VolumeId:0,VolumeName:" + volume + ",CGName:" + group +
           ",SnapGroupName:sg_" + group + ",";
}

// One group snapshot per call: a device naming another group has no
// snapshot and must not be reported snapped.
TEST_F(WithHostFakes, SnapOfTwoGroupsReportsOnlyTheFirstSnapped) {
    for (auto words : std::vector<std::vector<std::string>>{{"cg_create", "cg=a", "pool=p1"},
                                                            {"cg_add_vol", "cg=a", "vol=v1"},
                                                            {"cg_create", "cg=b", "pool=p1"},
                                                            {"cg_add_vol", "cg=b", "vol=v2"}})
        ASSERT_EQ(world->xcli(words).status, 0);
    FakeSnapInfo a, b;
    world->fakeRecord(a, Disk(0), "", false);
    world->fakeRecord(b, Disk(1), "", false);
    a.properties[6] = GroupMetadata("v1", "a");
    b.properties[6] = GroupMetadata("v2", "b");
    EXPECT_EQ(Run(zrso_snapDevices, {&a, &b}), 2);
    EXPECT_EQ(a.status, 5);
    EXPECT_EQ(b.status, 6);
    ASSERT_NE(b.lastError(), nullptr);
    EXPECT_EQ(b.lastError()->code, 60001);
    EXPECT_THAT(SnapshotsOf("v1"), ElementsAre("sg_a.v1"));
    EXPECT_THAT(SnapshotsOf("v2"), IsEmpty());
}

TEST_F(WithHostFakes, DeleteWithoutSnapshotNameUsesTheHostsSnapshotId) {
    ASSERT_EQ(world->xcli({"snapshot_create", "vol=v1", "name=ZRS_77"}).status, 0);
    FakeSnapInfo a;
    world->fakeRecord(a, Disk(0), "ZRS_77", false);
    a.properties[6] = ",ArrayId:1310133,VolumeId:0,VolumeName:v1,";
    EXPECT_EQ(Run(zrso_deleteSnaps, {&a}), 0);
    EXPECT_EQ(a.status, 20);
    EXPECT_THAT(SnapshotsOf("v1"), IsEmpty());
}

}  // namespace
