// What follows a backup: checking the snapshots still exist, deleting them
// (also after a snap that left its snapshot group behind) and restoring a
// volume from one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SnapWorld.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

// prepare and snap; false unless both did every record.
bool Backup(SnapWorld& w, int64_t job) {
    return w.Step(job, "prepare").result == 0 && w.Step(job, "snap").result == 0;
}

TEST(AfterSnap, ReconcileFlagsOnlyTheSnapshotThatIsGone) {
    REQUIRE_WORLD();
    SnapWorld w;
    int64_t job = w.Job(w.disks(), false);
    ASSERT_TRUE(Backup(w, job));
    auto before = w.Step(job, "reconcile");
    ASSERT_TRUE(w.array().Run({"snapshot_delete", "snapshot=" + before.records[1].snapshotId}));
    auto reconciled = w.Step(job, "reconcile");
    EXPECT_EQ(reconciled.result, 0);
    EXPECT_THAT(Statuses(reconciled), ElementsAre(5, 24, 5));
    for (const auto& record : reconciled.records) EXPECT_EQ(record.errorCode, 0);
    EXPECT_THAT(w.Log(), HasSubstr("] is NOT present on array:[xiv-demo-1]."));
}

TEST(AfterSnap, DeleteDisbandsALeftoverSnapshotGroupFirst) {
    REQUIRE_WORLD();
    SnapWorld w;
    int64_t job = w.Job(w.disks(), true);
    ASSERT_EQ(w.Step(job, "prepare").result, 0);
    w.Admin({"fault", "--kind", "fail", "--status", "SNAPSHOT_GROUP_BAD_NAME", "--op",
             "snap_group_disband"});
    auto snapped = w.Step(job, "snap");
    // The snapshots exist, but inside a group they cannot be used alone.
    EXPECT_EQ(snapped.result, 1);
    EXPECT_THAT(Statuses(snapped), ElementsAre(6, 6, 6));
    EXPECT_EQ(snapped.records[0].errorCode, 60001);
    EXPECT_THAT(snapped.records[0].errorMessage,
                HasSubstr("Unable to disband the snapshot group :["));
    EXPECT_THAT(w.array().SnapGroups(), SizeIs(1));

    // No duplicate was ever made: its deletion counts as done.
    auto deleted = w.Step(job, "delete");
    EXPECT_EQ(deleted.result, 0);
    EXPECT_THAT(Statuses(deleted), ElementsAre(20, 20, 20));
    EXPECT_THAT(w.array().SnapGroups(), IsEmpty());
    for (const char* volume : {"demo_vol_1", "demo_vol_2", "demo_vol_3"})
        EXPECT_THAT(w.array().SnapshotsOf(volume), IsEmpty());
    // Deleting again finds nothing to delete, which is no failure.
    EXPECT_EQ(w.Step(job, "delete").result, 0);
}

TEST(AfterSnap, RevertRestoresTheVolumeAndReportsEachDevice) {
    REQUIRE_WORLD();
    SnapWorld w;
    w.Admin({"vol-write", "--vol", "demo_vol_1", "--used-gb", "3"});
    int64_t job = w.Job({w.disks()[0], w.disks()[1]}, false);
    ASSERT_TRUE(Backup(w, job));
    w.Admin({"vol-write", "--vol", "demo_vol_1", "--used-gb", "9"});
    auto reconciled = w.Step(job, "reconcile");
    ASSERT_TRUE(w.array().Run({"snapshot_delete", "snapshot=" + reconciled.records[1].snapshotId}));

    auto reverted = w.Step(job, "revert");
    EXPECT_EQ(reverted.result, 2);
    EXPECT_THAT(Statuses(reverted), ElementsAre(22, 23));
    EXPECT_EQ(w.array().VolumeField("demo_vol_1", "used_capacity"), "3");
    EXPECT_EQ(reverted.records[1].errorCode, 61017);
    EXPECT_THAT(reverted.records[1].errorMessage, HasSubstr("Unable to revert volume with id["));
}

}  // namespace
