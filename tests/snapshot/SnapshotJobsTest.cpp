// Snapshot jobs as the backup product runs them (prepare, snap, reconcile,
// delete, revert), on arrays an earlier job, an administrator or a fault
// left in some state; judged by the host's records and by what the array
// holds afterwards. Host fakes reach the paths the reference host cannot.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/boundary/ZrsoExports.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "support/HostWorld.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

namespace {

// The step's result, then each record's status: "2: 1 2".
std::string Ends(const refhost::StepOutcome& outcome) {
    std::string text = std::to_string(outcome.result) + ":";
    for (const auto& record : outcome.records) text += " " + std::to_string(record.status);
    return text;
}

std::vector<std::string> SnapshotsOf(const HostWorld& w, const std::string& volume) {
    std::vector<std::string> names;
    for (const auto& row : w.list({"vol_list"}, "name,master_name"))
        if (row.at(1) == volume) names.push_back(row[0]);
    return names;
}

std::string VolumeOf(int disk) { return "v" + std::to_string(disk + 1); }

refhost::BackupOptions Group(bool on = true) {
    refhost::BackupOptions options;
    options.consistencyGroup = on;
    return options;
}

TEST(BackupJobs, EachSnapshotCarriesTheHostsIdUnlessTheGroupSnapsEveryVolumeAtOnce) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    int64_t plain = w.job(w.disks());
    EXPECT_EQ(Ends(w.step(plain, "prepare")), "0: 1 1 1");
    auto snapped = w.step(plain, "snap");
    ASSERT_EQ(Ends(snapped), "0: 5 5 5");
    for (int i = 0; i < 3; ++i)
        EXPECT_THAT(SnapshotsOf(w, VolumeOf(i)), ElementsAre(snapped.records[i].snapshotId));
    EXPECT_THAT(w.names("cg_list"), IsEmpty());
    EXPECT_THAT(w.names("snap_group_list"), IsEmpty());
    ASSERT_EQ(w.step(plain, "delete").result, 0);

    refhost::BackupOptions group = Group();
    group.identity.appId = 7;
    group.identity.fleetNumber = 26;
    int64_t job = w.job(w.disks(), group);
    EXPECT_EQ(Ends(w.step(job, "prepare")), "0: 1 1 1");
    snapped = w.step(job, "snap");
    EXPECT_EQ(Ends(snapped), "0: 5 5 5");

    EXPECT_THAT(w.names("cg_list"), ElementsAre("ZR_CG_1A_7"));
    const std::string snapGroup = "QS_2_" + std::to_string(job) + "_";
    for (int i = 0; i < 3; ++i) {
        const auto& record = snapped.records[i];
        EXPECT_THAT(record.snapshotName, StartsWith(snapGroup));
        EXPECT_EQ(record.snapshotName.substr(record.snapshotName.rfind('.')), "." + VolumeOf(i));
        EXPECT_THAT(SnapshotsOf(w, VolumeOf(i)), ElementsAre(record.snapshotName));
        EXPECT_EQ(w.volumeField(VolumeOf(i), "cg_name"), "ZR_CG_1A_7");
    }
    // The snapshots stand on their own: the group snapshot was disbanded.
    EXPECT_THAT(w.names("snap_group_list"), IsEmpty());

    // One device never makes a group snapshot, whatever the setting.
    int64_t single = w.job({w.disks()[0]}, group);
    EXPECT_EQ(w.step(single, "prepare").result, 0);
    auto alone = w.step(single, "snap");
    ASSERT_EQ(Ends(alone), "0: 5");
    EXPECT_THAT(SnapshotsOf(w, VolumeOf(0)), Contains(alone.records[0].snapshotId));
    EXPECT_THAT(w.names("snap_group_list"), IsEmpty());
}

TEST(BackupJobs, AFailingDeviceStopsThePassAndTheHostIsToldWhy) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    // The second device's snapshot name is taken: it and the device after it
    // are not snapped.
    int64_t job = w.job(w.disks());
    auto three = w.step(job, "prepare");
    ASSERT_EQ(three.result, 0);
    ASSERT_EQ(w.xcli({"snapshot_create", "vol=v2", "name=" + three.records[1].snapshotId}).status,
              0);
    auto snapped = w.step(job, "snap");
    EXPECT_EQ(Ends(snapped), "2: 5 6 6");
    EXPECT_EQ(snapped.records[1].errorCode, 61021);
    EXPECT_THAT(snapped.records[1].errorMessage,
                HasSubstr("Unable to take snapshot of the volume:[v2]"));
    EXPECT_THAT(SnapshotsOf(w, "v3"), IsEmpty());

    // A disk whose volume the array does not hold stops the prepare there.
    std::string ghost = w.addDisk("xivd9",
                                  "vendor=IBM\nproduct=2810XIV\nrevision=10.2\n"
                                  "serial=130279500099\nnaa=600173801302795000000000000000FF\n");
    auto prepared = w.step(w.job({w.disks()[0], ghost, w.disks()[2]}), "prepare");
    EXPECT_EQ(Ends(prepared), "2: 1 2 2");
    EXPECT_EQ(prepared.records[1].errorCode, 61017);
    EXPECT_THAT(prepared.records[1].errorMessage,
                HasSubstr("Unable to get name of the volume with ID = "
                          "[600173801302795000000000000000FF] on array:[10.9.8.7]Volume or "
                          "Snapshot Not found on array."));
    EXPECT_EQ(prepared.records[2].errorCode, 0);
}

