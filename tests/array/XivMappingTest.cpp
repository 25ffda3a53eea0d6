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
    void MapAt(const std::string& volume, const std::string& lun, const std::string& host = "srv") {
        Sim({"map", "--address", kAddress, "--host", host, "--vol", volume, "--lun", lun});
    }
    std::string host, lun;
};

TEST_F(MappingTest, FreeLunIsTheLowestAboveZero) {
    xiv_->GetUnusedLun({kPortA}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "1");
    EXPECT_EQ(host, "srv");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 1}}));

    for (const char* v : {"v2", "v3", "v4"}) Volume(v);
    MapAt("v2", "2");
    MapAt("v3", "3");
    xiv_->GetUnusedLun({kPortA}, host, lun, error);  // the host is known now
    EXPECT_EQ(lun, "1");
    EXPECT_EQ(Runs(), (RunCounts{{"mapping_list", 1}}));

    Volume("v1");
    MapAt("v1", "1");
    MapAt("v4", "4");
    host.clear();
    xiv_->GetUnusedLun({kPortB}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "5");
}

TEST_F(MappingTest, FreeLunTriesEachPortUntilOneResolves) {
    xiv_->GetUnusedLun({kUnknownPort, kPortB}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "1");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 2}, {"mapping_list", 1}}));

    host.clear();
    xiv_->GetUnusedLun({kUnknownPort, kOtherPort}, host, lun, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(xiv_->GetResult(), "HOST_BAD_NAME");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 2}}));

    Fresh();
    xiv_->GetUnusedLun({}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(MappingTest, IsMappedResolvesTheHostOnceForAllPorts) {
    Volume("mapped");
    Volume("loose");
    MapAt("mapped", "7");
    EXPECT_TRUE(xiv_->IsMapped({kPortA, kPortB}, host, "mapped", error));
    EXPECT_OK();
    EXPECT_EQ(host, "srv");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 1}}));

    host.clear();
    EXPECT_FALSE(xiv_->IsMapped({kPortA, kPortB}, host, "loose", error));
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 2}}));

    host.clear();
    EXPECT_FALSE(xiv_->IsMapped({kUnknownPort}, host, "mapped", error));
    EXPECT_EQ(code, -1);
}

TEST_F(MappingTest, MappedVolumesResolveTheHostOnlyWhenUnnamed) {
    Volume("v1");
    MapAt("v1", "9");
    std::vector<HostMapping> mappings;
    xiv_->GetMappedVolumes(kPortB, host, mappings, error);
    EXPECT_OK();
    EXPECT_EQ(host, "srv");
    ASSERT_EQ(mappings.size(), 1u);
    EXPECT_EQ(mappings[0].lun, 9);
    EXPECT_EQ(mappings[0].volume, "v1");
    xiv_->GetMappedVolumes(kPortB, host, mappings, error);
    EXPECT_EQ(mappings.size(), 2u);  // appended: what the caller held stays
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 2}}));
}

TEST_F(MappingTest, MapThenListAndUnmapByHostName) {
    Volume("v1");
    Volume("v2");
    HostWith("other", kOtherPort);
    xiv_->MapVolume("v1", "srv", lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "12");
    lun = "5";
    xiv_->MapVolume("v1", "other", lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "5");

    std::vector<VolMapping> hosts;
    xiv_->GetHostsMapped("v1", hosts, error);
    EXPECT_EQ(hosts.size(), 2u);
    hosts.clear();
    xiv_->GetHostsMapped("v2", hosts, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "MAP_BAD_COMMAND");
    Fresh();
    std::vector<VolMapping> raw;
    xiv_->GetMappedHosts("v2", raw, error);  // the thin form: empty is fine
    EXPECT_OK();
    EXPECT_TRUE(raw.empty());
    EXPECT_EQ(Runs(), (RunCounts{{"map_vol", 2}, {"vol_mapping_list", 3}}));

    xiv_->UnMapVolume("v1", {kPortA}, "srv", error);
    EXPECT_OK();
    xiv_->UnMapVolume("v1", {kPortA}, "srv", error);  // gone already
    EXPECT_OK();
    EXPECT_EQ(xiv_->GetResult(), "MAPPING_IS_NOT_DEFINED");
    EXPECT_EQ(Runs(), (RunCounts{{"unmap_vol", 2}}));
    xiv_->GetMappedHosts("v1", raw, error);
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw.front().host, "other");
}

TEST_F(MappingTest, UnmapWithoutHostNameCoversEveryHostOfThePorts) {
    Volume("v1");
    HostWith("srv2", kOtherPort);
    HostWith("stranger", "10000000C9EEEE01");
    MapAt("v1", "3");
    MapAt("v1", "4", "srv2");
    MapAt("v1", "5", "stranger");
    xiv_->UnMapVolume("v1", {kPortB, kOtherPort}, "", error);
    EXPECT_OK();
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 2}}));
    std::vector<VolMapping> left;
    xiv_->GetMappedHosts("v1", left, error);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.front().host, "stranger");

    // The first failure ends the walk.
    MapAt("v1", "3");
    MapAt("v1", "4", "srv2");
    Sim({"fault", "--address", kAddress, "--kind", "fail", "--status", "NO_CONNECTION", "--op",
         "unmap_vol"});
    Runs();
    xiv_->UnMapVolume("v1", {kPortA, kOtherPort}, "", error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 1}}));
}

}  // namespace
