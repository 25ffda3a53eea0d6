// Answers a well-behaved array never gives, and names the command layer
// refuses: the array object must neither crash nor misread them.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "ScriptedXcli.h"
#include "SimWorld.h"
#include "host/rt/DebugLog.h"
#include "xiv/Xiv.h"

namespace {

using Runs = std::vector<std::string>;

class OddAnswersTest : public ::testing::Test {
protected:
    void SetUp() override {
        xiv_ = std::make_unique<Xiv>("admin", "pw", "array-x", xcli_.dir(), XivLogger(DebugLog()));
    }
    void Fresh() { error.clear(); }
    static XmlRecord HostRecord(const std::string& name, const std::string& fc,
                                const std::string& iscsi) {
        return {"host", {{"name", name}, {"fc_ports", fc}, {"iscsi_ports", iscsi}}};
    }
    static XmlRecord MappingRecord(const std::string& lun, const std::string& volume) {
        return {"mapping", {{"lun", lun}, {"volume", volume}}};
    }

    SimWorld env_;  // private log and settings for the children
    ScriptedXcli xcli_;
    std::unique_ptr<Xiv> xiv_;
    XivError error;
    int& code = error.code;
    std::string& text = error.text;
};

TEST_F(OddAnswersTest, ThousandsOfHostsWithEmptyAndMissingPortLists) {
    std::vector<XmlRecord> hosts;
    for (int i = 0; i < 4000; ++i) hosts.push_back(HostRecord("h" + std::to_string(i), "", ""));
    hosts.push_back({"host", {{"name", "no_port_fields"}}});
    hosts.push_back({"volume", {{"name", "stray"}}});  // a foreign record kind
    hosts.push_back(HostRecord("mine", "10000000C9A1B2C0,10000000C9A1B2C1", ""));
    hosts.push_back(HostRecord("also_mine", "", "iqn.2000-01.com.example:me"));
    xcli_.Answer("host_list", XmlAnswer("SUCCESS", hosts));

    xiv_->GetMyHostName("10000000c9a1b2c1", "", error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(xiv_->sMyHostName, "mine");

    Fresh();
    std::set<std::string> names;
    xiv_->GetAllMyHostNames({"iqn.2000-01.com.example:me", "10000000C9A1B2C0"}, names, error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(names, (std::set<std::string>{"mine", "also_mine"}));

    // Empty port names never match a host whose lists are empty.
    Fresh();
    xiv_->GetMyHostName("", "", error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "HOST_BAD_NAME");
    EXPECT_EQ(xcli_.TakeRuns(), (Runs{"host_list", "host_list", "host_list"}));
}

TEST_F(OddAnswersTest, PortMatchesWholeEntriesOnly) {
    xcli_.Answer(
        "host_list",
        XmlAnswer("SUCCESS", {HostRecord("wide", "10000000C9A1B2C0FF", ""),
                              HostRecord("spaced", "20000000C9A1B2C0, 10000000C9A1B2C0", "")}));
    xiv_->GetMyHostName("10000000C9A1B2C0", "", error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(xiv_->sMyHostName, "spaced");
    Fresh();
    xiv_->GetMyHostName("C9A1B2C0", "", error);
    EXPECT_EQ(code, -1);
}

TEST_F(OddAnswersTest, NonNumericAndOutOfRangeLunsDoNotBlockAChoice) {
    xcli_.Answer("mapping_list",
                 XmlAnswer("SUCCESS", {MappingRecord("abc", "a"),
                                       MappingRecord("", "b"),
                                       MappingRecord("-4", "c"),
                                       MappingRecord("300", "d"),
                                       MappingRecord("1", "e"),
                                       MappingRecord("2", "f"),
                                       {"vol_mapping", {{"lun", "3"}, {"host", "x"}}},
                                       {"mapping", {}}}));
    std::string host = "srv", lun;
    xiv_->GetUnusedLun({"10000000C9A1B2C0"}, host, lun, error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(lun, "3");

    Fresh();
    EXPECT_TRUE(xiv_->IsMapped({"p"}, host, "d", error));
    Fresh();
    EXPECT_FALSE(xiv_->IsMapped({"p"}, host, "x", error));
    EXPECT_EQ(code, 0);
}

TEST_F(OddAnswersTest, EveryLunTakenGivesMinusOneWithoutError) {
    std::vector<XmlRecord> mappings;
    for (int lun = 255; lun >= 0; --lun)
        mappings.push_back(MappingRecord(std::to_string(lun), "v" + std::to_string(lun)));
    xcli_.Answer("mapping_list", XmlAnswer("SUCCESS", mappings));
    std::string host = "srv", lun;
    xiv_->GetUnusedLun({"p1", "p2"}, host, lun, error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(xcli_.TakeRuns(), (Runs{"mapping_list"}));  // the first listing decides
}

TEST_F(OddAnswersTest, LoggedInPortsFollowTheConnectivityListing) {
    auto conn = [](const std::string& port) {
        return XmlRecord{"host_connectivity", {{"host", "srv"}, {"host_port", port}}};
    };
    xcli_.Answer("host_connectivity_list", XmlAnswer("SUCCESS", {conn("PORTB"),
                                                                 conn("porta"),
                                                                 {"host", {}},
                                                                 conn("PORTB"),
                                                                 {"host_connectivity", {}}}));
    std::list<std::string> ports{"PortA", "portb"};
    std::list<std::string> loggedIn;
    xiv_->GetLoggedInHBAs(ports, loggedIn, error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(loggedIn, (std::list<std::string>{"portb", "PortA"}));
    EXPECT_TRUE(ports.empty());
}

TEST_F(OddAnswersTest, ForeignRecordKindsAreNotHandedOutAsVolumes) {
    xcli_.Answer("vol_list",
                 XmlAnswer("SUCCESS", {{"host", {{"name", "not_a_volume"}}},
                                       {"volume", {{"name", "real"}, {"wwn", "6001738A"}}},
                                       {"pool", {{"name", "p"}}}}));
    std::vector<XivVol> vols;
    xiv_->GetAllVolumes(vols, error);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(vols.size(), 1u);
    EXPECT_EQ(vols.front().name, "real");

    Fresh();
    XivVol volume;
    volume.wwn = "6001738A";
    std::map<std::string, std::string> names;
    xiv_->GetVolumeByWWN(volume, names, error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(volume.name, "real");

    xcli_.Answer("pool_list", XmlAnswer("SUCCESS", {{"host", {{"name", "h"}}}}));
    Fresh();
    std::vector<XivPool> pools;
    xiv_->GetAllResourcePools(pools, error);
    EXPECT_EQ(code, -1);
    EXPECT_TRUE(pools.empty());
    EXPECT_EQ(xiv_->GetResult(), "POOL_BAD_COMMAND");
}

TEST_F(OddAnswersTest, UnreadableFallbackListingReportsItsStatus) {
    xcli_.Answer("vol_list", XmlAnswer("UNKNOWN_ARGUMENTS", {}));
    xcli_.Answer("vol_list", "banner line\nVOLUME_BAD_NAME,No volume found\n", true);
    XivVol volume;
    volume.wwn = "6001738B";
    std::map<std::string, std::string> names;
    xiv_->GetVolumeByWWN(volume, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xiv_->GetResult(), "VOLUME_BAD_NAME");
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(xcli_.TakeRuns(), (Runs{"vol_list", "vol_list -s"}));
}

TEST_F(OddAnswersTest, RefusedNamesFailBeforeAnyRun) {
    // An earlier refusal of wwn= must not turn a refused WWN into a fallback.
    xcli_.Answer("vol_list", XmlAnswer("UNKNOWN_ARGUMENTS", {}));
    xcli_.Answer("vol_list", "Name,WWN\nv,6001738C\n", true);
    XivVol volume;
    volume.wwn = "6001738C";
    std::map<std::string, std::string> names;
    xiv_->GetVolumeByWWN(volume, names, error);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(volume.name, "v");
    xcli_.TakeRuns();

    XivVol refused;
    refused.wwn = "6001738C\"";
    xiv_->GetVolumeByWWN(refused, names, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(refused.name, "");
    std::string lun = "3", host = "h\r";
    Fresh();
    xiv_->MapVolume(std::string("v\0w", 3), "srv", lun, error);
    EXPECT_EQ(code, -1);
    Fresh();
    EXPECT_FALSE(xiv_->IsMapped({"p"}, host, "v", error));
    EXPECT_EQ(code, -1);
    Fresh();
    xiv_->ResizeVolume("v\n", 1, error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(xcli_.TakeRuns(), Runs{});
}

}  // namespace
