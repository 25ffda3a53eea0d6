// Backup jobs as the backup product runs them: prepare, then snap, judged
// by the host's records and by what the array holds afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SnapWorld.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

std::string VolumeOf(int disk) { return "demo_vol_" + std::to_string(disk + 1); }

TEST(BackupJobs, WithoutTheGroupSettingEachSnapshotCarriesTheHostsId) {
    REQUIRE_WORLD();
    SnapWorld w;
    for (size_t size : {1u, 3u}) {
        std::vector<std::string> devices(w.disks().begin(), w.disks().begin() + size);
        int64_t job = w.Job(devices, false);
        auto prepared = w.Step(job, "prepare");
        EXPECT_EQ(prepared.result, 0);
        EXPECT_EQ(Statuses(prepared), std::vector<int>(size, 1));
        auto snapped = w.Step(job, "snap");
        EXPECT_EQ(snapped.result, 0);
        ASSERT_EQ(Statuses(snapped), std::vector<int>(size, 5));
        for (size_t i = 0; i < size; ++i) {
            const auto& record = snapped.records[i];
            EXPECT_EQ(record.errorCode, 0) << record.errorMessage;
            EXPECT_THAT(w.array().SnapshotsOf(VolumeOf(static_cast<int>(i))),
                        ::testing::Contains(record.snapshotId));
        }
    }
    EXPECT_THAT(w.array().ConsistencyGroups(), IsEmpty());
    EXPECT_THAT(w.array().SnapGroups(), IsEmpty());
}

TEST(BackupJobs, GroupJobSnapsEveryVolumeAtOnceUnderTheGroupsNames) {
    REQUIRE_WORLD();
    SnapWorld w;
    int64_t job = w.Job(w.disks(), true, 7, 26);
    auto prepared = w.Step(job, "prepare");
    EXPECT_EQ(prepared.result, 0);
    EXPECT_EQ(Statuses(prepared), std::vector<int>(3, 1));
    auto snapped = w.Step(job, "snap");
    EXPECT_EQ(snapped.result, 0);
    EXPECT_EQ(Statuses(snapped), std::vector<int>(3, 5));

    EXPECT_THAT(w.array().ConsistencyGroups(), ElementsAre("ZR_CG_1A_7"));
    const std::string snapGroup = "QS_2_" + std::to_string(job) + "_";
    for (int i = 0; i < 3; ++i) {
        const auto& record = snapped.records[i];
        EXPECT_THAT(record.snapshotName, StartsWith(snapGroup));
        EXPECT_EQ(record.snapshotName.substr(record.snapshotName.rfind('.')), "." + VolumeOf(i));
        EXPECT_THAT(w.array().SnapshotsOf(VolumeOf(i)), ElementsAre(record.snapshotName));
        EXPECT_EQ(w.array().VolumeField(VolumeOf(i), "cg_name"), "ZR_CG_1A_7");
    }
    // The snapshots stand on their own: the group snapshot was disbanded.
    EXPECT_THAT(w.array().SnapGroups(), IsEmpty());

    // One device never makes a group snapshot, whatever the setting.
    int64_t single = w.Job({w.disks()[0]}, true, 7, 26);
    EXPECT_EQ(w.Step(single, "prepare").result, 0);
    auto alone = w.Step(single, "snap");
    ASSERT_THAT(Statuses(alone), ElementsAre(5));
    EXPECT_THAT(w.array().SnapshotsOf(VolumeOf(0)),
                ::testing::Contains(alone.records[0].snapshotId));
    EXPECT_THAT(w.array().SnapGroups(), IsEmpty());
}

TEST(BackupJobs, ResultsSayWhetherAllSomeOrNoneSucceeded) {
    REQUIRE_WORLD();
    SnapWorld w;
    // A disk the plug-in does not own is left to others and ends not prepared.
    int64_t mixed = w.Job({w.disks()[0], "/dev/null"}, false);
    auto prepared = w.Step(mixed, "prepare");
    EXPECT_EQ(prepared.result, 2);
    EXPECT_THAT(Statuses(prepared), ElementsAre(1, 2));
    int64_t foreign = w.Job({"/dev/null"}, false);
    auto none = w.Step(foreign, "prepare");
    EXPECT_EQ(none.result, 1);
    EXPECT_THAT(Statuses(none), ElementsAre(2));

    // The second device's snapshot name is taken: it and the device after it
    // are not snapped.
    int64_t job = w.Job(w.disks(), false);
    auto three = w.Step(job, "prepare");
    ASSERT_EQ(three.result, 0);
    ASSERT_TRUE(w.array().Run(
        {"snapshot_create", "vol=" + VolumeOf(1), "name=" + three.records[1].snapshotId}));
    auto snapped = w.Step(job, "snap");
    EXPECT_EQ(snapped.result, 2);
    EXPECT_THAT(Statuses(snapped), ElementsAre(5, 6, 6));
    EXPECT_EQ(snapped.records[1].errorCode, 61021);
    EXPECT_THAT(snapped.records[1].errorMessage,
                HasSubstr("Unable to take snapshot of the volume:[demo_vol_2]"));
    EXPECT_THAT(w.array().SnapshotsOf(VolumeOf(2)), IsEmpty());
}

TEST(BackupJobs, SecondOfThreeDevicesFailingStopsThePrepare) {
    REQUIRE_WORLD();
    SnapWorld w;
    // A disk whose volume the array does not hold.
    std::string ghost = w.AddDisk("xivd9",
                                  "vendor=IBM\nproduct=2810XIV\nrevision=10.2\n"
                                  "serial=130279500099\nnaa=600173801302795000000000000000FF\n");
    int64_t job = w.Job({w.disks()[0], ghost, w.disks()[2]}, false);
    auto prepared = w.Step(job, "prepare");
    EXPECT_EQ(prepared.result, 2);
    EXPECT_THAT(Statuses(prepared), ElementsAre(1, 2, 2));
    EXPECT_EQ(prepared.records[1].errorCode, 61017);
    EXPECT_THAT(prepared.records[1].errorMessage,
                HasSubstr("Unable to get name of the volume with ID = "
                          "[600173801302795000000000000000FF] on array:[xiv-demo-1]Volume or "
                          "Snapshot Not found on array."));
    EXPECT_EQ(prepared.records[2].errorCode, 0);
}

}  // namespace
