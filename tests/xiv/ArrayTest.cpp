// The array object against the simulated array: what the engine's end-to-end
// tests cannot see — the xcli runs each operation costs, fallbacks, and
// the statuses of empty and failed listings.
#include <functional>
#include <list>
#include <map>
#include <set>

#include "SimArray.h"
#include "XivTests.h"

namespace {

const char kPortA[] = "10000000C9A1B2C3";
const char kPortB[] = "10000000C9A1B2C4";
const char kOther[] = "10000000C9FFFF01";
const char kUnknown[] = "2100000000000000";

// One simulated array with a pool and a host of two ports, and an Xiv object
// logged in to it.
class ArrayTest : public ::testing::Test {
protected:
    static constexpr const char* kAddress = "xiv-lab-7";
    static constexpr const char* kPool = "pool_a";

    void SetUp() override {
        if (!SimAvailable()) GTEST_SKIP() << "array simulator not built";
        array_.Admin({"array-create", "--address", kAddress, "--serial", "1310133", "--user",
                      "admin", "--password", "adm1n-pw"});
        Sim({"pool-create", "--pool", kPool, "--size-gb", "2000"});
        Sim({"host-create", "--host", "srv", "--fc", std::string(kPortA) + "," + kPortB});
    }
    void Sim(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--address", kAddress});
        array_.Admin(args);
    }
    void Volume(const std::string& name) {
        Sim({"vol-create", "--pool", kPool, "--vol", name, "--size-gb", "17"});
    }
    void Fail(const std::string& op) {
        Sim({"fault", "--kind", "fail", "--status", "NO_CONNECTION", "--op", op});
    }
    void MapAt(const std::string& volume, const std::string& lun, const std::string& host = "srv") {
        Sim({"map", "--host", host, "--vol", volume, "--lun", lun});
    }
    // The xcli runs since the last call, by operation; clears them.
    RunCounts Runs() { return array_.TakeRuns(kAddress); }

