// Host objects, port ownership, connectivity, mappings and concurrent runs.
#include <algorithm>

#include "SimHarness.h"

namespace simtest {
namespace {

class SimHostRules : public SimWorld {
protected:
    void SetUp() override {
        SimWorld::SetUp();
        ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v1", "size=17", "pool=p1"}));
        ASSERT_EQ("SUCCESS", status({"vol_create", "vol=v2", "size=17", "pool=p1"}));
        ASSERT_EQ("SUCCESS", status({"host_define", "host=h1"}));
    }
};

TEST_F(SimHostRules, PortsBelongToOneHost) {
    EXPECT_EQ("HOST_NAME_EXISTS", status({"host_define", "host=h1"}));
    ASSERT_EQ("SUCCESS", status({"host_define", "host=h2"}));
    ASSERT_EQ("SUCCESS", status({"host_add_port", "host=h1", "fcaddress=50:01:73:80:12:34:01:40"}));
    ASSERT_EQ("SUCCESS", status({"host_add_port", "host=h1", "fcaddress=5001738012340141"}));
    ASSERT_EQ("SUCCESS",
              status({"host_add_port", "host=h1", "iscsi_name=iqn.1994-05.com.redhat:client"}));
    // The same port in another spelling is still the same port.
    EXPECT_EQ("HOST_PORT_EXISTS",
              status({"host_add_port", "host=h2", "fcaddress=5001738012340140"}));
    EXPECT_EQ("HOST_PORT_EXISTS",
              status({"host_add_port", "host=h2", "fcaddress=50:01:73:80:12:34:01:41"}));
    EXPECT_EQ("HOST_PORT_EXISTS",
              status({"host_add_port", "host=h2", "iscsi_name=IQN.1994-05.com.redhat:CLIENT"}));
    EXPECT_EQ("ILLEGAL_PORT_NAME", status({"host_add_port", "host=h2", "fcaddress=12345"}));
    EXPECT_EQ("ILLEGAL_PORT_NAME", status({"host_add_port", "host=h2", "iscsi_name=client"}));
    EXPECT_EQ("BAD_PARAMS", status({"host_add_port", "host=h2"}));
    EXPECT_EQ("HOST_BAD_NAME", status({"host_add_port", "host=h9", "fcaddress=5001738012340142"}));

    auto hosts = resourcesOf(xcli({"host_list"}).out, "host");
    ASSERT_EQ(2u, hosts.size());
    EXPECT_EQ("h1", hosts[0]["name"]);
    EXPECT_EQ("5001738012340140,5001738012340141", hosts[0]["fc_ports"]);
    EXPECT_EQ("iqn.1994-05.com.redhat:client", hosts[0]["iscsi_ports"]);
    EXPECT_EQ("", hosts[1]["fc_ports"]);

    ASSERT_EQ("SUCCESS", status({"host_delete", "host=h1"}));
    EXPECT_EQ("SUCCESS", status({"host_add_port", "host=h2", "fcaddress=5001738012340140"}));
    EXPECT_EQ("HOST_BAD_NAME", status({"host_delete", "host=h1"}));
}

TEST_F(SimHostRules, ConnectivityListsLoggedInPorts) {
    ASSERT_EQ("SUCCESS", status({"host_add_port", "host=h1", "fcaddress=5001738012340140"}));
    ASSERT_EQ("SUCCESS", status({"host_add_port", "host=h1", "fcaddress=5001738012340141"}));
    EXPECT_TRUE(resourcesOf(xcli({"host_connectivity_list"}).out, "host_connectivity").empty());
    ASSERT_EQ(
        0, admin({"port-login", "--address", "xiv-a", "--port", "50:01:73:80:12:34:01:41"}).code);
    auto conn = resourcesOf(xcli({"host_connectivity_list"}).out, "host_connectivity");
    ASSERT_EQ(1u, conn.size());
    EXPECT_EQ("h1", conn[0]["host"]);
    EXPECT_EQ("5001738012340141", conn[0]["host_port"]);
    ASSERT_EQ(
        0, admin({"port-login", "--address", "xiv-a", "--port", "5001738012340141", "--off"}).code);
    EXPECT_TRUE(resourcesOf(xcli({"host_connectivity_list"}).out, "host_connectivity").empty());
}

TEST_F(SimHostRules, MappingRules) {
    EXPECT_EQ("SUCCESS", status({"map_vol", "host=h1", "vol=v1", "lun=0"}));
    EXPECT_EQ("LUN_ALREADY_IN_USE", status({"map_vol", "host=h1", "vol=v2", "lun=0"}));
    EXPECT_EQ("VOLUME_ALREADY_ASSIGNED", status({"map_vol", "host=h1", "vol=v1", "lun=5"}));
    EXPECT_EQ("EXT_LUN_ILLEGAL", status({"map_vol", "host=h1", "vol=v2", "lun=512"}));
    EXPECT_EQ("BAD_PARAMS", status({"map_vol", "host=h1", "vol=v2", "lun=-1"}));
    EXPECT_EQ("SUCCESS", status({"map_vol", "host=h1", "vol=v2", "lun=511"}));
    EXPECT_EQ("HOST_BAD_NAME", status({"map_vol", "host=h9", "vol=v2", "lun=7"}));
    EXPECT_EQ("VOLUME_BAD_NAME", status({"map_vol", "host=h1", "vol=v9", "lun=7"}));
    ASSERT_EQ("SUCCESS", status({"host_define", "host=h2"}));
    EXPECT_EQ("SUCCESS", status({"map_vol", "host=h2", "vol=v1", "lun=0"}));  // LUNs are per host

    auto maps = resourcesOf(xcli({"mapping_list", "host=h1"}).out, "mapping");
    ASSERT_EQ(2u, maps.size());
    EXPECT_EQ("0", maps[0]["lun"]);
    EXPECT_EQ("v1", maps[0]["volume"]);
    EXPECT_EQ("511", maps[1]["lun"]);
    EXPECT_EQ("HOST_BAD_NAME", status({"mapping_list", "host=h9"}));
    auto hosts = resourcesOf(xcli({"vol_mapping_list", "vol=v1"}).out, "vol_mapping");
    ASSERT_EQ(2u, hosts.size());
    EXPECT_EQ("h1", hosts[0]["host"]);
    EXPECT_EQ("0", hosts[1]["lun"]);
    EXPECT_EQ("VOLUME_BAD_NAME", status({"vol_mapping_list", "vol=v9"}));

    EXPECT_EQ("SUCCESS", status({"unmap_vol", "host=h1", "vol=v1"}));
    EXPECT_EQ("MAPPING_IS_NOT_DEFINED", status({"unmap_vol", "host=h1", "vol=v1"}));
    EXPECT_EQ("VOLUME_BAD_NAME", status({"unmap_vol", "host=h1", "vol=v9"}));
    // Deleting a host takes its mappings along.
    ASSERT_EQ("SUCCESS", status({"host_delete", "host=h2"}));
    EXPECT_TRUE(resourcesOf(xcli({"vol_mapping_list", "vol=v1"}).out, "vol_mapping").empty());
}

TEST_F(SimHostRules, SimultaneousCommandsOnOneArrayAreSerialised) {
    // Two clients race for one LUN: exactly one wins, nothing is lost.
    std::vector<Started> started;
    for (auto vol : {"vol=v1", "vol=v2"})
        started.push_back(startProgram("xcli", xcliArgs({"map_vol", "host=h1", vol, "lun=9"})));
    std::vector<std::string> statuses;
    for (auto& s : started) statuses.push_back(statusOf(finish(s).out));
    std::sort(statuses.begin(), statuses.end());
    EXPECT_EQ((std::vector<std::string>{"LUN_ALREADY_IN_USE", "SUCCESS"}), statuses);

    started.clear();
    for (int i = 0; i < 4; ++i)
        started.push_back(startProgram(
            "xcli", xcliArgs({"vol_create", "vol=c" + std::to_string(i), "size=17", "pool=p1"})));
    for (auto& s : started) EXPECT_EQ("SUCCESS", statusOf(finish(s).out));
    EXPECT_EQ(6u, resourcesOf(xcli({"vol_list"}).out, "volume").size());
}

}  // namespace
}  // namespace simtest
