#include <gtest/gtest.h>

#include "StandIn.h"
#include "xiv/XCliCsv.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

TEST(XCliCsv, ReadsTheNameAndWwnTable) {
    const std::string wwn = "6001738CFC9035EA";
    const std::pair<std::string, Rows> listings[] = {
        {"Name,WWN\nvol1," + wwn + "\n\n", {{"vol1", wwn}}},
        {"WWN,Name\n" + wwn + ",vol1\nABC,vol2\n", {{"vol1", wwn}, {"vol2", "ABC"}}},
        {"Warning: old client\r\n\"Name\",\"WWN\"\r\n\"vol 1\",\"" + wwn + "\"\r\n",
         {{"vol 1", wwn}}},
        {"name,wwn\nlonely\n", {{"lonely", ""}}},
        {"Name,WWN\n", {}},
    };
    for (const auto& [text, rows] : listings) {
        XCliCsv csv("u", "p", "m", "", XivLogger(DebugLog()));
        std::vector<XivVolumeInfo> volumes{{"old", "old"}};
        std::string output = text;
        XivError error;
        int& code = error.code;
        csv.ParseVolListOutput(output, volumes, error);
        EXPECT_EQ(0, code) << text;
        Rows got;
        for (const auto& v : volumes) got.push_back({v.sVolName, v.sWWN});
        EXPECT_EQ(rows, got) << text;
    }
}

TEST(XCliCsv, ErrorReportsAndEmptyOutput) {
    const char* reports[][3] = {
        {"Error:\nVOLUME_BAD_NAME,No volume found\n", "VOLUME_BAD_NAME", "No volume found"},
        {"VOLUME_BAD_NAME,No volume found", "VOLUME_BAD_NAME", "No volume found"},
        {"\"NO_CONNECTION\"\r\n", "NO_CONNECTION", ""},
        {"\"", "", ""},
        {"", "", "Command output is empty"},
    };
    for (auto& r : reports) {
        XCliCsv csv("u", "p", "m", "", XivLogger(DebugLog()));
        std::vector<XivVolumeInfo> volumes;
        std::string output = r[0];
        XivError error{0, "prior"};
        int& code = error.code;
        std::string& text = error.text;
        csv.ParseVolListOutput(output, volumes, error);
        EXPECT_EQ(-1, code) << r[0];
        EXPECT_EQ(r[1], csv.GetResult()) << r[0];
        EXPECT_EQ(r[2], text) << r[0];
    }
}

TEST(XCliCsv, RunsTheCommaSeparatedListing) {
    StandIn xcli;
    xcli.answer("Name,WWN\nv1,AB\n", 0);
    std::vector<XivVolumeInfo> volumes;
    XivError error{5, ""};
    int& code = error.code;
    std::string& text = error.text;
    LogCapture log;
    XCliCsv("admin", "s3cret", "array1", xcli.dir(), XivLogger(DebugLog()))
        .GetVolNameWWNList(volumes, error);
    EXPECT_EQ(0, code);
    ASSERT_EQ(1u, volumes.size());
    EXPECT_EQ("v1", volumes[0].sVolName);
    EXPECT_EQ((std::vector<std::string>{xcli.dir() + "/xcli", "-u", "admin", "-m", "array1", "-y",
                                        "-s", "vol_list", "-t", "name,wwn"}),
              xcli.argv(1));
    EXPECT_EQ("s3cret", xcli.password(1));
    auto lines = LinesOf(log, "Command::ExecuteCommand");
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(
        std::string::npos,
        lines[0].message.find("[xcli -u admin -p XXXX -m array1 -y -s vol_list -t name,wwn]"));

    XCliCsv("a", "p", "m", xcli.dir() + "/nowhere", XivLogger(DebugLog()))
        .GetVolNameWWNList(volumes, error);
    EXPECT_EQ(127, code);
    EXPECT_EQ(0u, text.find("Failed to run vol_list command."));

    XCliCsv("a", "s3\"cret", "m", xcli.dir(), XivLogger(DebugLog()))
        .GetVolNameWWNList(volumes, error);
    EXPECT_NE(0, code);
    EXPECT_EQ(1, xcli.runs());
    EXPECT_NE(std::string::npos, text.find("password"));
    EXPECT_EQ(std::string::npos, text.find("s3\"cret"));
}

}  // namespace