// Both refusals leave every device not prepared and the array as it was.
TEST(GroupStage, VolumesOfTwoPoolsOrAGroupInAnotherPoolAreNotGrouped) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    w.admin({"pool-create", "--pool", "pool_b", "--size-gb", "102", "--snapshot-size-gb", "34"});
    w.admin({"vol-create", "--pool", "pool_b", "--vol", "vol_b", "--size-gb", "17"});
    w.admin({"map", "--host", HostWorld::kHostObject, "--vol", "vol_b"});
    w.rescan();
    EXPECT_EQ(Ends(w.step(w.job({w.disks()[0], w.deviceOf("vol_b")}, Group()), "prepare")),
              "1: 2 2");
    EXPECT_THAT(w.names("cg_list"), IsEmpty());

    ASSERT_EQ(w.xcli({"cg_create", "cg=ZR_CG_1_1", "pool=pool_b"}).status, 0);
    EXPECT_EQ(Ends(w.step(w.job({w.disks()[0], w.disks()[1]}, Group()), "prepare")), "1: 2 2");
    EXPECT_EQ(w.volumeField("v1", "cg_name"), "");
    EXPECT_EQ(w.volumeField("v2", "cg_name"), "");
}

TEST(GroupStage, GroupEndsHoldingExactlyTheJobsVolumes) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    // v1 sits in another group; the job's group holds v3, which is not part
    // of the job.
    for (auto words :
         std::vector<std::vector<std::string>>{{"cg_create", "cg=other_cg", "pool=p1"},
                                               {"cg_add_vol", "cg=other_cg", "vol=v1"},
                                               {"cg_create", "cg=ZR_CG_1_1", "pool=p1"},
                                               {"cg_add_vol", "cg=ZR_CG_1_1", "vol=v3"}})
        ASSERT_EQ(w.xcli(words).status, 0);

    int64_t job = w.job({w.disks()[0], w.disks()[1]}, Group());
    EXPECT_EQ(Ends(w.step(job, "prepare")), "0: 1 1");
    EXPECT_EQ(w.volumeField("v1", "cg_name"), "ZR_CG_1_1");
    EXPECT_EQ(w.volumeField("v2", "cg_name"), "ZR_CG_1_1");
    EXPECT_EQ(w.volumeField("v3", "cg_name"), "");
    EXPECT_THAT(w.names("cg_list"), UnorderedElementsAre("other_cg", "ZR_CG_1_1"));

    auto snapped = w.step(job, "snap");
    EXPECT_EQ(snapped.result, 0);
    EXPECT_THAT(SnapshotsOf(w, "v3"), IsEmpty());
    EXPECT_THAT(SnapshotsOf(w, "v1"), ElementsAre(snapped.records[0].snapshotName));
}

TEST(ArrayFaults, RefusedSnapshotsReportTheArraysReason) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    int64_t job = w.job({w.disks()[0]});
    ASSERT_EQ(w.step(job, "prepare").result, 0);
    w.admin({"fault", "--kind", "fail", "--status", "POOL_SNAPSHOT_LIMIT_REACHED", "--op",
             "snapshot_create"});
    auto snapped = w.step(job, "snap");
    EXPECT_EQ(Ends(snapped), "1: 6");
    EXPECT_EQ(snapped.records[0].errorCode, 61029);
    EXPECT_THAT(snapped.records[0].errorMessage,
                HasSubstr("zrso_snapDevices: Unable to take snapshot of the volume:[v1] on "
                          "array:[10.9.8.7]. Error [POOL_SNAPSHOT_LIMIT_REACHED].Pool snapshot "
                          "limit reached. It needs more diskspace."));
    EXPECT_THAT(SnapshotsOf(w, "v1"), IsEmpty());

    // A refused group snapshot fails every device.
    job = w.job(w.disks(), Group());
    ASSERT_EQ(w.step(job, "prepare").result, 0);
    w.admin({"fault", "--kind", "fail", "--status", "POOL_SNAPSHOT_LIMIT_REACHED", "--op",
             "cg_snapshots_create"});
    snapped = w.step(job, "snap");
    EXPECT_EQ(Ends(snapped), "1: 6 6 6");
    EXPECT_EQ(snapped.records[0].errorCode, 60001);
    EXPECT_THAT(snapped.records[0].errorMessage,
                HasSubstr("Unable to take snapshot of the consistency group:[ZR_CG_1_1]"));
}

