// This host's initiators as the array should see them, its device list and
// its rescans, all through the host's service object.
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "engine/mount/Discovery.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"

namespace {

using Names = std::list<std::string>;
const char* const kFc = "50:01:73:80:12:34:01:40";
const char* const kIscsi = "iqn.1994-05.com.redhat:host-1";

struct DiscoveryTest : ::testing::Test {
    FakeSnapInfo info;
    FakeZROSUtil os;
    std::string controlHost = "xiv-a";
    Names loggedIn;  // the array's answer, in its order
    bool queryFails = false;
    Names found;
    bool iscsi = false;

    int Detect(const std::string& client = "client-1") {
        found.clear();
        LoggedInQuery query = [this](Names& ports, Names& out, XivError& error,
                                     std::string& result) {
            error.code = queryFails ? -1 : 0;
            result = queryFails ? "NO_CONNECTION" : "SUCCESS";
            for (const std::string& port : queryFails ? Names() : loggedIn)
                for (const std::string& mine : ports)
                    if (mine == port) out.push_back(port);
        };
        return detectHBA(found, iscsi, controlHost, &os, client, query, &info);
    }
};

TEST_F(DiscoveryTest, InitiatorsLoggedInComeInTheArraysOrderElseAllReversed) {
    os.initiators = {{kFc, false}, {kIscsi, true}};
    ASSERT_EQ(Detect(), 1) << info.logText();
    EXPECT_EQ(found, (Names{kIscsi, "5001738012340140"}));  // colons dropped
    EXPECT_TRUE(iscsi);                                     // the kind of the last initiator
    os.initiators = {{kIscsi, true}, {kFc, false}};
    ASSERT_EQ(Detect(), 1);
    EXPECT_FALSE(iscsi);

    os.initiators = {{"a1", false}, {"b2", false}, {"c3", false}};
    loggedIn = {"c3", "a1"};
    ASSERT_EQ(Detect(), 1);
    EXPECT_EQ(found, (Names{"c3", "a1"}));
    queryFails = true;
    ASSERT_EQ(Detect(), 1);
    EXPECT_EQ(found, (Names{"c3", "b2", "a1"}));

    // Without a control host nothing is split out; without initiators, nothing found.
    controlHost.clear();
    EXPECT_EQ(Detect("{esxname:esx-1,password:esx-secret}"), 1);
    EXPECT_TRUE(found.empty());
    os.initiators.clear();
    EXPECT_EQ(Detect(), 0);
}

TEST_F(DiscoveryTest, SingleInitiatorOfAnEsxServer) {
    std::string initiator;
    os.hostHBA = kFc;
    ASSERT_EQ(detectHBA(initiator, iscsi, controlHost, &os, "esx-1", &info), 1);
    EXPECT_EQ(initiator, "5001738012340140");
    os.hostHBA.reset();
    os.hostHBA = kIscsi;
    os.hostHBAIscsi = true;
    os.hostHBA.then(TextStep::TooSmall(5000));
    ASSERT_EQ(detectHBA(initiator, iscsi, controlHost, &os, "esx-1", &info), 1);
    EXPECT_EQ(initiator, kIscsi);
    EXPECT_EQ(os.hostHBA.sizesOffered(), (std::vector<int>{4096, 5000}));
    os.hostHBA.tooSmallForever(6000);  // a host that never settles is given up on
    EXPECT_EQ(detectHBA(initiator, iscsi, controlHost, &os, "esx-1", &info), 0);
}

TEST_F(DiscoveryTest, DeviceListsAndRescans) {
    Names devices{"stale"};
    os.hostDevices = {"a", "b", "c", ""};
    ASSERT_EQ(getDeviceList(devices, &os, "client-1", "IBM", &info), 1);
    EXPECT_EQ(devices, (Names{"a", "b", "c"}));
    os.hostDevices = {"a", "", "b"};
    os.hostDevicesScript.then(TextStep::TooSmall(20000));
    ASSERT_EQ(getDeviceList(devices, &os, "client-1", "IBM", &info), 1);
    EXPECT_EQ(devices, (Names{"a", "", "b"}));
    EXPECT_EQ(os.hostDevicesScript.sizesOffered(), (std::vector<int>{16384, 16384, 20000}));
    os.hostDevicesScript.failAlways(-2);
    EXPECT_EQ(getDeviceList(devices, &os, "client-1", "IBM", &info), 0);

    refreshSystemBus(&os, {"p1", "p2"}, {"/dev/sdb"}, "client-1");
    ASSERT_EQ(os.rescans.size(), 1u);
    EXPECT_EQ(os.rescans[0].host, "client-1");
    EXPECT_EQ(os.rescans[0].initiators, (std::vector<std::string>{"p1", "p2"}));
    EXPECT_EQ(os.rescans[0].devices, std::vector<std::string>{"/dev/sdb"});
}

}  // namespace
