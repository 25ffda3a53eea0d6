// Backup jobs as the backup product runs them: prepare, then snap, judged
// by the host's records and by what the array holds afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/HostWorld.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

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

}  // namespace
