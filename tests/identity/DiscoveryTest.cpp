// This host's initiators as the array should see them, and its device list,
// through the host's service object.
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

TEST(Discovery, InitiatorsLoggedInComeInTheArraysOrderElseAllReversed) {
    FakeSnapInfo info;
    FakeZROSUtil os;
    std::string controlHost = "xiv-a";
    Names loggedIn, found;  // the array's answer, in its order; "!": no answer
    bool iscsi = false;
    auto detect = [&](const std::string& client) {
        found.clear();
        LoggedInQuery query = [&](Names& ports, Names& out, XivError& error, std::string& result) {
            const bool fails = loggedIn == Names{"!"};
            error.code = fails ? -1 : 0;
            result = fails ? "NO_CONNECTION" : "SUCCESS";
            for (const std::string& port : loggedIn)
                for (const std::string& mine : ports)
                    if (mine == port) out.push_back(port);
        };
        return detectHBA(found, iscsi, controlHost, &os, client, query, &info);
    };
    os.initiators = {{kFc, false}, {kIscsi, true}};
    ASSERT_EQ(detect("client-1"), 1) << info.logText();
    EXPECT_EQ(found, (Names{kIscsi, "5001738012340140"}));  // colons dropped
    EXPECT_TRUE(iscsi);                                     // the kind of the last initiator
    os.initiators = {{kIscsi, true}, {kFc, false}};
    ASSERT_EQ(detect("client-1"), 1);
    EXPECT_FALSE(iscsi);

    os.initiators = {{"a1", false}, {"b2", false}, {"c3", false}};
    loggedIn = {"c3", "a1"};
    ASSERT_EQ(detect("client-1"), 1);
    EXPECT_EQ(found, (Names{"c3", "a1"}));
    loggedIn = {"!"};
    ASSERT_EQ(detect("client-1"), 1);
    EXPECT_EQ(found, (Names{"c3", "b2", "a1"}));

    // Without a control host nothing is split out; without initiators, nothing found.
    controlHost.clear();
    EXPECT_EQ(detect("{esxname:esx-1,password:esx-secret}"), 1);
    EXPECT_TRUE(found.empty());
    os.initiators.clear();
    EXPECT_EQ(detect("client-1"), 0);
}

TEST(Discovery, SingleInitiatorOfAnEsxServerAndDeviceLists) {
    FakeSnapInfo info;
    FakeZROSUtil os;
    std::string controlHost = "xiv-a", initiator;
    bool iscsi = false;
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
}

}  // namespace
