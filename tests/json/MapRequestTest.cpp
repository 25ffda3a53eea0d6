#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TestData.h"
#include "engine/provision/MapRequest.h"

namespace {

using ::testing::ElementsAre;

// The host log of this process goes to a scratch file, with no settings
// file to change its detail level.
struct ScratchLog {
    TempDir dir{"json-tests"};
    ScopedEnv log{"ZRSO_LOG_FILE", dir.file("debug.log")}, config{"ZRSO_CONFIG", dir.file("none")};
} kLog;

std::string Request(const std::string& name) { return TestData("json/" + name); }

TEST(ParseMapInfo, ReadsHostsInOrderSkippingEmptyEndpointObjects) {
    // Other members are ignored, and so is a syntax error after "hosts".
    std::vector<mapInfo> hosts(1);  // appended to what is there
    ASSERT_TRUE(ParseMapInfo(Request("hosts_then_garbage.json").c_str(), 42u, hosts));
    ASSERT_EQ(hosts.size(), 3u);
    EXPECT_EQ(hosts[1].sHostName, "db1");
    EXPECT_EQ(hosts[1].sOsType, "Red Hat");
    EXPECT_EQ(hosts[1].nProtocol, 4);
    EXPECT_THAT(hosts[1].endPoints, ElementsAre("21000001", "21000002"));
    EXPECT_EQ(hosts[2].sHostName, "win");
    EXPECT_EQ(hosts[2].nProtocol, 3);
    EXPECT_THAT(hosts[2].endPoints, ElementsAre("iqn.1991-05.com.x:w"));

    std::vector<mapInfo> none;
    EXPECT_TRUE(ParseMapInfo(R"({"hosts":[]})", 1u, none));
    EXPECT_TRUE(none.empty());
    // Of known length, without a NUL after it.
    const std::string one =
        R"({"hosts":[{"hostname":"h","hostos":"AIX","protocol":"4","endpoints":[]}]})";
    EXPECT_TRUE(ParseMapInfo((one + "garbage").data(), one.size(), 1u, none));
    EXPECT_EQ(none.size(), 1u);

    // The protocol is the leading integer of a string: "5" is read as it is
    // (the map entry points refuse it); out of range is held at the bound,
    // never wrapped round onto a valid 3.
    std::vector<mapInfo> protocols;
    ASSERT_TRUE(ParseMapInfo(Request("protocols.json").c_str(), 1u, protocols));
    std::vector<int> got;
    for (const mapInfo& h : protocols) got.push_back(h.nProtocol);
    EXPECT_EQ(got, (std::vector<int>{4, 5, 0, 0, 0, 3, -2, 32767, 32767, -32768}));
}

// The unmappable_ requests of tests/data/json: not an object with well-formed
// hosts, all or nothing.
TEST(ParseMapInfo, RejectsWhatIsNotAnObjectWithWellFormedHosts) {
    int files = 0;
    for (const auto& f : std::filesystem::directory_iterator(TestDataPath("json"))) {
        if (f.path().filename().string().rfind("unmappable_", 0) != 0) continue;
        std::vector<mapInfo> hosts;
        EXPECT_FALSE(ParseMapInfo(ReadFileText(f.path()).c_str(), 7u, hosts)) << f.path();
        EXPECT_TRUE(hosts.empty()) << f.path();
        ++files;
    }
    EXPECT_GT(files, 15);
    std::vector<mapInfo> hosts;
    EXPECT_FALSE(ParseMapInfo(nullptr, 1u, hosts));
    EXPECT_FALSE(ParseMapInfo(nullptr, 10, 1u, hosts));
}

TEST(XlateOsType, TranslatesByTheFirstNameFound) {
    for (const auto& row : TestTable("os_types.txt")) {
        std::string os = row[0];
        xlateOsType(os);
        EXPECT_EQ(os, row[1]) << row[0];
    }
}

}  // namespace
