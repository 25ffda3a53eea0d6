// Snapshot jobs as the backup product runs them (prepare, snap, reconcile,
// delete, revert), on arrays an earlier job, an administrator or a fault
// left in some state; judged by the host's records and by what the array
// holds afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/HostWorld.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

namespace {

std::vector<int> Statuses(const refhost::StepOutcome& outcome) {
    std::vector<int> statuses;
    for (const auto& record : outcome.records) statuses.push_back(record.status);
    return statuses;
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

// prepare and snap; false unless both did every record.
bool Backup(HostWorld& w, int64_t job) {
    return w.step(job, "prepare").result == 0 && w.step(job, "snap").result == 0;
}

TEST(BackupJobs, WithoutTheGroupSettingEachSnapshotCarriesTheHostsId) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    for (size_t size : {1u, 3u}) {
        std::vector<std::string> devices(w.disks().begin(), w.disks().begin() + size);
        int64_t job = w.job(devices);
        auto prepared = w.step(job, "prepare");
        EXPECT_EQ(prepared.result, 0);
        EXPECT_EQ(Statuses(prepared), std::vector<int>(size, 1));
        auto snapped = w.step(job, "snap");
        EXPECT_EQ(snapped.result, 0);
        ASSERT_EQ(Statuses(snapped), std::vector<int>(size, 5));
        for (size_t i = 0; i < size; ++i) {
            const auto& record = snapped.records[i];
            EXPECT_EQ(record.errorCode, 0) << record.errorMessage;
            EXPECT_THAT(SnapshotsOf(w, VolumeOf(static_cast<int>(i))), Contains(record.snapshotId));
        }
    }
    EXPECT_THAT(w.names("cg_list"), IsEmpty());
    EXPECT_THAT(w.names("snap_group_list"), IsEmpty());
}

TEST(BackupJobs, GroupJobSnapsEveryVolumeAtOnceUnderTheGroupsNames) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    refhost::BackupOptions group;
    group.consistencyGroup = true;
    group.identity.appId = 7;
    group.identity.fleetNumber = 26;
    int64_t job = w.job(w.disks(), group);
    auto prepared = w.step(job, "prepare");
    EXPECT_EQ(prepared.result, 0);
    EXPECT_EQ(Statuses(prepared), std::vector<int>(3, 1));
    auto snapped = w.step(job, "snap");
    EXPECT_EQ(snapped.result, 0);
    EXPECT_EQ(Statuses(snapped), std::vector<int>(3, 5));

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
    ASSERT_THAT(Statuses(alone), ElementsAre(5));
    EXPECT_THAT(SnapshotsOf(w, VolumeOf(0)), Contains(alone.records[0].snapshotId));
    EXPECT_THAT(w.names("snap_group_list"), IsEmpty());
}

TEST(BackupJobs, ResultsSayWhetherAllSomeOrNoneSucceeded) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    // A disk the plug-in does not own is left to others and ends not prepared.
    auto prepared = w.step(w.job({w.disks()[0], "/dev/null"}), "prepare");
    EXPECT_EQ(prepared.result, 2);
    EXPECT_THAT(Statuses(prepared), ElementsAre(1, 2));
    auto none = w.step(w.job({"/dev/null"}), "prepare");
    EXPECT_EQ(none.result, 1);
    EXPECT_THAT(Statuses(none), ElementsAre(2));

    // The second device's snapshot name is taken: it and the device after it
    // are not snapped.
    int64_t job = w.job(w.disks());
    auto three = w.step(job, "prepare");
    ASSERT_EQ(three.result, 0);
    ASSERT_EQ(w.xcli({"snapshot_create", "vol=v2", "name=" + three.records[1].snapshotId}).status,
              0);
    auto snapped = w.step(job, "snap");
    EXPECT_EQ(snapped.result, 2);
    EXPECT_THAT(Statuses(snapped), ElementsAre(5, 6, 6));
    EXPECT_EQ(snapped.records[1].errorCode, 61021);
    EXPECT_THAT(snapped.records[1].errorMessage,
                HasSubstr("Unable to take snapshot of the volume:[v2]"));
    EXPECT_THAT(SnapshotsOf(w, "v3"), IsEmpty());

    // A disk whose volume the array does not hold stops the prepare there.
    std::string ghost = w.addDisk("xivd9",
                                  "vendor=IBM\nproduct=2810XIV\nrevision=10.2\n"
                                  "serial=130279500099\nnaa=600173801302795000000000000000FF\n");
    prepared = w.step(w.job({w.disks()[0], ghost, w.disks()[2]}), "prepare");
    EXPECT_EQ(prepared.result, 2);
    EXPECT_THAT(Statuses(prepared), ElementsAre(1, 2, 2));
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
    auto prepared = w.step(w.job({w.disks()[0], w.deviceOf("vol_b")}, Group()), "prepare");
    EXPECT_EQ(prepared.result, 1);
    EXPECT_THAT(Statuses(prepared), ElementsAre(2, 2));
    EXPECT_THAT(w.names("cg_list"), IsEmpty());

    ASSERT_EQ(w.xcli({"cg_create", "cg=ZR_CG_1_1", "pool=pool_b"}).status, 0);
    prepared = w.step(w.job({w.disks()[0], w.disks()[1]}, Group()), "prepare");
    EXPECT_EQ(prepared.result, 1);
    EXPECT_THAT(Statuses(prepared), ElementsAre(2, 2));
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
    auto prepared = w.step(job, "prepare");
    EXPECT_EQ(prepared.result, 0);
    EXPECT_THAT(Statuses(prepared), ElementsAre(1, 1));
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
    EXPECT_EQ(snapped.result, 1);
    ASSERT_THAT(Statuses(snapped), ElementsAre(6));
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
    EXPECT_EQ(snapped.result, 1);
    EXPECT_THAT(Statuses(snapped), ElementsAre(6, 6, 6));
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
    auto prepared = w.step(job, "prepare");
    EXPECT_EQ(prepared.result, 0);
    EXPECT_THAT(Statuses(prepared), ElementsAre(1, 1, 1));
    // The name and WWN listing of the first device serves the other two.
    EXPECT_EQ(w.sim().CountRuns(HostWorld::kAddress)["vol_list -s"], 1);
    EXPECT_EQ(w.step(job, "snap").result, 0);
    EXPECT_THAT(SnapshotsOf(w, "v3"), SizeIs(1));
}

