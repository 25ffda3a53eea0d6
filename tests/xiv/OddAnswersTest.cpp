// Answers a well-behaved array never gives, from the scripted xcli: the array
// object must neither crash nor misread them. Port matching is tested here.
#include <list>
#include <map>
#include <set>

#include "XivTests.h"

namespace {

class OddAnswersTest : public ::testing::Test {
protected:
    ScriptedXcli xcli_;
    Xiv xiv_{"admin", "pw", "array-x", xcli_.dir(), XivLogger(DebugLog())};
    XivError error;
    int& code = error.code;
    std::string& text = error.text;
};

TEST_F(OddAnswersTest, PortsMatchWholeEntriesInAnyCase) {
    xcli_.answer(Canned("host_list_ports.xml"));
    xiv_.GetMyHostName("10000000c9a1b2c0", "", error);
    EXPECT_EQ(code, 0) << text;
    EXPECT_EQ(xiv_.sMyHostName, "srv");
    xiv_.GetMyHostName("", "IQN.1994-05.COM.EXAMPLE:HOST1", error);
    EXPECT_EQ(xiv_.sMyHostName, "mine");
    for (const char* part : {"C9A1B2C0", ""}) {  // empty names never match empty lists
        xiv_.GetMyHostName(part, part, error);
        EXPECT_EQ(code, -1) << part;
        EXPECT_EQ(text.rfind("Host name not found", 0), 0u) << text;
        EXPECT_EQ(xiv_.GetResult(), "HOST_BAD_NAME");
        EXPECT_EQ(xiv_.sMyHostName, "mine");  // kept from the earlier match
    }
    std::set<std::string> names;
    xiv_.GetAllMyHostNames(
        {"iqn.1994-05.com.example:host1", "", "10000000C9A1B2C4", "10000000C9A1B2C0"}, names,
        error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(names, (std::set<std::string>{"mine", "second", "srv"}));
    names.clear();
    xiv_.GetAllMyHostNames({"2100000000000000"}, names, error);
    EXPECT_FAILED("HOST_BAD_NAME");
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(xcli_.runs(), 6);

    // A failed listing keeps its own error, not "no host holds the port".
    xcli_.answer(Answer("NO_CONNECTION"));
    xiv_.GetMyHostName("10000000C9A1B2C4", "", error);
    EXPECT_FAILED("NO_CONNECTION");
    xiv_.GetAllMyHostNames({"10000000C9A1B2C4"}, names, error);
    EXPECT_FAILED("NO_CONNECTION");
}

TEST_F(OddAnswersTest, LoggedInPortsMoveToTheOutputOnce) {
    xcli_.answer(Canned("host_connectivity_list.xml"));
    std::list<std::string> ports{"PortA", "portb", "portc"}, loggedIn;
    xiv_.GetLoggedInHBAs(ports, loggedIn, error);
    EXPECT_EQ(code, 0);
    // Moved as given, in listing order; the rest stays behind.
    EXPECT_EQ(loggedIn, (std::list<std::string>{"portb", "PortA"}));
    EXPECT_EQ(ports, std::list<std::string>{"portc"});
    EXPECT_EQ(xcli_.runs(), 1);
}

TEST_F(OddAnswersTest, NonNumericAndOutOfRangeLunsDoNotBlockAChoice) {
    xcli_.answer(Canned("mapping_list_odd.xml"));
    std::string host = "srv", lun;
    xiv_.GetUnusedLun({"10000000C9A1B2C0"}, host, lun, error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(lun, "3");
    EXPECT_TRUE(xiv_.IsMapped({"p"}, host, "d", error));
    EXPECT_FALSE(xiv_.IsMapped({"p"}, host, "x", error));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(xcli_.runs(), 3);  // the host was known

    // Every LUN taken: -1 without error; the first listing decides.
    xcli_.answer(Canned("mapping_list_full.xml"));
    xiv_.GetUnusedLun({"p1", "p2"}, host, lun, error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(lun, "-1");
    EXPECT_EQ(xcli_.runs(), 4);
}

TEST_F(OddAnswersTest, ForeignRecordKindsAreNotHandedOut) {
    xcli_.answer(Canned("vol_list_foreign.xml"));
    std::vector<XivVol> vols;
    xiv_.GetAllVolumes(vols, error);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(vols.size(), 1u);
    EXPECT_EQ(vols.front().name, "real");
    XivVol volume;
    volume.wwn = "6001738A";
    std::map<std::string, std::string> names;
    xiv_.GetVolumeByWWN(volume, names, error);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(volume.name, "real");

    xcli_.answer(Canned("pool_list_foreign.xml"));
    std::vector<XivPool> pools;
    xiv_.GetAllResourcePools(pools, error);
    EXPECT_FAILED("POOL_BAD_COMMAND");
    EXPECT_NE(text.find("Pool lists not found."), std::string::npos) << text;
    EXPECT_TRUE(pools.empty());
}

TEST_F(OddAnswersTest, UnreadableFallbackListingReportsItsStatus) {
    xcli_.answerFor(1, Answer("UNKNOWN_ARGUMENTS"));
    xcli_.answerFor(2, "banner line\nVOLUME_BAD_NAME,No volume found\n");
    XivVol volume;
    volume.wwn = "6001738B";
    std::map<std::string, std::string> names;
    xiv_.GetVolumeByWWN(volume, names, error);
    EXPECT_FAILED("VOLUME_BAD_NAME");
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(xcli_.runs(), 2);  // the second the comma-separated listing
}

}  // namespace
