// The array object against the simulated array: what the engine's end-to-end
// tests cannot see — the xcli runs each operation costs, fallbacks, and
// the statuses of empty and failed listings.
#include <functional>
#include <list>
#include <map>
#include <set>

#include "XivTests.h"

namespace {

const char kPortA[] = "10000000C9A1B2C3";
const char kPortB[] = "10000000C9A1B2C4";
const char kOther[] = "10000000C9FFFF01";
const char kUnknown[] = "2100000000000000";

class ArrayTest : public SimArrayTest {
protected:
    void SetUp() override {
        SimArrayTest::SetUp();
        if (!IsSkipped()) HostWith("srv", std::string(kPortA) + "," + kPortB);
    }
    void MapAt(const std::string& volume, const std::string& lun, const std::string& host = "srv") {
        Sim({"map", "--host", host, "--vol", volume, "--lun", lun});
    }
    std::string host, lun;
};

// Each operation on a working array succeeds from an error left by an earlier
// call, and finds what the earlier ones made.
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
    const std::vector<std::pair<const char*, std::function<bool()>>> ops = {
        {"snapshot", [&] { return xiv_->CreateSnapShot("src", "src.snap", error), true; }},
        {"duplicate",
         [&] { return xiv_->CreateSnapShotDuplicate("src.snap", "dup", error), true; }},
        {"unlock", [&] { return xiv_->UnlockVolume("src.snap", error), true; }},
        {"lock", [&] { return xiv_->LockVolume("src.snap", error), true; }},
        {"revert", [&] { return xiv_->RevertToSnapshot("src.snap", error), true; }},
        {"delete snapshot", [&] { return xiv_->DeleteSnapshot("dup", error), true; }},
        {"cg", [&] { return xiv_->CreateConsistencyGroup("cg1", kPool, error), true; }},
        {"cg present", [&] { return xiv_->IsCgPresent("cg1", pool, error) && pool == kPool; }},
        {"add", [&] { return xiv_->AddVolumetoCG("cg1", "member", error), true; }},
        {"members", [&] { return xiv_->GetVolumesInCG("cg1", vols, error), vols.size() == 1; }},
        {"cg snapshot", [&] { return xiv_->CreateCGSnapshot("cg1", "sg1", error), true; }},
        {"sg present", [&] { return xiv_->IsSnapGroupPresent("sg1", error); }},
        {"disband", [&] { return xiv_->DisbandSnapGroup("cg1", "sg1", error), true; }},
        {"remove", [&] { return xiv_->RemoveVolumeFromCG("cg1", "member", error), true; }},
        {"by name", [&] { return xiv_->GetVolumeByName(vol, error), vol.wwn.size() == 32; }},
        {"wwn", [&] { return xiv_->GetVolumeByName("src", wwn, error), wwn == vol.wwn; }},
        {"present", [&] { return xiv_->IsVolumePresent("src", error); }},
        {"all", [&] { return vols.clear(), xiv_->GetAllVolumes(vols, error), vols.size() >= 2; }},
        {"size", [&] { return xiv_->VolumeSize("src", bytes, error), bytes > 0; }},
        {"pools", [&] { return xiv_->GetAllResourcePools(pools, error), pools.size() == 1; }},
        {"pool", [&] { return xiv_->GetPoolByName(kPool, id, error), id == pools[0].id; }},
        {"my host", [&] { return xiv_->GetMyHostName(kPortA, "", error), true; }},
        {"my hosts", [&] { return xiv_->GetAllMyHostNames(ports, names, error), names.size(); }},
        {"logged in", [&] { return xiv_->GetLoggedInHBAs(ports, in, error), true; }},
        {"hosts", [&] { return xiv_->GetAllHosts(hosts, error), hosts.size() == 1; }},
        {"map", [&] { return xiv_->MapVolume("src", "srv", lun, error), true; }},
        {"mapped", [&] { return xiv_->GetHostsMapped("src", mapped, error), mapped.size(); }},
        {"mapped hosts", [&] { return xiv_->GetMappedHosts("src", mapped, error), true; }},
        {"unmap", [&] { return xiv_->UnMapVolume("src", ports, "srv", error), true; }},
        {"delete", [&] { return xiv_->DeleteVolume("member", error), true; }},
    };
    for (const auto& [name, op] : ops) {
        error = XivError{-1, "stale"};
        EXPECT_TRUE(op()) << name;
        EXPECT_EQ(code, 0) << name << ": " << text;
    }
    RunCounts runs = Runs();
    for (const char* op :
         {"snapshot_create", "snapshot_duplicate", "vol_unlock", "vol_lock", "snapshot_restore",
          "snapshot_delete", "cg_create", "cg_add_vol", "cg_snapshots_create", "snap_group_disband",
          "cg_remove_vol", "map_vol", "unmap_vol", "vol_delete"})
        EXPECT_EQ(runs[op], 1) << op;
}

