#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/provision/MapRequest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The host log of this process goes to a scratch file (set before the first
// log opens it), with no settings file to change its detail level.
struct ScratchLog {
    ScratchLog() : path(::testing::TempDir() + "json_tests." + std::to_string(getpid()) + ".log") {
        setenv("ZRSO_LOG_FILE", path.c_str(), 1);
        setenv("ZRSO_CONFIG", (path + ".absent").c_str(), 1);
    }
    ~ScratchLog() { std::remove(path.c_str()); }
    const std::string path;
} kLog;

std::string LogText() {
    std::ostringstream text;
    text << std::ifstream(kLog.path).rdbuf();
    return text.str();
}

std::string Host(const std::string& name, const std::string& os, const std::string& protocol,
                 const std::string& endpoints) {
    return R"({"hostname":")" + name + R"(","hostos":")" + os + R"(","protocol":)" + protocol +
           R"(,"endpoints":)" + endpoints + "}";
}

std::string Request(const std::string& hosts) { return R"({"hosts":[)" + hosts + "]}"; }

TEST(ParseMapInfo, ReadsHostsInOrderSkippingEmptyEndpointObjects) {
    // Other members are ignored, and so is a syntax error after "hosts".
    const std::string request =
        R"({"job":"x","hosts":[)" +
        Host("db1", "Red Hat", R"("4")",
             R"([{},{"endpoint":"21000001"},{"endpoint":"21000002","x":1}])") +
        "," + Host("win", "Windows", R"("3")", R"([{"endpoint":"iqn.1991-05.com.x:w"}])") +
        R"(],"extra":{"n":[1]},"tail":[tru)";
    std::vector<mapInfo> hosts(1);  // appended to what is there
    ASSERT_TRUE(ParseMapInfo(request.c_str(), 42u, hosts));
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
    const std::string one = Request(Host("h", "AIX", R"("4")", "[]"));
    EXPECT_TRUE(ParseMapInfo((one + "garbage").data(), one.size(), 1u, none));
    EXPECT_EQ(none.size(), 1u);
}

TEST(ParseMapInfo, ProtocolIsTheLeadingIntegerOfAString) {
    // 5 is read as it is (the map entry points refuse it); out of range is
    // held at the bound, never wrapped round onto a valid 3.
    const std::vector<std::pair<std::string, int>> cases = {{"4", 4},
                                                            {"5", 5},
                                                            {"x", 0},
                                                            {"", 0},
                                                            {" 3", 0},
                                                            {"3abc", 3},
                                                            {"-2", -2},
                                                            {"65539", 32767},
                                                            {"99999999999999999999999", 32767},
                                                            {"-99999999999", -32768}};
    for (const auto& c : cases) {
        std::vector<mapInfo> hosts;
        ASSERT_TRUE(
            ParseMapInfo(Request(Host("h", "AIX", '"' + c.first + '"', "[]")).c_str(), 1u, hosts));
        EXPECT_EQ(hosts.at(0).nProtocol, c.second) << c.first;
    }
}

TEST(ParseMapInfo, RejectsWhatIsNotAnObjectWithWellFormedHosts) {
    const std::string port = R"([{"endpoint":"p"}])";
    const std::string good = Host("h", "Linux", R"("3")", port);
    for (const std::string& request :
         {std::string("{}"), std::string(""), std::string("not json"), "[" + good + "]",
          std::string(R"({"hots":[]})"), std::string(R"({"hosts":{"hostname":"h"}})"),
          std::string(R"({"hosts":["h"]})"),
          Request(Host("h", "Linux", "3", port)),  // protocol as a number
          Request(R"({"hostos":"Linux","protocol":"3","endpoints":[]})"),
          Request(R"({"hostname":"h","protocol":"3","endpoints":[]})"),
          Request(R"({"hostname":"h","hostos":"Linux","endpoints":[]})"),
          Request(R"({"hostname":"h","hostos":"Linux","protocol":"3"})"),
          Request(Host("h", "Linux", R"("3")", R"({"endpoint":"p"})")),
          Request(Host("h", "Linux", R"("3")", R"(["p"])")),
          Request(Host("h", "Linux", R"("3")", R"([{"port":"p"}])")),
          Request(Host("h", "Linux", R"("3")", R"([{"endpoint":7}])")),
          Request(good + "," + Host("h2", "Linux", "null", port)),  // all or nothing
          Request(good).substr(0, 40)}) {                           // cut inside hosts
        const std::size_t logged = LogText().size();
        std::vector<mapInfo> hosts;
        EXPECT_FALSE(ParseMapInfo(request.c_str(), 7u, hosts)) << request;
        EXPECT_TRUE(hosts.empty()) << request;
        EXPECT_THAT(LogText().substr(logged), HasSubstr("Unable to parse the input json string"));
    }
    std::vector<mapInfo> hosts;
    EXPECT_FALSE(ParseMapInfo(nullptr, 1u, hosts));
    EXPECT_FALSE(ParseMapInfo(nullptr, 10, 1u, hosts));
    EXPECT_THAT(LogText(), HasSubstr("Invalid parameters"));
}

TEST(XlateOsType, TranslatesByTheFirstNameFound) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SunOS 5.11", "solaris"},
        {"Microsoft Windows Server 2019", "windows"},
        {"HP-UX", "hpux"},
        {"hp-ux B.11.31", "hpux"},
        {"Red Hat Enterprise Linux", "linux"},
        {"AIX 7.2", "aix"},
        {"VMware ESXi", ""},
        {"HPUX", ""},
        {"", ""},
        {"Linux on Windows", "windows"},
        {"SunOS with Linux tools", "solaris"}};
    for (const auto& c : cases) {
        std::string os = c.first;
        xlateOsType(os);
        EXPECT_EQ(os, c.second) << c.first;
    }
    EXPECT_THAT(LogText(), HasSubstr("Input os type :[SunOS 5.11]"));
    EXPECT_THAT(LogText(), HasSubstr("Output os type :[solaris]"));
}

}  // namespace
