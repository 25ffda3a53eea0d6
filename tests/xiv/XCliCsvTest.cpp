#include <gtest/gtest.h>

#include "StandIn.h"
#include "xiv/XCliCsv.h"

namespace {

struct Listing {
    const char* name;
    std::string output;
    int code;
    std::vector<std::pair<std::string, std::string>> rows;
};

TEST(XCliCsv, ReadsTheNameAndWwnTable)
{
    const std::string wwn = "6001738CFC9035EA";
    const Listing listings[] = {
        {"plain", "Name,WWN\nvol1," + wwn + "\n\n", 0, {{"vol1", wwn}}},
        {"columns swapped", "WWN,Name\n" + wwn + ",vol1\nABC,vol2\n", 0,
         {{"vol1", wwn}, {"vol2", "ABC"}}},
        {"quoted with CR LF and a banner",
         "Warning: client version\r\n\"Name\",\"WWN\"\r\n\"vol 1\",\"" + wwn + "\"\r\n", 0,
         {{"vol 1", wwn}}},
        {"short row", "name,wwn\nlonely\n", 0, {{"lonely", ""}}},
        {"header only", "Name,WWN\n", 0, {}},
    };
    for (const Listing& l : listings) {
        XCliCsv csv("u", "p", "m", "", DebugLog());
        std::vector<XivVolumeInfo> volumes{{"old", "old"}};
        std::string output = l.output;
        int code = 0;
        std::string text;
        csv.ParseVolListOutput(output, volumes, code, text);
        EXPECT_EQ(l.code, code) << l.name;
        ASSERT_EQ(l.rows.size(), volumes.size()) << l.name;
        for (size_t i = 0; i < volumes.size(); ++i) {
            EXPECT_EQ(l.rows[i].first, volumes[i].sVolName) << l.name;
            EXPECT_EQ(l.rows[i].second, volumes[i].sWWN) << l.name;
        }
    }
}

TEST(XCliCsv, ErrorReportsAndEmptyOutput)
{
    struct Report {
        std::string output;
        const char* result;
        const char* text;
    } reports[] = {
        {"Error:\nVOLUME_BAD_NAME,No volume found\n", "VOLUME_BAD_NAME", "No volume found"},
        {"VOLUME_BAD_NAME,No volume found", "VOLUME_BAD_NAME", "No volume found"},
        {"\"NO_CONNECTION\"\r\n", "NO_CONNECTION", ""},
        {"\"", "", ""},
    };
    for (const Report& r : reports) {
        XCliCsv csv("u", "p", "m", "", DebugLog());
        std::vector<XivVolumeInfo> volumes;
        std::string output = r.output;
        int code = 0;
        std::string text = "prior";
        csv.ParseVolListOutput(output, volumes, code, text);
        EXPECT_EQ(-1, code) << r.output;
        EXPECT_EQ(r.result, csv.GetResult()) << r.output;
        EXPECT_EQ(r.text, text) << r.output;
    }
    XCliCsv csv("u", "p", "m", "", DebugLog());
    std::vector<XivVolumeInfo> volumes;
    std::string empty;
    int code = 0;
    std::string text;
    csv.ParseVolListOutput(empty, volumes, code, text);
    EXPECT_EQ(-1, code);
    EXPECT_EQ("Command output is empty", text);
}

TEST(XCliCsv, RunsTheCommaSeparatedListing)
{
    StandIn xcli;
    xcli.answer("Name,WWN\nv1,AB\n", 0);
    XCliCsv csv("admin", "s3cret", "array1", xcli.dir(), DebugLog());
    std::vector<XivVolumeInfo> volumes;
    int code = 5;
    std::string text;
    LogTail tail;
    csv.GetVolNameWWNList(volumes, code, text);
    EXPECT_EQ(0, code);
    ASSERT_EQ(1u, volumes.size());
    EXPECT_EQ("v1", volumes[0].sVolName);
    EXPECT_EQ((std::vector<std::string>{xcli.dir() + "/xcli", "-u", "admin", "-m", "array1", "-y",
                                        "-s", "vol_list", "-t", "name,wwn"}),
              xcli.argv(1));
    EXPECT_EQ("s3cret", xcli.password(1));
    auto lines = tail.linesOf("Command::ExecuteCommand");
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos,
              lines[0].find("[xcli -u admin -p XXXX -m array1 -y -s vol_list -t name,wwn]"));
    EXPECT_EQ(1u, tail.linesOf("XCliCsv::GetVolNameWWNList").size());

    XCliCsv missing("admin", "s3cret", "array1", xcli.dir() + "/nowhere", DebugLog());
    missing.GetVolNameWWNList(volumes, code, text);
    EXPECT_EQ(127, code);
    EXPECT_EQ(0u, text.find("Failed to run vol_list command."));

    XCliCsv evil("admin", "s3\"cret", "array1", xcli.dir(), DebugLog());
    evil.GetVolNameWWNList(volumes, code, text);
    EXPECT_NE(0, code);
    EXPECT_EQ(1, xcli.runs());
    EXPECT_NE(std::string::npos, text.find("password"));
    EXPECT_EQ(std::string::npos, text.find("s3\"cret"));
}

}  // namespace
