// Snapshots, consistency groups and snapshot groups.
#include "SimHarness.h"

namespace simtest {
namespace {

class SimSnapshotRules : public SimWorld {
protected:
    void SetUp() override {
        SimWorld::SetUp();
        ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
    }
};

TEST_F(SimSnapshotRules, SnapshotsAreLockedVolumesOfTheirMaster) {
    ASSERT_EQ("SUCCESS", status({"snapshot_create", "vol=v1", "name=s1"}));
    auto s = volume("s1");
    EXPECT_EQ("yes", s["locked"]);
    EXPECT_EQ("v1", s["master_name"]);
    EXPECT_EQ("17", s["size"]);
    EXPECT_FALSE(s["snapshot_serial"].empty());
    EXPECT_FALSE(s["snapshot_time"].empty());
    EXPECT_NE(volume("v1")["wwn"], s["wwn"]);

    EXPECT_EQ("VOLUME_EXISTS", status({"snapshot_create", "vol=v1", "name=s1"}));
    EXPECT_EQ("VOLUME_IS_SNAPSHOT", status({"snapshot_create", "vol=s1", "name=s2"}));
    EXPECT_EQ("VOLUME_BAD_NAME", status({"snapshot_create", "vol=gone", "name=s2"}));

    ASSERT_EQ("SUCCESS", status({"snapshot_duplicate", "snapshot=s1", "name=d1"}));
    auto d = volume("d1");
    EXPECT_EQ("yes", d["locked"]);
    EXPECT_EQ("v1", d["master_name"]);
    EXPECT_NE(s["snapshot_serial"], d["snapshot_serial"]);
    EXPECT_EQ("VOLUME_IS_NOT_A_SNAPSHOT", status({"snapshot_duplicate", "snapshot=v1", "name=d2"}));
    EXPECT_EQ("SUCCESS", status({"vol_unlock", "vol=d1"}));
    EXPECT_EQ("SUCCESS", status({"snapshot_restore", "snapshot=s1"}));
    EXPECT_EQ("VOLUME_IS_NOT_A_SNAPSHOT", status({"snapshot_restore", "snapshot=v1"}));
}

TEST_F(SimSnapshotRules, SnapshotReserveLimitsSnapshotsOfWrittenData) {
    ASSERT_EQ(0, admin({"vol-write", "--address", "xiv-a", "--vol", "v1", "--used-gb", "10"}).code);
    EXPECT_EQ("10", volume("v1")["used_capacity"]);
    EXPECT_EQ("9637", volume("v1")["used_capacity_MiB"]);  // 10 of the 17 GB that make 16 GiB
    for (int i = 0; i < 17; ++i)
        ASSERT_EQ("SUCCESS", status({"snapshot_create", "vol=v1", "name=s" + std::to_string(i)}));
    EXPECT_EQ("170", pool("p1")["used_by_snapshots"]);
    EXPECT_EQ("POOL_SNAPSHOT_LIMIT_REACHED", status({"snapshot_create", "vol=v1", "name=s99"}));
    EXPECT_EQ("POOL_SNAPSHOT_LIMIT_REACHED",
              status({"snapshot_duplicate", "snapshot=s0", "name=d"}));
    ASSERT_EQ("SUCCESS", status({"snapshot_delete", "snapshot=s0"}));
    EXPECT_EQ("160", pool("p1")["used_by_snapshots"]);
    EXPECT_EQ("SUCCESS", status({"snapshot_create", "vol=v1", "name=s99"}));
}

TEST_F(SimSnapshotRules, DeleteRefusals) {
    ASSERT_EQ("SUCCESS", status({"snapshot_create", "vol=v1", "name=s1"}));
    ASSERT_EQ("SUCCESS", status({"host_define", "host=h1"}));
    ASSERT_EQ("SUCCESS", status({"map_vol", "host=h1", "vol=s1", "lun=3"}));
    EXPECT_EQ("SNAPSHOT_IS_MAPPED", status({"snapshot_delete", "snapshot=s1"}));
    EXPECT_EQ("SNAPSHOT_IS_MAPPED", status({"vol_delete", "vol=v1"}));
    ASSERT_EQ("SUCCESS", status({"unmap_vol", "host=h1", "vol=s1"}));
    EXPECT_EQ("VOLUME_IS_NOT_A_SNAPSHOT", status({"snapshot_delete", "snapshot=v1"}));
    EXPECT_EQ("SUCCESS", status({"snapshot_delete", "snapshot=s1"}));
    EXPECT_EQ("VOLUME_BAD_NAME", status({"snapshot_delete", "snapshot=s1"}));
}

TEST_F(SimSnapshotRules, ConsistencyGroupMembership) {
    ASSERT_EQ(
        0, admin({"pool-create", "--address", "xiv-a", "--pool", "p2", "--size-gb", "100"}).code);
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=other", "size=17", "pool=p2"}));
    ASSERT_EQ("SUCCESS", status({"cg_create", "cg=g", "pool=p1"}));
    EXPECT_EQ("CONS_GROUP_NAME_EXISTS", status({"cg_create", "cg=g", "pool=p1"}));
    EXPECT_EQ("POOL_DOES_NOT_EXIST", status({"cg_create", "cg=h", "pool=p9"}));
    auto groups = resourcesOf(xcli({"cg_list", "cg=g"}).out, "cg");
    ASSERT_EQ(1u, groups.size());
    EXPECT_EQ("p1", groups[0]["pool"]);
    EXPECT_EQ("CONS_GROUP_BAD_NAME", status({"cg_list", "cg=nope"}));
    EXPECT_EQ("VOLUME_BAD_POOL", status({"cg_add_vol", "cg=g", "vol=other"}));
    EXPECT_EQ("CONS_GROUP_BAD_NAME", status({"cg_add_vol", "cg=nope", "vol=v1"}));
    ASSERT_EQ("SUCCESS", status({"cg_add_vol", "cg=g", "vol=v1"}));
    EXPECT_EQ("VOLUME_BELONGS_TO_CG", status({"cg_add_vol", "cg=g", "vol=v1"}));
    EXPECT_EQ("SUCCESS", status({"cg_remove_vol", "vol=v1"}));
    EXPECT_EQ("VOLUME_NOT_IN_CONS_GROUP", status({"cg_remove_vol", "vol=v1"}));
}

TEST_F(SimSnapshotRules, GroupSnapshotsAreNamedAfterGroupAndVolume) {
    ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v2", "size=17", "pool=p1"}));
    ASSERT_EQ("SUCCESS", status({"cg_create", "cg=g", "pool=p1"}));
    EXPECT_EQ("CONS_GROUP_EMPTY", status({"cg_snapshots_create", "cg=g", "snap_group=sg"}));
    ASSERT_EQ("SUCCESS", status({"cg_add_vol", "cg=g", "vol=v1"}));
    ASSERT_EQ("SUCCESS", status({"cg_add_vol", "cg=g", "vol=v2"}));
    ASSERT_EQ("SUCCESS", status({"cg_snapshots_create", "cg=g", "snap_group=sg"}));
    EXPECT_EQ("SNAPSHOT_GROUP_NAME_EXISTS",
              status({"cg_snapshots_create", "cg=g", "snap_group=sg"}));
    for (auto name : {"sg.v1", "sg.v2"}) {
        auto s = volume(name);
        EXPECT_EQ("yes", s["locked"]) << name;
        EXPECT_EQ("sg", s["sg_name"]) << name;
    }
    auto groups = resourcesOf(xcli({"snap_group_list", "snap_group=sg"}).out, "snap_group");
    ASSERT_EQ(1u, groups.size());
    EXPECT_EQ("g", groups[0]["cg"]);
    EXPECT_EQ("SNAPSHOT_IS_PART_OF_SNAPSHOT_GROUP", status({"snapshot_delete", "snapshot=sg.v1"}));
    EXPECT_EQ("SNAPSHOT_IS_PART_OF_SNAPSHOT_GROUP", status({"snapshot_restore", "snapshot=sg.v1"}));

    ASSERT_EQ("SUCCESS", status({"snap_group_disband", "snap_group=sg"}));
    EXPECT_EQ("SNAPSHOT_GROUP_BAD_NAME", status({"snap_group_list", "snap_group=sg"}));
    EXPECT_EQ("SNAPSHOT_GROUP_BAD_NAME", status({"snap_group_disband", "snap_group=sg"}));
    EXPECT_EQ("", volume("sg.v1")["sg_name"]);
    EXPECT_EQ("SUCCESS", status({"snapshot_delete", "snapshot=sg.v1"}));

    // A member name already taken fails the whole group snapshot.
    ASSERT_EQ("SUCCESS", status({"snapshot_create", "vol=v1", "name=sg2.v2"}));
    EXPECT_EQ("VOLUME_EXISTS", status({"cg_snapshots_create", "cg=g", "snap_group=sg2"}));
    EXPECT_EQ("VOLUME_BAD_NAME", status({"vol_list", "vol=sg2.v1"}));
    EXPECT_EQ("SNAPSHOT_GROUP_BAD_NAME", status({"snap_group_list", "snap_group=sg2"}));
}

}  // namespace
}  // namespace simtest