    SimArray array_;
    Xiv xiv_{"admin", "adm1n-pw", kAddress, SimBinDir(), XivLogger(DebugLog())};
    XivError error;
    int& code = error.code;
    std::string& text = error.text;
    std::string host, lun;
};
// Runs call on the array object; true unless the row checks what it found.
#define DO(call) [&] { return xiv_.call, true; }
#define FINDS(call, found) [&] { return xiv_.call, found; }

// Each operation on a working array succeeds from an error left by an earlier
// call, finds what the earlier ones made, and costs one run of its command.
TEST_F(ArrayTest, EveryOperationStartsAfresh) {
    Volume("src");
    Volume("member");
    std::string wwn, pool, id;
    int64_t bytes = 0;
    XivVol vol;
    vol.name = "src";
    std::vector<XivVol> vols;
    std::vector<XivPool> pools;
    std::vector<Host> hosts;
    std::vector<VolMapping> mapped;
    std::set<std::string> names;
    std::list<std::string> ports{kPortA}, in;
    // The command each runs once, or "" for lookups.
    const std::vector<std::pair<const char*, std::function<bool()>>> ops = {
        {"snapshot_create", DO(CreateSnapShot("src", "src.snap", error))},
        {"snapshot_duplicate", DO(CreateSnapShotDuplicate("src.snap", "dup", error))},
        {"vol_unlock", DO(UnlockVolume("src.snap", error))},
        {"vol_lock", DO(LockVolume("src.snap", error))},
        {"snapshot_restore", DO(RevertToSnapshot("src.snap", error))},
        {"snapshot_delete", DO(DeleteSnapshot("dup", error))},
        {"cg_create", DO(CreateConsistencyGroup("cg1", kPool, error))},
        {"", [&] { return xiv_.IsCgPresent("cg1", pool, error) && pool == kPool; }},
        {"cg_add_vol", DO(AddVolumetoCG("cg1", "member", error))},
        {"", FINDS(GetVolumesInCG("cg1", vols, error), vols.size() == 1)},
        {"cg_snapshots_create", DO(CreateCGSnapshot("cg1", "sg1", error))},
        {"", [&] { return xiv_.IsSnapGroupPresent("sg1", error); }},
        {"snap_group_disband", DO(DisbandSnapGroup("cg1", "sg1", error))},
        {"cg_remove_vol", DO(RemoveVolumeFromCG("cg1", "member", error))},
        {"", FINDS(GetVolumeByName(vol, error), vol.wwn.size() == 32)},
        {"", FINDS(GetVolumeByName("src", wwn, error), wwn == vol.wwn)},
        {"", [&] { return xiv_.IsVolumePresent("src", error); }},
        {"", [&] { return vols.clear(), xiv_.GetAllVolumes(vols, error), vols.size() >= 2; }},
        {"", FINDS(VolumeSize("src", bytes, error), bytes > 0)},
        {"", FINDS(GetAllResourcePools(pools, error), pools.size() == 1)},
        {"", FINDS(GetPoolByName(kPool, id, error), id == pools[0].id)},
        {"", DO(GetMyHostName(kPortA, "", error))},
        {"", FINDS(GetAllMyHostNames(ports, names, error), names.size() == 1)},
        {"", DO(GetLoggedInHBAs(ports, in, error))},
        {"", FINDS(GetAllHosts(hosts, error), hosts.size() == 1)},
        {"map_vol", DO(MapVolume("src", "srv", lun, error))},
        {"", FINDS(GetHostsMapped("src", mapped, error), mapped.size() == 1)},
        {"", DO(GetMappedHosts("src", mapped, error))},
        {"unmap_vol", DO(UnMapVolume("src", ports, "srv", error))},
        {"vol_delete", DO(DeleteVolume("member", error))},
    };
    for (size_t i = 0; i < ops.size(); ++i) {
        SCOPED_TRACE(i);
        error = XivError{-1, "stale"};
        EXPECT_TRUE(ops[i].second());
        EXPECT_EQ(code, 0) << text;
        EXPECT_EQ(Runs()[ops[i].first], *ops[i].first ? 1 : 0) << ops[i].first;
    }
}

TEST_F(ArrayTest, LookupByWwnFallsBackToOneFullListingAndReusesIt) {
    // WWNs compare without regard to case: the disk's is upper-case, the
    // array lists them in lower case.
    Sim({"vol-create", "--pool", kPool, "--vol", "vol_one", "--size-gb", "17", "--wwn",
         "60017380ABCDEF0000000000000000A1"});
    Volume("vol_two");
    XivVol one, two, missing, refused;
    one.wwn = "60017380ABCDEF0000000000000000A1";
    xiv_.GetVolumeByName("vol_two", two.wwn, error);
    Runs();
    missing.wwn = "6001738000000000000000000000FFFF";
    refused.wwn = two.wwn + "\"";
    std::map<std::string, std::string> names;
    xiv_.GetVolumeByWWN(missing, names, error);  // found none: no full listing either
    EXPECT_EQ(code, -1);
    EXPECT_EQ(text.rfind("No volume details received by the command.", 0), 0u) << text;
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));
    // Some arrays refuse the value, older clients the argument (which stays
    // refused from then on).
    Sim({"shape", "--set", "lower-case-wwn"});
    for (const std::string refusal : {"ILLEGAL_VALUE", "BAD_PARAMS", "UNKNOWN_ARGUMENTS"}) {
        if (refusal == "UNKNOWN_ARGUMENTS")
            Sim({"refuse-wwn"});
        else
            Sim({"fault", "--kind", "fail", "--status", refusal, "--op", "vol_list"});
        names.clear();
        one.name.clear();
        xiv_.GetVolumeByWWN(one, names, error);
        EXPECT_OK() << refusal;
        EXPECT_EQ(one.name + " " + std::to_string(names.size()), "vol_one 2") << refusal;
        EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}})) << refusal;
    }
    xiv_.GetVolumeByWWN(two, names, error);  // found in the listing already made
    EXPECT_EQ(two.name, "vol_two");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));
    xiv_.GetVolumeByWWN(missing, names, error);  // not in it: listed again, name left empty
    EXPECT_OK();
    EXPECT_EQ(missing.name, "");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}}));
    // A refused WWN runs nothing and does not take the earlier refusal's way.
    xiv_.GetVolumeByWWN(refused, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(ArrayTest, EmptyListingsAndNamesThatCannotBeLookedUp) {
    std::vector<XivVol> vols;
    xiv_.GetAllVolumes(vols, error);  // an empty listing is an error of its own
    EXPECT_EQ(xiv_.GetResult(), "VOLUME_BAD_COMMAND");
    Volume("v");
    std::vector<VolMapping> hosts;
    xiv_.GetHostsMapped("v", hosts, error);
    EXPECT_EQ(xiv_.GetResult(), "MAP_BAD_COMMAND");
    error.clear();
    xiv_.GetMappedHosts("v", hosts, error);  // the thin form: empty is fine
    EXPECT_OK();
    std::string pool;
    EXPECT_FALSE(xiv_.IsCgPresent("cg1", pool, error));
    EXPECT_EQ(xiv_.GetResult(), "CONS_GROUP_BAD_NAME");
    EXPECT_FALSE(xiv_.IsSnapGroupPresent("sg1", error));
    EXPECT_OK();  // a missing snapshot group is absent, not failed
    Fail("snap_group_list");
    EXPECT_FALSE(xiv_.IsSnapGroupPresent("sg1", error));
    EXPECT_FAILED("NO_CONNECTION");
    Runs();
    // An empty name would list the whole array and look present.
    EXPECT_FALSE(xiv_.IsVolumePresent("", error));
    EXPECT_EQ(code, -1);
    xiv_.DeleteSnapshot("", error);
    EXPECT_NE(text.find("Snap name is empty."), std::string::npos);
    EXPECT_EQ(Runs(), RunCounts{});
}

// What sizes are made and when a resize shrinks is ProvisionEndToEnd's; here
// the lookups each costs.
TEST_F(ArrayTest, SizeLookupsAndFailures) {
    const int64_t GiB = int64_t(1) << 30;
    xiv_.CreateVolume("lun1", kPool, 100 * GiB, error);
    EXPECT_OK();
    xiv_.CreateVolume("lun1", kPool, 17 * GiB, error);  // taken: decided by the result
    EXPECT_EQ(code, -1);
    Runs();
    error.clear();
    xiv_.ResizeVolume("lun1", 17 * GiB, error);
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_resize", 1}}));
    // A failed lookup still runs the resize, without the flag.
    xiv_.ResizeVolume("absent", 34 * GiB, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(array_.RunArguments(kAddress, "vol_resize").at(0).find("shrink_volume"),
              std::string::npos);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_resize", 1}}));
}

TEST_F(ArrayTest, HostObjectsTakeTheNextFreeName) {
    Sim({"host-create", "--host", "client_9876"});
    Sim({"host-create", "--host", "client_9875"});
    std::string name = "client";
    xiv_.CreateHost({kOther, "iqn.1994-05.com.example:client"}, false, name, error);
    EXPECT_OK();
    EXPECT_EQ(name, "client_9874");
    std::vector<std::string> adds = array_.RunArguments(kAddress, "host_add_port");
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_NE(adds[0].find("fcaddress="), std::string::npos) << adds[0];
    EXPECT_NE(adds[1].find("iscsi_name="), std::string::npos) << adds[1];
    EXPECT_EQ(Runs(), (RunCounts{{"host_define", 3}, {"host_add_port", 2}}));
    // A define that fails leaves the name alone and adds no port.
    Fail("host_define");
    name = "other";
    xiv_.CreateHost({kUnknown}, false, name, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(name, "other");
    EXPECT_EQ(Runs(), (RunCounts{{"host_define", 1}}));
}

// Which LUN is free is Mount's; here how often the host is resolved.
TEST_F(ArrayTest, FreeLunsAndMappingsResolveTheHostOnce) {
    xiv_.GetUnusedLun({kUnknown, kPortB}, host, lun, error);  // the first port that resolves
    EXPECT_EQ(lun + " " + host, "1 srv");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 2}, {"mapping_list", 1}}));
    Volume("v1");
    MapAt("v1", "1");
    Xiv fresh("admin", "adm1n-pw", kAddress, SimBinDir(), XivLogger(DebugLog()));
    fresh.GetUnusedLun({kPortA}, host, lun, error);  // a host given is not looked up
    EXPECT_EQ(lun, "2");
    EXPECT_TRUE(xiv_.IsMapped({kPortA, kPortB}, host, "v1", error));
    EXPECT_FALSE(xiv_.IsMapped({kPortA, kPortB}, host, "none", error));  // each port looked at
    EXPECT_EQ(Runs(), (RunCounts{{"mapping_list", 4}}));
    std::vector<HostMapping> mappings(1);
    host.clear();
    xiv_.GetMappedVolumes(kPortB, host, mappings, error);
    EXPECT_EQ(mappings.size(), 2u);  // appended: what the caller held stays
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 1}}));

    host.clear();
    xiv_.GetUnusedLun({kUnknown, kOther}, host, lun, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(xiv_.GetResult(), "HOST_BAD_NAME");
    host.clear();
    EXPECT_FALSE(xiv_.IsMapped({kUnknown}, host, "v1", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 3}}));
    error.clear();
    xiv_.GetUnusedLun({}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(Runs(), RunCounts{});
}

// Unmapping from every host of the ports is Unmount's; here a host of other
// ports is left alone, one listing serves all, and the first failure ends
// the walk.
TEST_F(ArrayTest, UnmapWithoutAHostName) {
    Volume("v1");
    Sim({"host-create", "--host", "srv2", "--fc", kOther});
    Sim({"host-create", "--host", "stranger", "--fc", "10000000C9EEEE01"});
    MapAt("v1", "3");
    MapAt("v1", "6", "stranger");
    Runs();
    xiv_.UnMapVolume("v1", {kPortB, kOther}, "", error);
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 2}}));
    std::vector<VolMapping> left;
    xiv_.GetMappedHosts("v1", left, error);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.front().host, "stranger");
    MapAt("v1", "3");
    MapAt("v1", "4", "srv2");
    Fail("unmap_vol");
    Runs();
    xiv_.UnMapVolume("v1", {kPortA, kOther}, "", error);
    EXPECT_FAILED("NO_CONNECTION");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 1}}));
}

}  // namespace
