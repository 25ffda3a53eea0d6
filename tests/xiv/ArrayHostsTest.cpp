// Host objects, LUN choice, map and unmap against the simulated array.
#include "XivTests.h"

namespace {

const char kPortA[] = "10000000C9A1B2C3";
const char kPortB[] = "10000000C9A1B2C4";
const char kOtherPort[] = "10000000C9FFFF01";
const char kUnknownPort[] = "2100000000000000";

class HostsTest : public SimArrayTest {
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

TEST_F(HostsTest, CreateHostSkipsTakenNamesAndAddsPortsByKind) {
    Sim({"host-create", "--host", "client_9876"});
    Sim({"host-create", "--host", "client_9875"});
    std::string name = "client";
    xiv_->CreateHost({kOtherPort, "iqn.1994-05.com.example:client"}, false, name, error);
    EXPECT_OK();
    EXPECT_EQ(name, "client_9874");
    std::vector<std::string> adds = ArgsOf("host_add_port");
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_NE(adds[0].find("fcaddress="), std::string::npos) << adds[0];
    EXPECT_NE(adds[1].find("iscsi_name="), std::string::npos) << adds[1];
    EXPECT_EQ(Runs(), (RunCounts{{"host_define", 3}, {"host_add_port", 2}}));
    xiv_->GetMyHostName("", "IQN.1994-05.com.example:CLIENT", error);
    EXPECT_EQ(xiv_->sMyHostName, "client_9874");
    Runs();

    // A define that fails leaves the name alone and adds no port.
    Fail("host_define");
    name = "other";
    xiv_->CreateHost({kUnknownPort}, false, name, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(name, "other");
    EXPECT_EQ(Runs(), (RunCounts{{"host_define", 1}}));
}

TEST_F(HostsTest, ListAndDeleteHostObjects) {
    Sim({"host-create", "--host", "h2"});
    std::vector<Host> hosts;
    xiv_->GetAllHosts(hosts, error);
    EXPECT_OK();
    ASSERT_EQ(hosts.size(), 2u);
    EXPECT_EQ(hosts[0].name == "srv" ? hosts[0].fc_ports : hosts[1].fc_ports,
              std::string(kPortA) + "," + kPortB);
    xiv_->DeleteHost("srv", error);
    xiv_->DeleteHost("h2", error);
    EXPECT_OK();
    hosts.clear();
    xiv_->GetAllHosts(hosts, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "HOST_BAD_COMMAND");
    EXPECT_NE(text.find("hosts lists not found."), std::string::npos);
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 2}, {"host_delete", 2}}));
}

TEST_F(HostsTest, FreeLunIsTheLowestAboveZero) {
    xiv_->GetUnusedLun({kPortA}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "1");
    EXPECT_EQ(host, "srv");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 1}}));
    for (const char* v : {"v1", "v2", "v3", "v4"}) Volume(v);
    MapAt("v2", "2");
    MapAt("v3", "3");
    xiv_->GetUnusedLun({kPortA}, host, lun, error);  // the host is known now
    EXPECT_EQ(lun, "1");
    EXPECT_EQ(Runs(), (RunCounts{{"mapping_list", 1}}));
    MapAt("v1", "1");
    MapAt("v4", "4");
    host.clear();
    xiv_->GetUnusedLun({kPortB}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "5");
}

TEST_F(HostsTest, FreeLunTriesEachPortUntilOneResolves) {
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
    error.clear();
    xiv_->GetUnusedLun({}, host, lun, error);
    EXPECT_OK();
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(Runs(), RunCounts{});
}

TEST_F(HostsTest, IsMappedAndMappedVolumesResolveTheHostOnce) {
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
    Runs();

    std::vector<HostMapping> mappings;
    host.clear();
    xiv_->GetMappedVolumes(kPortB, host, mappings, error);
    EXPECT_OK();
    EXPECT_EQ(host, "srv");
    ASSERT_EQ(mappings.size(), 1u);
    EXPECT_EQ(mappings[0].lun, 7);
    EXPECT_EQ(mappings[0].volume, "mapped");
    xiv_->GetMappedVolumes(kPortB, host, mappings, error);
    EXPECT_EQ(mappings.size(), 2u);  // appended: what the caller held stays
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"mapping_list", 2}}));
}

TEST_F(HostsTest, MapThenListAndUnmapByHostName) {
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
    std::vector<VolMapping> hosts, raw;
    xiv_->GetHostsMapped("v1", hosts, error);
    EXPECT_EQ(hosts.size(), 2u);
    hosts.clear();
    xiv_->GetHostsMapped("v2", hosts, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "MAP_BAD_COMMAND");
    error.clear();
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

TEST_F(HostsTest, UnmapWithoutHostNameCoversEveryHostOfThePorts) {
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
    Fail("unmap_vol");
    Runs();
    xiv_->UnMapVolume("v1", {kPortA, kOtherPort}, "", error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "NO_CONNECTION");
    EXPECT_EQ(Runs(), (RunCounts{{"host_list", 1}, {"unmap_vol", 1}}));
}

}  // namespace