TEST(ArrayFaults, MissingClientIsNamedToTheHost) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    TempDir empty;
    w.setPlatform(empty.path());
    auto prepared = w.step(w.job({w.disks()[0]}), "prepare");
    EXPECT_EQ(prepared.result, 1);
    ASSERT_THAT(Statuses(prepared), ElementsAre(2));
    EXPECT_EQ(prepared.records[0].errorCode, 61050);
    EXPECT_THAT(prepared.records[0].errorMessage,
                HasSubstr("XCLI command is not installed or not in path. If installed, please set "
                          "Trellis\\XCLI_BINARY_LOCATION."));
}

TEST(AfterSnap, ReconcileFlagsOnlyTheSnapshotThatIsGone) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    int64_t job = w.job(w.disks());
    ASSERT_TRUE(Backup(w, job));
    auto before = w.step(job, "reconcile");
    ASSERT_EQ(w.xcli({"snapshot_delete", "snapshot=" + before.records[1].snapshotId}).status, 0);
    auto reconciled = w.step(job, "reconcile");
    EXPECT_EQ(reconciled.result, 0);
    EXPECT_THAT(Statuses(reconciled), ElementsAre(5, 24, 5));
    for (const auto& record : reconciled.records) EXPECT_EQ(record.errorCode, 0);
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
    EXPECT_EQ(snapped.result, 1);
    EXPECT_THAT(Statuses(snapped), ElementsAre(6, 6, 6));
    EXPECT_EQ(snapped.records[0].errorCode, 60001);
    EXPECT_THAT(snapped.records[0].errorMessage,
                HasSubstr("Unable to disband the snapshot group :["));
    EXPECT_THAT(w.names("snap_group_list"), SizeIs(1));

    // No duplicate was ever made: its deletion counts as done.
    auto deleted = w.step(job, "delete");
    EXPECT_EQ(deleted.result, 0);
    EXPECT_THAT(Statuses(deleted), ElementsAre(20, 20, 20));
    EXPECT_THAT(w.names("snap_group_list"), IsEmpty());
    for (const char* volume : {"v1", "v2", "v3"}) EXPECT_THAT(SnapshotsOf(w, volume), IsEmpty());
    // Deleting again finds nothing to delete, which is no failure.
    EXPECT_EQ(w.step(job, "delete").result, 0);
}

TEST(AfterSnap, RevertRestoresTheVolumeAndReportsEachDevice) {
    REQUIRE_HOST_WORLD();
    HostWorld w;
    w.admin({"vol-write", "--vol", "v1", "--used-gb", "3"});
    int64_t job = w.job({w.disks()[0], w.disks()[1]});
    ASSERT_TRUE(Backup(w, job));
    w.admin({"vol-write", "--vol", "v1", "--used-gb", "9"});
    auto reconciled = w.step(job, "reconcile");
    ASSERT_EQ(w.xcli({"snapshot_delete", "snapshot=" + reconciled.records[1].snapshotId}).status,
              0);

    auto reverted = w.step(job, "revert");
    EXPECT_EQ(reverted.result, 2);
    EXPECT_THAT(Statuses(reverted), ElementsAre(22, 23));
    EXPECT_EQ(w.volumeField("v1", "used_capacity"), "3");
    EXPECT_EQ(reverted.records[1].errorCode, 61017);
    EXPECT_THAT(reverted.records[1].errorMessage, HasSubstr("Unable to revert volume with id["));
}

}  // namespace