TEST_F(ArrayTest, LookupByWwnFallsBackToOneFullListingAndReusesIt) {
    // WWNs compare without regard to case: the disk's is upper-case, the
    // array lists them in lower case.
    Sim({"vol-create", "--pool", kPool, "--vol", "vol_one", "--size-gb", "17", "--wwn",
         "60017380ABCDEF0000000000000000A1"});
    Volume("vol_two");
    XivVol one, two, missing, refused;
    one.wwn = "60017380ABCDEF0000000000000000A1";
    two.wwn = WwnOf("vol_two");
    missing.wwn = "6001738000000000000000000000FFFF";
    refused.wwn = two.wwn + "\"";
    std::map<std::string, std::string> names;
    xiv_->GetVolumeByWWN(missing, names, error);  // found none: no full listing either
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
        xiv_->GetVolumeByWWN(one, names, error);
        EXPECT_OK() << refusal;
        EXPECT_EQ(one.name + " " + std::to_string(names.size()), "vol_one 2") << refusal;
        EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}})) << refusal;
    }
    xiv_->GetVolumeByWWN(two, names, error);  // found in the listing already made
    EXPECT_EQ(two.name, "vol_two");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}}));
    xiv_->GetVolumeByWWN(missing, names, error);  // not in it: listed again, name left empty
    EXPECT_OK();
    EXPECT_EQ(missing.name, "");
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_list -s", 1}}));
    // A refused WWN runs nothing and does not take the earlier refusal's way.
    xiv_->GetVolumeByWWN(refused, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(ArrayTest, EmptyListingsAndNamesThatCannotBeLookedUp) {
    std::vector<XivVol> vols;
    xiv_->GetAllVolumes(vols, error);  // an empty listing is an error of its own
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_COMMAND");
    Volume("v");
    std::vector<VolMapping> hosts;
    xiv_->GetHostsMapped("v", hosts, error);
    EXPECT_EQ(xiv_->GetResult(), "MAP_BAD_COMMAND");
    error.clear();
    xiv_->GetMappedHosts("v", hosts, error);  // the thin form: empty is fine
    EXPECT_OK();
    std::string pool;
    EXPECT_FALSE(xiv_->IsCgPresent("cg1", pool, error));
    EXPECT_EQ(xiv_->GetResult(), "CONS_GROUP_BAD_NAME");
    EXPECT_FALSE(xiv_->IsSnapGroupPresent("sg1", error));
    EXPECT_OK();  // a missing snapshot group is absent, not failed
    Fail("snap_group_list");
    EXPECT_FALSE(xiv_->IsSnapGroupPresent("sg1", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");
    Runs();
    // An empty name would list the whole array and look present.
    EXPECT_FALSE(xiv_->IsVolumePresent("", error));
    EXPECT_EQ(code, -1);
    xiv_->DeleteSnapshot("", error);
    EXPECT_NE(text.find("Snap name is empty."), std::string::npos);
    EXPECT_EQ(Runs(), RunCounts{});
}

// What sizes are made and when a resize shrinks is ProvisionEndToEnd's; here
// the lookups each costs.
TEST_F(ArrayTest, SizeLookupsAndFailures) {
    const int64_t GiB = int64_t(1) << 30;
    xiv_->CreateVolume("lun1", kPool, 100 * GiB, error);
    EXPECT_OK();
    xiv_->CreateVolume("lun1", kPool, 17 * GiB, error);  // taken: decided by the result
    EXPECT_EQ(code, -1);
    Runs();
    error.clear();
    xiv_->ResizeVolume("lun1", 17 * GiB, error);
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_resize", 1}}));
    // A failed lookup still runs the resize, without the flag.
    xiv_->ResizeVolume("absent", 34 * GiB, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(ArgsOf("vol_resize").at(0).find("shrink_volume"), std::string::npos);
    EXPECT_EQ(Runs(), (RunCounts{{"vol_list", 1}, {"vol_resize", 1}}));
}

TEST_F(ArrayTest, HostObjectsTakeTheNextFreeName) {
    Sim({"host-create", "--host", "client_9876"});
    Sim({"host-create", "--host", "client_9875"});
    std::string name = "client";
    xiv_->CreateHost({kOther, "iqn.1994-05.com.example:client"}, false, name, error);
    EXPECT_OK();
    EXPECT_EQ(name, "client_9874");
    std::vector<std::string> adds = ArgsOf("host_add_port");
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_NE(adds[0].find("fcaddress="), std::string::npos) << adds[0];
    EXPECT_NE(adds[1].find("iscsi_name="), std::string::npos) << adds[1];
    EXPECT_EQ(Runs(), (RunCounts{{"host_define", 3}, {"host_add_port", 2}}));
    // A define that fails leaves the name alone and adds no port.
    Fail("host_define");
    name = "other";
    xiv_->CreateHost({kUnknown}, false, name, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(name, "other");
    EXPECT_EQ(Runs(), (RunCounts{{"host_define", 1}}));
}

// Which LUN is free is Mount's; here how often the host is resolved.
TEST_F(ArrayTest, FreeLunsAndMappingsResolveTheHostOnce) {
    xiv_->GetUnusedLun({kUnknown, kPortB}, host, lun, error);  // the first port that resolves
    EXPECT_EQ(lun + " " + host, "1 srv");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 2}, {"mapping_list", 1}}));
    Volume("v1");
    MapAt("v1", "1");
    Xiv fresh("admin", "adm1n-pw", kAddress, SimBinDir(), XivLogger(DebugLog()));
    fresh.GetUnusedLun({kPortA}, host, lun, error);  // a host given is not looked up
    EXPECT_EQ(lun, "2");
    EXPECT_TRUE(xiv_->IsMapped({kPortA, kPortB}, host, "v1", error));
    EXPECT_FALSE(xiv_->IsMapped({kPortA, kPortB}, host, "none", error));  // each port looked at
    EXPECT_EQ(Runs(), (RunCounts{{"mapping_list", 4}}));
    std::vector<HostMapping> mappings(1);
    host.clear();
    xiv_->GetMappedVolumes(kPortB, host, mappings, error);
    EXPECT_EQ(mappings.size(), 2u);  // appended: what the caller held stays
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 1}}));

    host.clear();
    xiv_->GetUnusedLun({kUnknown, kOther}, host, lun, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(xiv_->GetResult(), "HOST_BAD_NAME");
    host.clear();
    EXPECT_FALSE(xiv_->IsMapped({kUnknown}, host, "v1", error));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 3}}));
    error.clear();
    xiv_->GetUnusedLun({}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(Runs(), RunCounts{});
}

// Unmapping from every host of the ports is Unmount's; here a host of other
// ports is left alone, one listing serves all, and the first failure ends
// the walk.
TEST_F(ArrayTest, UnmapWithoutAHostName) {
    Volume("v1");
    HostWith("srv2", kOther);
    HostWith("stranger", "10000000C9EEEE01");
    MapAt("v1", "3");
    MapAt("v1", "6", "stranger");
    Runs();
    xiv_->UnMapVolume("v1", {kPortB, kOther}, "", error);
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 2}}));
    std::vector<VolMapping> left;
    xiv_->GetMappedHosts("v1", left, error);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.front().host, "stranger");
    MapAt("v1", "3");
    MapAt("v1", "4", "srv2");
    Fail("unmap_vol");
    Runs();
    xiv_->UnMapVolume("v1", {kPortA, kOther}, "", error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 1}}));
}

}  // namespace
