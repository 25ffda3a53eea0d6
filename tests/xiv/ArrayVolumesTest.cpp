// Volumes, snapshots, groups and pools against the simulated array, with the
// xcli runs each operation costs.
#include <map>

#include "XivTests.h"

namespace {

using VolumesTest = SimArrayTest;
using GroupsPoolsTest = SimArrayTest;
using Names = std::map<std::string, std::string>;
const char kAbsentWwn[] = "6001738000000000000000000000FFFF";

TEST_F(VolumesTest, LookupByWwnTakesOneRunWhenTheArrayKnowsWwn) {
    Volume("db_data");
    XivVol volume, absent;
    volume.wwn = WwnOf("db_data");
    Names names;
    xiv_->GetVolumeByWWN(volume, names, error);
    EXPECT_OK();
    EXPECT_EQ(volume.name, "db_data");
    EXPECT_EQ(volume.pool_name, kPool);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));

    // Found no volume: fails, and the full listing is not tried.
    absent.wwn = kAbsentWwn;
    xiv_->GetVolumeByWWN(absent, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(text.rfind("No volume details received by the command.", 0), 0u) << text;
    EXPECT_EQ(absent.name, "");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));
}

TEST_F(VolumesTest, LookupByWwnFallsBackToOneFullListingAndReusesIt) {
    // WWNs compare without regard to case: the disk's is upper-case, this
    // array lists them in lower case.
    Sim({"vol-create", "--pool", kPool, "--vol", "vol_one", "--size-gb", "17", "--wwn",
         "60017380ABCDEF0000000000000000A1"});
    Volume("vol_two");
    XivVol first, second, missing, refused;
    first.wwn = "60017380ABCDEF0000000000000000A1";
    second.wwn = WwnOf("vol_two");
    missing.wwn = kAbsentWwn;
    refused.wwn = second.wwn + "\"";
    Sim({"shape", "--set", "lower-case-wwn"});
    Names names;
    // Some arrays refuse the value, older clients the argument (the last
    // refusal stays for the rest of the test).
    for (const std::string refusal : {"ILLEGAL_VALUE", "BAD_PARAMS", "UNKNOWN_ARGUMENTS"}) {
        if (refusal == "UNKNOWN_ARGUMENTS")
            Sim({"refuse-wwn"});
        else
            Sim({"fault", "--kind", "fail", "--status", refusal, "--op", "vol_list"});
        names.clear();
        first.name.clear();
        xiv_->GetVolumeByWWN(first, names, error);
        EXPECT_OK() << refusal;
        EXPECT_EQ(first.name, "vol_one") << refusal;
        EXPECT_EQ(names.size(), 2u);
        EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}})) << refusal;
    }
    xiv_->GetVolumeByWWN(second, names, error);
    EXPECT_OK();
    EXPECT_EQ(second.name, "vol_two");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));

    // Not in the map: listed again; the caller tests the still empty name.
    xiv_->GetVolumeByWWN(missing, names, error);
    EXPECT_OK();
    EXPECT_EQ(missing.name, "");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}}));

    // A refused WWN runs nothing and does not inherit the earlier refusal.
    xiv_->GetVolumeByWWN(refused, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(refused.name, "");
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(VolumesTest, LookupByNameAndPresence) {
    Volume("logs");
    XivVol volume;
    volume.name = "logs";
    xiv_->GetVolumeByName(volume, error);
    EXPECT_OK();
    EXPECT_EQ(volume.wwn.size(), 32u);
    EXPECT_EQ(volume.pool_name, kPool);
    std::string wwn;
    xiv_->GetVolumeByName("logs", wwn, error);
    EXPECT_OK();
    EXPECT_EQ(wwn, volume.wwn);
    EXPECT_TRUE(xiv_->IsVolumePresent("logs", error));
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 3}}));

    wwn = "unchanged";
    xiv_->GetVolumeByName("no_such", wwn, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");
    EXPECT_EQ(wwn, "unchanged");
    error.clear();
    EXPECT_FALSE(xiv_->IsVolumePresent("gone", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");
    Runs();
    // An empty name would list the whole array and look present.
    EXPECT_FALSE(xiv_->IsVolumePresent("", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(VolumesTest, SnapshotOperationsAndDeletionOfGoneOnes) {
    Volume("src");
    xiv_->CreateSnapShot("src", "src.snap", error);
    xiv_->CreateSnapShotDuplicate("src.snap", "src.dup", error);
    xiv_->UnlockVolume("src.snap", error);
    xiv_->LockVolume("src.snap", error);
    xiv_->RevertToSnapshot("src.snap", error);
    EXPECT_OK();
    xiv_->CreateSnapShot("src", "src.snap", error);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_EXISTS");
    EXPECT_EQ(Runs(), (RunCounts{{"snapshot_create", 2},
                                 {"snapshot_duplicate", 1},
                                 {"vol_unlock", 1},
                                 {"vol_lock", 1},
                                 {"snapshot_restore", 1}}));
    for (const char* name : {"src.dup", "src.snap", "src.snap"}) {
        error.clear();
        xiv_->DeleteSnapshot(name, error);
        EXPECT_OK() << " deleting " << name;
    }
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");  // the last was gone already
    EXPECT_EQ(Runs(), (RunCounts{{"snapshot_delete", 3}}));
    xiv_->DeleteSnapshot("", error);
    EXPECT_EQ(code, -1);
    EXPECT_NE(text.find("Snap name is empty."), std::string::npos);
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(VolumesTest, ListingOfAllVolumes) {
    std::vector<XivVol> vols;
    xiv_->GetAllVolumes(vols, error);  // the listing needs a volume
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_COMMAND");
    Volume("a");
    Volume("b");
    error.clear();
    xiv_->GetAllVolumes(vols, error);
    EXPECT_OK();
    ASSERT_EQ(vols.size(), 2u);
    EXPECT_EQ(vols[1].pool_name, kPool);
    EXPECT_EQ(vols[1].wwn.size(), 32u);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}}));
}

TEST_F(VolumesTest, CreateDeleteAndResizeInBytesDecideByTheResult) {
    const int64_t GiB = int64_t(1) << 30;
    xiv_->CreateVolume("lun1", kPool, 100 * GiB, error);
    EXPECT_OK();
    xiv_->CreateVolume("lun1", kPool, 17 * GiB, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(ArgsOf("vol_create").at(0), "vol=lun1 size_blocks=209715200 pool=pool_a");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_create", 2}}));

    // Sizes compare in bytes as the array lists them: 100 GiB made 7 units.
    const struct {
        int64_t asked;
        bool shrinks;
        int64_t made;
    } resizes[] = {
        {113 * GiB, false, 128 * GiB},  // one byte more would already grow it
        {128 * GiB, false, 128 * GiB},
        {17 * GiB, true, 32 * GiB},
    };
    for (const auto& r : resizes) {
        error.clear();
        xiv_->ResizeVolume("lun1", r.asked, error);
        EXPECT_OK();
        int64_t bytes = 0;
        xiv_->VolumeSize("lun1", bytes, error);
        EXPECT_EQ(bytes, r.made) << r.asked;
        EXPECT_EQ(ArgsOf("vol_resize").back().find("shrink_volume=yes") != std::string::npos,
                  r.shrinks)
            << r.asked;
        EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 2}, {"vol_resize", 1}}));
    }
    // A failed lookup still runs the resize, without the flag.
    xiv_->ResizeVolume("absent", 34 * GiB, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_resize", 1}}));
    error.clear();
    xiv_->DeleteVolume("lun1", error);
    EXPECT_OK();
    xiv_->DeleteVolume("lun1", error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_delete", 2}}));
}

TEST_F(GroupsPoolsTest, GroupSnapshotLifecycle) {
    Volume("v1");
    std::string pool;
    EXPECT_FALSE(xiv_->IsCgPresent("cg1", pool, error));
    EXPECT_EQ(code, -1);  // a missing group is the array's error, not an empty answer
    EXPECT_EQ(xiv_->GetResult(), "CONS_GROUP_BAD_NAME");
    error.clear();
    xiv_->CreateConsistencyGroup("cg1", kPool, error);
    ASSERT_EQ(code, 0) << text;
    EXPECT_TRUE(xiv_->IsCgPresent("cg1", pool, error));
    EXPECT_EQ(pool, kPool);
    xiv_->AddVolumetoCG("cg1", "v1", error);
    std::vector<XivVol> members;
    xiv_->GetVolumesInCG("cg1", members, error);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].name, "v1");
    EXPECT_EQ(members[0].cg_name, "cg1");

    xiv_->CreateCGSnapshot("cg1", "sg1", error);
    EXPECT_OK();
    EXPECT_TRUE(xiv_->IsSnapGroupPresent("sg1", error));
    xiv_->DisbandSnapGroup("cg1", "sg1", error);
    EXPECT_FALSE(xiv_->IsSnapGroupPresent("sg1", error));
    EXPECT_FALSE(xiv_->IsSnapGroupPresent("never_made", error));
    EXPECT_OK();  // absent, not failed
    xiv_->RemoveVolumeFromCG("cg1", "v1", error);
    xiv_->GetVolumesInCG("cg1", members, error);
    EXPECT_OK();
    EXPECT_TRUE(members.empty());
    EXPECT_EQ(Runs(), (RunCounts{{"cg_list", 2},
                                 {"cg_create", 1},
                                 {"cg_add_vol", 1},
                                 {"vol_list", 2},
                                 {"cg_snapshots_create", 1},
                                 {"snap_group_list", 3},
                                 {"snap_group_disband", 1},
                                 {"cg_remove_vol", 1}}));

    // A failed listing is an error, not an absent group.
    Fail("snap_group_list");
    EXPECT_FALSE(xiv_->IsSnapGroupPresent("never_made", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");
}

TEST_F(GroupsPoolsTest, PoolsAreListedAndFoundByName) {
    Sim({"pool-create", "--pool", "pool_b", "--size-gb", "500"});
    std::vector<XivPool> pools;
    xiv_->GetAllResourcePools(pools, error);
    EXPECT_OK();
    ASSERT_EQ(pools.size(), 2u);
    std::string idOfB, id;
    for (const XivPool& p : pools)
        if (p.name == "pool_b") idOfB = p.id;
    xiv_->GetPoolByName("pool_b", id, error);
    EXPECT_OK();
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(id, idOfB);
    EXPECT_EQ(Runs(), (RunCounts{{"pool_list", 2}}));
    id = "kept";
    xiv_->GetPoolByName("no_pool", id, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(id, "kept");

    array_->Admin({"array-create", "--address", "xiv-bare", "--serial", "1310144", "--user",
                   "admin", "--password", "adm1n-pw"});
    Xiv bare("admin", "adm1n-pw", "xiv-bare", SimBinDir(), XivLogger(DebugLog()));
    pools.clear();
    error.clear();
    bare.GetAllResourcePools(pools, error);
    EXPECT_EQ(code, -1);
    EXPECT_NE(text.find("Pool lists not found."), std::string::npos) << text;
    EXPECT_EQ(bare.GetResult(), "POOL_BAD_COMMAND");
    EXPECT_TRUE(pools.empty());
}

}  // namespace
