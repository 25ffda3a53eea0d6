// LUN choice, mapping tests, map and unmap against the simulated array.
#include "SimArrayTest.h"

namespace {

const char kPortA[] = "10000000C9A1B2C3";
const char kPortB[] = "10000000C9A1B2C4";
const char kOtherPort[] = "10000000C9FFFF01";
const char kUnknownPort[] = "2100000000000000";

class MappingTest : public SimArrayTest {
protected:
    void SetUp() override {
        SimArrayTest::SetUp();
        if (IsSkipped()) return;
        HostWith("srv", std::string(kPortA) + "," + kPortB);
    }
    void HostWith(const std::string& name, const std::string& fc) {
        Sim({"host-create", "--address", kAddress, "--host", name, "--fc", fc});
    }
    void MapAt(const std::string& volume, const std::string& lun,
               const std::string& host = "srv") {
        Sim({"map", "--address", kAddress, "--host", host, "--vol", volume, "--lun", lun});
    }
    std::string host, lun;
};

TEST_F(MappingTest, FreeLunIsTheLowestAboveZero) {
    xiv_->GetUnusedLun({kPortA}, host, lun, code, text);
    EXPECT_OK();
    EXPECT_EQ(lun, "1");
    EXPECT_EQ(host, "srv");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 1}}));

    for (const char* v : {"v2", "v3", "v4"}) Volume(v);
    MapAt("v2", "2");
    MapAt("v3", "3");
    xiv_->GetUnusedLun({kPortA}, host, lun, code, text);  // the host is known now
    EXPECT_EQ(lun, "1");
    EXPECT_EQ(Runs(), (RunCounts{{"mapping_list", 1}}));

    Volume("v1");
    MapAt("v1", "1");
    MapAt("v4", "4");
    host.clear();
    xiv_->GetUnusedLun({kPortB}, host, lun, code, text);
    EXPECT_OK();
    EXPECT_EQ(lun, "5");
}

TEST_F(MappingTest, FreeLunTriesEachPortUntilOneResolves) {
    xiv_->GetUnusedLun({kUnknownPort, kPortB}, host, lun, code, text);
    EXPECT_OK();
    EXPECT_EQ(lun, "1");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 2}, {"mapping_list", 1}}));

    host.clear();
    xiv_->GetUnusedLun({kUnknownPort, kOtherPort}, host, lun, code, text);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(xiv_->GetResult(), "HOST_BAD_NAME");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 2}}));

    Fresh();
    xiv_->GetUnusedLun({}, host, lun, code, text);
    EXPECT_OK();
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(MappingTest, IsMappedResolvesTheHostOnceForAllPorts) {
    Volume("mapped");
    Volume("loose");
    MapAt("mapped", "7");
    EXPECT_TRUE(xiv_->IsMapped({kPortA, kPortB}, host, "mapped", code, text));
    EXPECT_OK();
    EXPECT_EQ(host, "srv");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 1}}));

    host.clear();
    EXPECT_FALSE(xiv_->IsMapped({kPortA, kPortB}, host, "loose", code, text));
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 2}}));

    host.clear();
    EXPECT_FALSE(xiv_->IsMapped({kUnknownPort}, host, "mapped", code, text));
    EXPECT_EQ(code, -1);
}

TEST_F(MappingTest, MappedVolumesResolveTheHostOnlyWhenUnnamed) {
    Volume("v1");
    MapAt("v1", "9");
    std::list<ResourceNode*> mappings;
    xiv_->GetMappedVolumes(kPortB, host, mappings, code, text);
    EXPECT_OK();
    EXPECT_EQ(host, "srv");
    ASSERT_EQ(mappings.size(), 1u);
    HostMapping* m = dynamic_cast<HostMapping*>(mappings.front());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->lun, 9);
    EXPECT_EQ(m->volume, "v1");
    xiv_->GetMappedVolumes(kPortB, host, mappings, code, text);
    EXPECT_EQ(mappings.size(), 2u);  // appended: what the caller held stays
    FreeResourceList(mappings);
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 2}}));
}

TEST_F(MappingTest, MapThenListAndUnmapByHostName) {
    Volume("v1");
    Volume("v2");
    HostWith("other", kOtherPort);
    xiv_->MapVolume("v1", "srv", lun, code, text);
    EXPECT_OK();
    EXPECT_EQ(lun, "12");
    lun = "5";
    xiv_->MapVolume("v1", "other", lun, code, text);
    EXPECT_OK();
    EXPECT_EQ(lun, "5");

    std::list<VolMapping*> hosts;
    xiv_->GetHostsMapped("v1", hosts, code, text);
    EXPECT_EQ(hosts.size(), 2u);
    for (VolMapping* m : hosts) delete m;
    hosts.clear();
    xiv_->GetHostsMapped("v2", hosts, code, text);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "MAP_BAD_COMMAND");
    Fresh();
    std::list<ResourceNode*> raw;
    xiv_->GetMappedHosts("v2", raw, code, text);  // the thin form: empty is fine
    EXPECT_OK();
    EXPECT_TRUE(raw.empty());
    EXPECT_EQ(Runs(), (RunCounts{{"map_vol", 2}, {"vol_mapping_list", 3}}));

    xiv_->UnMapVolume("v1", {kPortA}, "srv", code, text);
    EXPECT_OK();
    xiv_->UnMapVolume("v1", {kPortA}, "srv", code, text);  // gone already
    EXPECT_OK();
    EXPECT_EQ(xiv_->GetResult(), "MAPPING_IS_NOT_DEFINED");
    EXPECT_EQ(Runs(), (RunCounts{{"unmap_vol", 2}}));
    xiv_->GetMappedHosts("v1", raw, code, text);
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(dynamic_cast<VolMapping&>(*raw.front()).host, "other");
    FreeResourceList(raw);
}

TEST_F(MappingTest, UnmapWithoutHostNameCoversEveryHostOfThePorts) {
    Volume("v1");
    HostWith("srv2", kOtherPort);
    HostWith("stranger", "10000000C9EEEE01");
    MapAt("v1", "3");
    MapAt("v1", "4", "srv2");
    MapAt("v1", "5", "stranger");
    xiv_->UnMapVolume("v1", {kPortB, kOtherPort}, "", code, text);
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 2}}));
    std::list<ResourceNode*> left;
    xiv_->GetMappedHosts("v1", left, code, text);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(dynamic_cast<VolMapping&>(*left.front()).host, "stranger");
    FreeResourceList(left);

    // The first failure ends the walk.
    MapAt("v1", "3");
    MapAt("v1", "4", "srv2");
    Sim({"fault", "--address", kAddress, "--kind", "fail", "--status", "NO_CONNECTION", "--op",
         "unmap_vol"});
    Runs();
    xiv_->UnMapVolume("v1", {kPortA, kOtherPort}, "", code, text);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 1}}));
}

}  // namespace