TEST(ArrayFaults, ClientWithoutWwnLookupPreparesFromOneFullListing) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    w.admin({"refuse-wwn"});
    int64_t job = w.job(w.disks());
    w.sim().ClearRuns(HostWorld::kAddress);
    EXPECT_EQ(Ends(w.step(job, "prepare")), "0: 1 1 1");
    // The name and WWN listing of the first device serves the other two.
    EXPECT_EQ(w.sim().CountRuns(HostWorld::kAddress)["vol_list -s"], 1);
    EXPECT_EQ(w.step(job, "snap").result, 0);
    EXPECT_THAT(SnapshotsOf(w, "v3"), SizeIs(1));
}

TEST(AfterSnap, DeleteDisbandsALeftoverSnapshotGroupFirst) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    int64_t job = w.job(w.disks(), Group());
    ASSERT_EQ(w.step(job, "prepare").result, 0);
    w.admin({"fault", "--kind", "fail", "--status", "SNAPSHOT_GROUP_BAD_NAME", "--op",
             "snap_group_disband"});
    auto snapped = w.step(job, "snap");
    // The snapshots exist, but inside a group they cannot be used alone.
    EXPECT_EQ(Ends(snapped), "1: 6 6 6");
    EXPECT_EQ(snapped.records[0].errorCode, 60001);
    EXPECT_THAT(snapped.records[0].errorMessage,
                HasSubstr("Unable to disband the snapshot group :["));
    EXPECT_THAT(w.names("snap_group_list"), SizeIs(1));

    // No duplicate was ever made: its deletion counts as done.
    EXPECT_EQ(Ends(w.step(job, "delete")), "0: 20 20 20");
    EXPECT_THAT(w.names("snap_group_list"), IsEmpty());
    for (const char* volume : {"v1", "v2", "v3"}) EXPECT_THAT(SnapshotsOf(w, volume), IsEmpty());
    // Deleting again finds nothing to delete, which is no failure.
    EXPECT_EQ(w.step(job, "delete").result, 0);
}

// Reconcile flags only the snapshot that is gone; revert restores the
// others' volumes.
TEST(AfterSnap, ReconcileAndRevertTellEachDeviceWhetherItsSnapshotIsThere) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    w.admin({"vol-write", "--vol", "v1", "--used-gb", "3"});
    int64_t job = w.job(w.disks());
    ASSERT_TRUE(w.backup(job).allExpected);
    w.admin({"vol-write", "--vol", "v1", "--used-gb", "9"});
    auto before = w.step(job, "reconcile");
    ASSERT_EQ(w.xcli({"snapshot_delete", "snapshot=" + before.records[1].snapshotId}).status, 0);
    auto reconciled = w.step(job, "reconcile");
    EXPECT_EQ(Ends(reconciled), "0: 5 24 5");
    for (const auto& record : reconciled.records) EXPECT_EQ(record.errorCode, 0);

    auto reverted = w.step(job, "revert");
    EXPECT_EQ(Ends(reverted), "2: 22 23 22");
    EXPECT_EQ(w.volumeField("v1", "used_capacity"), "3");
    EXPECT_EQ(reverted.records[1].errorCode, 61017);
    EXPECT_THAT(reverted.records[1].errorMessage, HasSubstr("Unable to revert volume with id["));
}

// The entry points driven through host fakes on the simulated array, for
// what the reference host never does: values the metadata cannot carry,
// holes in the record array, jobs with no device of ours, metadata written
// by hand.

struct WithHostFakes : ::testing::Test {
    void SetUp() override {
        REQUIRE_HOST_WORLD();
        world = std::make_unique<HostWorld>();
        world->fakeHost(os);
    }
    const std::string& Disk(int n) { return world->disks().at(n); }
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
    EXPECT_EQ(SnapshotsOf(*world, "v3"), c.snapshotNames);
    EXPECT_EQ(Run(zrso_reconcileSnaps, records), 0);
    EXPECT_EQ(Run(zrso_revertSnaps, records), 2);
    EXPECT_EQ(a.status, 22);
    EXPECT_EQ(Run(zrso_deleteSnaps, records), 2);
    EXPECT_EQ(c.status, 20);
    EXPECT_THAT(SnapshotsOf(*world, "v3"), IsEmpty());
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
    EXPECT_THAT(SnapshotsOf(*world, "v1"), ElementsAre("sg_a.v1"));
    EXPECT_THAT(SnapshotsOf(*world, "v2"), IsEmpty());
}

TEST_F(WithHostFakes, DeleteWithoutSnapshotNameUsesTheHostsSnapshotId) {
    ASSERT_EQ(world->xcli({"snapshot_create", "vol=v1", "name=ZRS_77"}).status, 0);
    FakeSnapInfo a;
    world->fakeRecord(a, Disk(0), "ZRS_77", false);
    a.properties[6] = ",ArrayId:1310133,VolumeId:0,VolumeName:v1,";
    EXPECT_EQ(Run(zrso_deleteSnaps, {&a}), 0);
    EXPECT_EQ(a.status, 20);
    EXPECT_THAT(SnapshotsOf(*world, "v1"), IsEmpty());
}

}  // namespace
