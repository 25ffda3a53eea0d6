// The consistency-group stage of a prepare on arrays an earlier job or an
// administrator left in some state: what it refuses, what it rearranges.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SnapWorld.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

// A second pool with a volume of its own mapped to the host (the fourth disk).
void SecondPool(SnapWorld& w) {
    w.Admin({"pool-create", "--pool", "pool_b", "--size-gb", "102", "--snapshot-size-gb", "34"});
    w.AddMappedVolume("pool_b", "vol_b");
}

// Both refusals leave every device not prepared and the array as it was.
TEST(GroupStage, VolumesOfTwoPoolsOrAGroupInAnotherPoolAreNotGrouped) {
    REQUIRE_WORLD();
    SnapWorld w(SecondPool);
    ASSERT_EQ(w.disks().size(), 4u);
    auto prepared = w.Step(w.Job({w.disks()[0], w.disks()[3]}, true), "prepare");
    EXPECT_EQ(prepared.result, 1);
    EXPECT_THAT(Statuses(prepared), ElementsAre(2, 2));
    EXPECT_THAT(w.Log(), HasSubstr("Volumes in the subclient are from different pools. Cannot use "
                                   "consistency group."));
    EXPECT_THAT(w.array().ConsistencyGroups(), IsEmpty());

    ASSERT_TRUE(w.array().Run({"cg_create", "cg=ZR_CG_1_1", "pool=pool_b"}));
    prepared = w.Step(w.Job({w.disks()[0], w.disks()[1]}, true), "prepare");
    EXPECT_EQ(prepared.result, 1);
    EXPECT_THAT(Statuses(prepared), ElementsAre(2, 2));
    EXPECT_THAT(w.Log(), HasSubstr("Consistency Group[ZR_CG_1_1] exists but is in pool[pool_b]. "
                                   "Volumes in the subclient are in the pool[demo_pool]. Cannot "
                                   "use consistency groups."));
    EXPECT_EQ(w.array().VolumeField("demo_vol_1", "cg_name"), "");
    EXPECT_EQ(w.array().VolumeField("demo_vol_2", "cg_name"), "");
}

TEST(GroupStage, GroupEndsHoldingExactlyTheJobsVolumes) {
    REQUIRE_WORLD();
    SnapWorld w;
    // demo_vol_1 sits in another group; the job's group holds demo_vol_3,
    // which is not part of the job.
    for (auto words :
         std::vector<std::vector<std::string>>{{"cg_create", "cg=other_cg", "pool=demo_pool"},
                                               {"cg_add_vol", "cg=other_cg", "vol=demo_vol_1"},
                                               {"cg_create", "cg=ZR_CG_1_1", "pool=demo_pool"},
                                               {"cg_add_vol", "cg=ZR_CG_1_1", "vol=demo_vol_3"}})
        ASSERT_TRUE(w.array().Run(words));

    int64_t job = w.Job({w.disks()[0], w.disks()[1]}, true);
    auto prepared = w.Step(job, "prepare");
    EXPECT_EQ(prepared.result, 0);
    EXPECT_THAT(Statuses(prepared), ElementsAre(1, 1));
    EXPECT_THAT(w.Log(), HasSubstr("Volume[demo_vol_1] is already in a different consistency "
                                   "group[other_cg]. Removing it first.."));
    EXPECT_EQ(w.array().VolumeField("demo_vol_1", "cg_name"), "ZR_CG_1_1");
    EXPECT_EQ(w.array().VolumeField("demo_vol_2", "cg_name"), "ZR_CG_1_1");
    EXPECT_EQ(w.array().VolumeField("demo_vol_3", "cg_name"), "");
    EXPECT_THAT(w.array().ConsistencyGroups(), UnorderedElementsAre("other_cg", "ZR_CG_1_1"));

    auto snapped = w.Step(job, "snap");
    EXPECT_EQ(snapped.result, 0);
    EXPECT_THAT(w.array().SnapshotsOf("demo_vol_3"), IsEmpty());
    EXPECT_THAT(w.array().SnapshotsOf("demo_vol_1"), ElementsAre(snapped.records[0].snapshotName));
}

}  // namespace
