// An array or client that misbehaves: refusals injected into the simulator,
// a client that does not take a lookup by WWN, a client that is not there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SnapWorld.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

TEST(ArrayFaults, RefusedSnapshotReportsTheArraysReason) {
    REQUIRE_WORLD();
    SnapWorld w;
    int64_t job = w.Job({w.disks()[0]}, false);
    ASSERT_EQ(w.Step(job, "prepare").result, 0);
    w.Admin({"fault", "--kind", "fail", "--status", "POOL_SNAPSHOT_LIMIT_REACHED", "--op",
             "snapshot_create"});
    auto snapped = w.Step(job, "snap");
    EXPECT_EQ(snapped.result, 1);
    ASSERT_THAT(Statuses(snapped), ElementsAre(6));
    EXPECT_EQ(snapped.records[0].errorCode, 61029);
    EXPECT_THAT(snapped.records[0].errorMessage,
                HasSubstr("zrso_snapDevices: Unable to take snapshot of the volume:[demo_vol_1] on "
                          "array:[xiv-demo-1]. Error [POOL_SNAPSHOT_LIMIT_REACHED].Pool snapshot "
                          "limit reached. It needs more diskspace."));
    EXPECT_THAT(w.array().SnapshotsOf("demo_vol_1"), IsEmpty());
}

TEST(ArrayFaults, RefusedGroupSnapshotFailsEveryDevice) {
    REQUIRE_WORLD();
    SnapWorld w;
    int64_t job = w.Job(w.disks(), true);
    ASSERT_EQ(w.Step(job, "prepare").result, 0);
    w.Admin({"fault", "--kind", "fail", "--status", "POOL_SNAPSHOT_LIMIT_REACHED", "--op",
             "cg_snapshots_create"});
    auto snapped = w.Step(job, "snap");
    EXPECT_EQ(snapped.result, 1);
    EXPECT_THAT(Statuses(snapped), ElementsAre(6, 6, 6));
    EXPECT_EQ(snapped.records[0].errorCode, 60001);
    EXPECT_THAT(snapped.records[0].errorMessage,
                HasSubstr("Unable to take snapshot of the consistency group:[ZR_CG_1_1]"));
}

TEST(ArrayFaults, ClientWithoutWwnLookupPreparesFromOneFullListing) {
    REQUIRE_WORLD();
    SnapWorld w;
    w.Admin({"refuse-wwn"});
    int64_t job = w.Job(w.disks(), false);
    w.CsvRuns("vol_list");  // forgets the runs of the set-up
    auto prepared = w.Step(job, "prepare");
    EXPECT_EQ(prepared.result, 0);
    EXPECT_THAT(Statuses(prepared), ElementsAre(1, 1, 1));
    // The name and WWN listing of the first device serves the other two.
    EXPECT_EQ(w.CsvRuns("vol_list"), 1);
    EXPECT_EQ(w.Step(job, "snap").result, 0);
    EXPECT_EQ(w.array().SnapshotsOf("demo_vol_3").size(), 1u);
}

TEST(ArrayFaults, MissingClientIsNamedToTheHost) {
    REQUIRE_WORLD();
    SnapWorld w;
    TempDir empty;
    w.SetXcliDirectory(empty.path());
    auto prepared = w.Step(w.Job({w.disks()[0]}, false), "prepare");
    EXPECT_EQ(prepared.result, 1);
    ASSERT_THAT(Statuses(prepared), ElementsAre(2));
    EXPECT_EQ(prepared.records[0].errorCode, 61050);
    EXPECT_THAT(prepared.records[0].errorMessage,
                HasSubstr("XCLI command is not installed or not in path. If installed, please set "
                          "Trellis\\XCLI_BINARY_LOCATION."));
}

}  // namespace
