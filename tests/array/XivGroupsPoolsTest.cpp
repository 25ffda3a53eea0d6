// Consistency groups, snapshot groups and pools against the simulated array.
#include "SimArrayTest.h"

namespace {

using GroupsTest = SimArrayTest;
using PoolsTest = SimArrayTest;

TEST_F(GroupsTest, GroupSnapshotLifecycle) {
    Volume("v1");
    std::string pool;
    EXPECT_FALSE(xiv_->IsCgPresent("cg1", pool, error));
    EXPECT_EQ(code, -1);  // a missing group is the array's error, not an empty answer
    EXPECT_EQ(xiv_->GetResult(), "CONS_GROUP_BAD_NAME");

    Fresh();
    xiv_->CreateConsistencyGroup("cg1", kPool, error);
    ASSERT_EQ(code, 0) << text;
    EXPECT_TRUE(xiv_->IsCgPresent("cg1", pool, error));
    EXPECT_EQ(pool, kPool);
    xiv_->AddVolumetoCG("cg1", "v1", error);
    ASSERT_EQ(code, 0) << text;
    std::vector<XivVol> members;
    xiv_->GetVolumesInCG("cg1", members, error);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].name, "v1");
    EXPECT_EQ(members[0].cg_name, "cg1");

    xiv_->CreateCGSnapshot("cg1", "sg1", error);
    ASSERT_EQ(code, 0) << text;
    EXPECT_TRUE(xiv_->IsSnapGroupPresent("sg1", error));
    EXPECT_EQ(code, 0) << text;
    xiv_->DisbandSnapGroup("cg1", "sg1", error);
    ASSERT_EQ(code, 0) << text;
    EXPECT_FALSE(xiv_->IsSnapGroupPresent("sg1", error));
    EXPECT_EQ(code, 0) << text;

    xiv_->RemoveVolumeFromCG("cg1", "v1", error);
    ASSERT_EQ(code, 0) << text;
    xiv_->GetVolumesInCG("cg1", members, error);
    EXPECT_EQ(code, 0) << text;
    EXPECT_TRUE(members.empty());

    EXPECT_EQ(Runs(), (RunCounts{{"cg_list", 2},
                                 {"cg_create", 1},
                                 {"cg_add_vol", 1},
                                 {"vol_list", 2},
                                 {"cg_snapshots_create", 1},
                                 {"snap_group_list", 2},
                                 {"snap_group_disband", 1},
                                 {"cg_remove_vol", 1}}));
}

TEST_F(GroupsTest, MissingSnapGroupIsAbsentButFailedListingIsAnError) {
    EXPECT_FALSE(xiv_->IsSnapGroupPresent("never_made", error));
    EXPECT_EQ(code, 0) << text;

    Sim({"fault", "--address", kAddress, "--kind", "fail", "--status", "NO_CONNECTION", "--op",
         "snap_group_list"});
    Fresh();
    EXPECT_FALSE(xiv_->IsSnapGroupPresent("never_made", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");
    EXPECT_EQ(Runs(), (RunCounts{{"snap_group_list", 2}}));
}

TEST_F(PoolsTest, PoolsAreListedAndFoundByName) {
    Sim({"pool-create", "--address", kAddress, "--pool", "pool_b", "--size-gb", "500"});
    std::vector<XivPool> pools;
    xiv_->GetAllResourcePools(pools, error);
    EXPECT_EQ(code, 0) << text;
    ASSERT_EQ(pools.size(), 2u);
    std::string idOfB;
    for (const XivPool& p : pools)
        if (p.name == "pool_b") idOfB = p.id;

    Fresh();
    std::string id;
    xiv_->GetPoolByName("pool_b", id, error);
    EXPECT_EQ(code, 0) << text;
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(id, idOfB);
    EXPECT_EQ(Runs(), (RunCounts{{"pool_list", 2}}));

    Fresh();
    id = "kept";
    xiv_->GetPoolByName("no_pool", id, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(id, "kept");
}

TEST_F(PoolsTest, ArrayWithoutPoolsFailsTheListing) {
    const char* bare = "xiv-bare";
    Sim({"array-create", "--address", bare, "--serial", "1310144", "--user", kUser, "--password",
         kPassword});
    Xiv empty(kUser, kPassword, bare, SimBinDir(), XivLogger(DebugLog()));
    std::vector<XivPool> pools;
    empty.GetAllResourcePools(pools, error);
    EXPECT_EQ(code, -1);
    EXPECT_NE(text.find("Pool lists not found."), std::string::npos) << text;
    EXPECT_EQ(empty.GetResult(), "POOL_BAD_COMMAND");
    EXPECT_TRUE(pools.empty());
    EXPECT_EQ(world_->TakeRuns(bare), (RunCounts{{"pool_list", 1}}));
}

}  // namespace
